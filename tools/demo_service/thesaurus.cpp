#include "thesaurus.h"

#include <array>
#include <cctype>
#include <functional>

namespace zorapi::demo {
namespace {

// Each group lists words of one meaning; the first is everyone's favourite.
struct SynonymGroup {
  std::array<std::string_view, 4> words;
};

constexpr SynonymGroup kGroups[] = {
    {{"fast", "quick", "swift", "rapid"}},   {{"leaps", "jumps", "bounds", "springs"}},
    {{"idle", "lazy", "sluggish", "slack"}}, {{"hound", "dog", "mutt", "pooch"}},
    {{"big", "large", "huge", "vast"}},      {{"small", "little", "tiny", "slight"}},
    {{"happy", "glad", "cheerful", "merry"}}, {{"sad", "unhappy", "gloomy", "glum"}},
    {{"smart", "clever", "bright", "sharp"}}, {{"old", "ancient", "aged", "elderly"}},
    {{"start", "begin", "commence", "open"}}, {{"end", "finish", "close", "stop"}},
    {{"good", "fine", "great", "nice"}},     {{"bad", "poor", "awful", "lousy"}},
    {{"home", "house", "dwelling", "abode"}}, {{"say", "tell", "state", "utter"}},
    {{"look", "see", "watch", "view"}},      {{"walk", "stroll", "stride", "amble"}},
};

std::string Lower(std::string_view word) {
  std::string out(word);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

const SynonymGroup* GroupOf(std::string_view word) {
  const std::string lower = Lower(word);
  for (const SynonymGroup& g : kGroups) {
    for (std::string_view w : g.words) {
      if (w == lower) return &g;
    }
  }
  return nullptr;
}

// A synonym written the way the original word is: capitalised when it is.
std::string LikeOriginal(std::string_view original, std::string_view synonym) {
  std::string out(synonym);
  if (!original.empty() && std::isupper(static_cast<unsigned char>(original[0])) && !out.empty())
    out[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[0])));
  return out;
}

// Words are runs of ASCII letters; bytes of UTF-8 sequences count as letters
// so that a word with an accented letter stays whole (and is not looked up).
bool IsWordByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return std::isalpha(b) || b >= 0x80;
}

bool IsAsciiWord(std::string_view word) {
  for (char c : word) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Copies text, handing each word that has a group to rewrite.
std::string RewriteWords(std::string_view text,
                         const std::function<std::string(std::string_view, const SynonymGroup&)>& rewrite) {
  std::string out;
  out.reserve(text.size() * 2);
  std::size_t i = 0;
  while (i < text.size()) {
    if (!IsWordByte(text[i])) {
      out += text[i++];
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && IsWordByte(text[end])) ++end;
    const std::string_view word = text.substr(i, end - i);
    const SynonymGroup* group = IsAsciiWord(word) ? GroupOf(word) : nullptr;
    out += group ? rewrite(word, *group) : std::string(word);
    i = end;
  }
  return out;
}

}  // namespace

std::string MarkSynonyms(std::string_view text, int maxsyns) {
  return RewriteWords(text, [maxsyns](std::string_view word, const SynonymGroup& group) {
    std::string marked = "{" + std::string(word);
    const std::string lower = Lower(word);
    int listed = 0;
    for (std::string_view w : group.words) {
      if (w == lower) continue;
      if (maxsyns > 0 && listed == maxsyns) break;
      marked += "|" + LikeOriginal(word, w);
      ++listed;
    }
    return marked + "}";
  });
}

std::string ReplaceByFavorites(std::string_view text) {
  return RewriteWords(text, [](std::string_view word, const SynonymGroup& group) {
    return LikeOriginal(word, group.words[0]);
  });
}

}  // namespace zorapi::demo
