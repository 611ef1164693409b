// Whether the calling thread is inside the loader's notification of this
// library (DllMain on Windows). There, loading or unloading another library,
// or starting the socket library, can deadlock on the loader lock; such work
// waits for the first call made from outside.
#pragma once

namespace zorapi::platform {

bool InsideLoaderNotification();

}  // namespace zorapi::platform
