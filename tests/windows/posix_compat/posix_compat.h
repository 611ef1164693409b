// POSIX names the unit suite uses that the C run time of Windows lacks;
// read into every source of the suite ahead of its own includes.
#pragma once

#include <stdlib.h>

inline int setenv(const char* AName, const char* AValue, int AOverwrite) {
  if (!AOverwrite && getenv(AName) != nullptr) return 0;
  return _putenv_s(AName, AValue) == 0 ? 0 : -1;
}

// An empty value removes the variable.
inline int unsetenv(const char* AName) { return _putenv_s(AName, "") == 0 ? 0 : -1; }

// Handles are not inherited unless asked for.
#define O_CLOEXEC 0
