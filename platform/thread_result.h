// Per-thread storage of the exported operations' results: one text per
// operation and thread, kept until the same thread stores the next one in
// the same slot and released when the thread ends. It never holds the
// library loaded for a thread, so the host can unload the library while
// threads that called it still run.
#pragma once

#include <string>

namespace zorapi::platform {

inline constexpr int ThreadResultSlots = 3;

// The calling thread's slot ASlot (0 to ThreadResultSlots - 1).
std::u16string& ThreadResult(int ASlot);

}  // namespace zorapi::platform
