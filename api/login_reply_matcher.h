// The matcher of the login reply: the fixed pattern
//   <success>(\w+)<\/success><session>(\w+)<\/session>
// with \w exactly the 63 ASCII word characters, case-sensitive, leftmost
// match, over the text up to its first U+0000. A single linear scan, so a
// reply of any length cannot exhaust the stack.
#pragma once

#include <string>
#include <string_view>

namespace zorapi {

class TLoginReplyMatcher {
 public:
  // Searches text; true when the pattern matches somewhere.
  bool Exec(std::u16string_view text);
  // Group 1 (success) and group 2 (session) of the last match.
  const std::u16string& Success() const { return FSuccess; }
  const std::u16string& Session() const { return FSession; }
  // The text of the last search, as the engine keeps it between calls.
  const std::u16string& InputString() const { return FInput; }

 private:
  std::u16string FInput;
  std::u16string FSuccess;
  std::u16string FSession;
};

constexpr bool IsLoginWordChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

}  // namespace zorapi
