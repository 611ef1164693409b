// The DLL's entry point.
//
// Process attach runs under the loader lock, after the C++ run time has
// initialised every unit of the DLL. What the start-up does there is safe
// under that lock: it allocates memory, reads the environment and builds
// objects. Loading WS2_32.DLL and calling WSAStartup are not (WSAStartup
// loads helper libraries and may wait on other threads); the socket layer
// therefore holds them back while InsideLoaderNotification() is true and
// does them on the first socket call instead.
//
// Thread attach and detach do nothing. Unloading by FreeLibrary stops the
// socket library and destroys nothing else: the shared client stays, and a
// connection it left open is not closed. When the process is exiting, the
// other threads are gone and the system reclaims everything, so nothing is
// done at all.
#include <windows.h>

#include <atomic>

#include "platform/library_entry.h"
#include "platform/loader_lock.h"
#include "platform/sockets.h"

namespace zorapi::platform {
namespace {

// The thread that runs the loader's notification of this DLL, 0 outside it.
constinit std::atomic<DWORD> gLoaderThread{0};

class TLoaderNotification {
 public:
  TLoaderNotification() { gLoaderThread.store(GetCurrentThreadId()); }
  ~TLoaderNotification() { gLoaderThread.store(0); }
  TLoaderNotification(const TLoaderNotification&) = delete;
  TLoaderNotification& operator=(const TLoaderNotification&) = delete;
};

void ProcessAttach() {
  const TLoaderNotification inside;
  try {
    LibraryStartup();
  } catch (...) {
    // The library still loads; its operations then return the empty result.
  }
}

void ProcessDetach(bool processExiting) {
  if (processExiting) return;
  const TLoaderNotification inside;
  StopSocketLibrary();
}

}  // namespace

bool InsideLoaderNotification() { return gLoaderThread.load() == GetCurrentThreadId(); }

}  // namespace zorapi::platform

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      zorapi::platform::ProcessAttach();
      break;
    case DLL_PROCESS_DETACH:
      zorapi::platform::ProcessDetach(reserved != nullptr);
      break;
    default:  // thread attach and detach
      break;
  }
  return TRUE;
}
