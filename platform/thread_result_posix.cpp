#include <array>

#include "platform/thread_result.h"

namespace zorapi::platform {

// The C library runs the destructors at thread end and keeps a shared
// library that holds such objects loaded until then.
std::u16string& ThreadResult(int ASlot) {
  thread_local std::array<std::u16string, ThreadResultSlots> results;
  return results[static_cast<std::size_t>(ASlot)];
}

}  // namespace zorapi::platform
