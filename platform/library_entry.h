// The library's start-up, run by the operating system's loader once the
// library is in the process (implemented by the service client layer).
#pragma once

namespace zorapi {

void LibraryStartup();

}  // namespace zorapi
