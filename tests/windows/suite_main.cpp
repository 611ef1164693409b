// Entry point of the unit suite in the Windows build. A test that cannot
// run there is filtered out and a stand-in under SkippedOnWindows reports it
// as skipped, with the reason.
#include <gtest/gtest.h>

#include <string>

namespace {

struct TSkip {
  const char* test;  // "Suite.Name"
  const char* reason;
};

constexpr TSkip kSkips[] = {
    {"ExportsTest.SharedLibraryExportsExactlyTheThreeOperations",
     "reads ELF dynamic symbols with nm; zorapi_host checks the DLL's export table"},
};

class TSkippedTest : public testing::Test {
 public:
  explicit TSkippedTest(const char* reason) : FReason(reason) {}
  void TestBody() override { GTEST_SKIP() << FReason; }

 private:
  const char* FReason;
};

std::string StandInName(std::string test) {
  for (char& c : test)
    if (c == '.') c = '_';
  return test;
}

// The user's filter with the skipped tests added to its negative part.
std::string FilterWithout(std::string filter, const std::string& skipped) {
  if (filter.empty()) filter = "*";
  return filter + (filter.find('-') == std::string::npos ? "-" : ":") + skipped;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::string skipped;
  for (const TSkip& s : kSkips) {
    skipped += (skipped.empty() ? "" : ":") + std::string(s.test);
    const char* reason = s.reason;
    testing::RegisterTest("SkippedOnWindows", StandInName(s.test).c_str(), nullptr, nullptr, __FILE__, __LINE__,
                          [reason]() -> testing::Test* { return new TSkippedTest(reason); });
  }
  GTEST_FLAG_SET(filter, FilterWithout(GTEST_FLAG_GET(filter), skipped));
  return RUN_ALL_TESTS();
}
