// Helpers for tests that drive the TCP client: a connected client, bytes and
// text conversions, and counts of the process's descriptors and threads.
#pragma once

#include <dirent.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "core/component.h"
#include "core/exceptions.h"
#include "core/utf8.h"
#include "transport/tcp_client.h"

namespace zorapi::testing {

inline std::unique_ptr<TIdTCPClientCustom> NewClient(std::uint16_t APort, std::int32_t AConnectTimeout = 10000,
                                                     const std::u16string& AHost = u"127.0.0.1") {
  auto client = NewComponent<TIdTCPClientCustom>();
  client->SetHost(AHost);
  client->SetPort(APort);
  client->SetConnectTimeout(AConnectTimeout);
  return client;
}

inline std::unique_ptr<TIdTCPClientCustom> ConnectedClient(std::uint16_t APort, std::int32_t AConnectTimeout = 10000) {
  auto client = NewClient(APort, AConnectTimeout);
  client->Connect();
  return client;
}

inline std::string Utf8(const std::u16string& AText) { return EncodeUtf8(AText); }

inline std::u16string Text(const std::string& AAscii) { return std::u16string(AAscii.begin(), AAscii.end()); }

inline int CountEntries(const char* ADir) {
  int n = 0;
  if (DIR* d = ::opendir(ADir)) {
    while (dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') ++n;
    ::closedir(d);
  }
  return n;
}

// Open descriptors of the process (the directory's own one not counted).
inline int OpenDescriptors() { return CountEntries("/proc/self/fd") - 1; }
inline int ThreadCount() { return CountEntries("/proc/self/task"); }

// Waits (bounded) until ACondition holds; its last value.
template <class F>
bool Eventually(F ACondition, std::chrono::milliseconds ATimeout = std::chrono::milliseconds(5000)) {
  const auto end = std::chrono::steady_clock::now() + ATimeout;
  while (!ACondition()) {
    if (std::chrono::steady_clock::now() > end) return ACondition();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// A loopback port on which nothing listens.
std::uint16_t UnusedPort();

}  // namespace zorapi::testing
