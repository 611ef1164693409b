#include "transport/socket_list.h"

#include <algorithm>

#include "transport/transport_exceptions.h"
#include "transport/transport_messages.h"

namespace zorapi {

std::unique_ptr<TIdSocketList> TIdSocketList::CreateSocketList() { return std::make_unique<TIdSocketListNative>(); }

void TIdSocketListNative::Add(TIdStackSocketHandle AHandle) {
  std::lock_guard lock(FLock);
  if (std::find(FHandles, FHandles + FCount, AHandle) != FHandles + FCount) return;
  if (FCount >= MaxHandles) throw EIdStackSetSizeExceeded(RSSetSizeExceeded);
  FHandles[FCount++] = AHandle;
}

void TIdSocketListNative::Remove(TIdStackSocketHandle AHandle) {
  std::lock_guard lock(FLock);
  TIdStackSocketHandle* end = FHandles + FCount;
  TIdStackSocketHandle* found = std::find(FHandles, end, AHandle);
  if (found == end) return;
  *found = FHandles[--FCount];
}

bool TIdSocketListNative::ContainsSocket(TIdStackSocketHandle AHandle) {
  std::lock_guard lock(FLock);
  return std::find(FHandles, FHandles + FCount, AHandle) != FHandles + FCount;
}

int TIdSocketListNative::Count() {
  std::lock_guard lock(FLock);
  return static_cast<int>(FCount);
}

void TIdSocketListNative::Clear() {
  std::lock_guard lock(FLock);
  FCount = 0;
}

bool TIdSocketListNative::SelectRead(std::int32_t ATimeout) {
  TIdStackSocketHandle copy[MaxHandles];
  std::uint32_t count;
  {
    std::lock_guard lock(FLock);
    count = FCount;
    std::copy(FHandles, FHandles + count, copy);
  }
  // A negative limit other than "without limit" is no valid time.
  if (ATimeout < 0 && ATimeout != platform::WaitForever) GSocketStack()->RaiseSocketError(platform::Id_WSAEINVAL);
  const int ready = platform::WaitReadable(copy, count, ATimeout);
  if (ready == Id_SOCKET_ERROR) GSocketStack()->RaiseLastSocketError();
  return ready > 0;
}

}  // namespace zorapi
