#include "platform/library_entry.h"

namespace {

// Runs when the shared library is loaded. The library's own objects use no
// dynamically initialised globals, so the order among load-time functions
// does not matter.
__attribute__((constructor)) void ZorapiLoad() { zorapi::LibraryStartup(); }

}  // namespace
