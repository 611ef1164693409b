#include "core/string_list.h"

namespace zorapi {

void TStringList::Insert(int index, std::u16string line) {
  FLines.insert(FLines.begin() + index, std::move(line));
}

void TStringList::Delete(int index) { FLines.erase(FLines.begin() + index); }

std::u16string TStringList::Text() const {
  std::size_t total = 0;
  for (const auto& l : FLines) total += l.size() + 2;
  std::u16string out;
  out.reserve(total);
  for (const auto& l : FLines) {
    out += l;
    out += u"\r\n";
  }
  return out;
}

void TStringList::SetText(std::u16string_view text) {
  FLines.clear();
  std::size_t start = 0, i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      FLines.emplace_back(text.substr(start, i - start));
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) FLines.emplace_back(text.substr(start));
}

}  // namespace zorapi
