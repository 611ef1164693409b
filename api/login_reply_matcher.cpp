#include "api/login_reply_matcher.h"

namespace zorapi {
namespace {

constexpr std::u16string_view kOpenSuccess = u"<success>";
constexpr std::u16string_view kBetween = u"</success><session>";
constexpr std::u16string_view kCloseSession = u"</session>";

std::size_t WordRunEnd(std::u16string_view text, std::size_t from) {
  while (from < text.size() && IsLoginWordChar(text[from])) ++from;
  return from;
}

bool LiteralAt(std::u16string_view text, std::size_t at, std::u16string_view literal) {
  return text.substr(at, literal.size()) == literal;
}

}  // namespace

bool TLoginReplyMatcher::Exec(std::u16string_view text) {
  text = text.substr(0, text.find(u'\0'));
  FInput.assign(text);
  FSuccess.clear();
  FSession.clear();
  // Each candidate's word runs stop at the next "<", so the runs of
  // successive candidates never overlap and the whole search is linear.
  for (std::size_t p = text.find(kOpenSuccess); p != std::u16string_view::npos;
       p = text.find(kOpenSuccess, p + 1)) {
    const std::size_t s1 = p + kOpenSuccess.size();
    const std::size_t e1 = WordRunEnd(text, s1);
    if (e1 == s1 || !LiteralAt(text, e1, kBetween)) continue;
    const std::size_t s2 = e1 + kBetween.size();
    const std::size_t e2 = WordRunEnd(text, s2);
    if (e2 == s2 || !LiteralAt(text, e2, kCloseSession)) continue;
    FSuccess.assign(text.substr(s1, e1 - s1));
    FSession.assign(text.substr(s2, e2 - s2));
    return true;
  }
  return false;
}

}  // namespace zorapi
