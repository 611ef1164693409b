// A thread_local object with a destructor cannot be used in this DLL: the
// C++ run time then keeps the DLL loaded until the thread ends and frees it
// from that thread's exit, which deadlocks a host that unloads the DLL while
// such a thread is alive. A thread key of the threading library (linked
// into the DLL) serves instead: its destructor runs at thread end while the
// DLL is loaded; once the DLL is unloaded no code of it runs for the
// thread, and the thread's results are left to the process.
#include <pthread.h>

#include <array>

#include "platform/thread_result.h"

namespace zorapi::platform {
namespace {

using TResults = std::array<std::u16string, ThreadResultSlots>;

void FreeResults(void* AResults) { delete static_cast<TResults*>(AResults); }

pthread_key_t ResultsKey() {
  static const pthread_key_t key = [] {
    pthread_key_t k{};
    pthread_key_create(&k, &FreeResults);
    return k;
  }();
  return key;
}

}  // namespace

std::u16string& ThreadResult(int ASlot) {
  const pthread_key_t key = ResultsKey();
  auto* results = static_cast<TResults*>(pthread_getspecific(key));
  if (results == nullptr) {
    results = new TResults();
    pthread_setspecific(key, results);
  }
  return (*results)[static_cast<std::size_t>(ASlot)];
}

}  // namespace zorapi::platform
