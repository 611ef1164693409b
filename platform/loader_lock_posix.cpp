#include "platform/loader_lock.h"

namespace zorapi::platform {

// The dynamic loader of this platform lets load-time code load libraries.
bool InsideLoaderNotification() { return false; }

}  // namespace zorapi::platform
