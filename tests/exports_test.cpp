// The shared library's dynamic symbol table holds the three operations and
// nothing else of ours.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
  std::set<std::string> names;
  const std::string cmd = "nm -D --defined-only '" + path + "'";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return names;
  char line[512];
  while (std::fgets(line, sizeof line, p)) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    const auto space = s.rfind(' ');
    if (space == std::string::npos) continue;
    const char type = space >= 1 ? s[space - 1] : '?';
    // Only code and data symbols count; versions and absolute markers do not.
    if (type == 'T' || type == 'D' || type == 'B' || type == 'R' || type == 'W' || type == 'V')
      names.insert(s.substr(space + 1));
  }
  pclose(p);
  return names;
}

TEST(ExportsTest, SharedLibraryExportsExactlyTheThreeOperations) {
  EXPECT_EQ(DefinedDynamicSymbols(ZORAPI_SHARED_LIBRARY_PATH),
            (std::set<std::string>{"identifySynonyms", "replaceEveryonesFavorites", "zorlogin"}));
}

}  // namespace
