// Marks a function as one of the library's exports.
#pragma once

#if defined(_WIN32)
// The module-definition file names the exports and their ordinals.
#define ZORAPI_EXPORT
#else
#define ZORAPI_EXPORT __attribute__((visibility("default")))
#endif
