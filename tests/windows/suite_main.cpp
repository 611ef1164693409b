// Entry point of the unit suite in the Windows build. A test that cannot
// run there is filtered out, and a source left out of the build (see
// CMakeLists.txt) is not there at all; for each a stand-in under
// SkippedOnWindows reports it as skipped, with the reason.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

struct TSkip {
  const char* test;  // "Suite.Name"
  const char* reason;
};

constexpr const char* kTimeZoneByTZ =
    "sets the zone through TZ, which GetTimeZoneInformation does not read; WindowsClockTest covers the offset";
constexpr const char* kWineDescriptors =
    "counts /proc/self/fd, which under Wine are the emulator's own descriptors as well";

constexpr TSkip kSkips[] = {
    {"ExportsTest.SharedLibraryExportsExactlyTheThreeOperations",
     "reads ELF dynamic symbols with nm; zorapi_host checks the DLL's export table"},
    {"TcpState.ResetByPeerRaisesSocketError10054",
     "Wine closes a socket with SO_LINGER {1, 0} in order instead of resetting it"},
    {"TcpConnect.TimesOutOnSilentHostWithoutLeavingThreadOrDescriptor", kWineDescriptors},
    {"TcpConnect.ThousandCyclesLeaveNoDescriptorBehind", kWineDescriptors},
    {"TcpConnect.WorksInProcessWithThousandsOfOpenDescriptors",
     "raises the POSIX descriptor limit; Windows sockets are handles without such a limit"},
    {"HttpDateToLocalTest.AddsTheLocalOffset", kTimeZoneByTZ},
    {"LocalUtcOffsetTest.FollowsTheTimeZone", kTimeZoneByTZ},
    {"HttpDateTextTest.WritesRfc1123InGmt", kTimeZoneByTZ},
};

// Written by CMake: {"file", "reason"} rows.
constexpr TSkip kLeftOutSources[] = {
#include "left_out_sources.inc"
    {nullptr, nullptr},
};

class TSkippedTest : public testing::Test {
 public:
  TSkippedTest(const char* name, const char* reason) : FName(name), FReason(reason) {}
  void TestBody() override { GTEST_SKIP() << FName << ": " << FReason; }

 private:
  const char* FName;
  const char* FReason;
};

std::string StandInName(std::string test) {
  for (char& c : test)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return test;
}

void RegisterStandIn(const char* name, const char* reason) {
  testing::RegisterTest("SkippedOnWindows", StandInName(name).c_str(), nullptr, nullptr, __FILE__, __LINE__,
                        [name, reason]() -> testing::Test* { return new TSkippedTest(name, reason); });
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
    RegisterStandIn(s.test, s.reason);
  }
  for (const TSkip& s : kLeftOutSources)
    if (s.test != nullptr) RegisterStandIn(s.test, s.reason);
  GTEST_FLAG_SET(filter, FilterWithout(GTEST_FLAG_GET(filter), skipped));
  return RUN_ALL_TESTS();
}
