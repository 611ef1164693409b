// A set of socket handles to wait on for readability.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "transport/stack.h"

namespace zorapi {

class TIdSocketList {
 public:
  virtual ~TIdSocketList() = default;
  TIdSocketList(const TIdSocketList&) = delete;
  TIdSocketList& operator=(const TIdSocketList&) = delete;

  // A list of the class set for this build.
  static std::unique_ptr<TIdSocketList> CreateSocketList();

  // Raises EIdStackSetSizeExceeded when the list already holds 64 handles.
  virtual void Add(TIdStackSocketHandle AHandle) = 0;
  virtual void Remove(TIdStackSocketHandle AHandle) = 0;
  virtual bool ContainsSocket(TIdStackSocketHandle AHandle) = 0;
  virtual int Count() = 0;
  virtual void Clear() = 0;
  // True when a socket of the list is readable (data, or the peer closed)
  // within ATimeout ms; -2 waits without limit. A failure raises the
  // socket error.
  virtual bool SelectRead(std::int32_t ATimeout) = 0;

 protected:
  TIdSocketList() = default;
  std::mutex FLock;
};

// Room for 64 handles; the wait runs on a copy, outside the lock.
class TIdSocketListNative final : public TIdSocketList {
 public:
  static constexpr std::size_t MaxHandles = 64;

  void Add(TIdStackSocketHandle AHandle) override;
  void Remove(TIdStackSocketHandle AHandle) override;
  bool ContainsSocket(TIdStackSocketHandle AHandle) override;
  int Count() override;
  void Clear() override;
  bool SelectRead(std::int32_t ATimeout) override;

 private:
  std::uint32_t FCount = 0;
  TIdStackSocketHandle FHandles[MaxHandles] = {};
};

}  // namespace zorapi
