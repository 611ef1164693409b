# Cross build for 32-bit Windows with Debian's mingw-w64 i686 compilers.
# The posix threading variant is taken because the library runs a worker
# thread for the timed connect; its runtime is linked in statically.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(ZORAPI_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${ZORAPI_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZORAPI_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZORAPI_MINGW_PREFIX}-windres)
set(CMAKE_AR ${ZORAPI_MINGW_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZORAPI_MINGW_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")

# Doubles are computed in SSE2 registers, as on x86-64: the x87 unit's
# excess precision makes a date read twice compare unequal to itself. Hosts
# may call with the stack aligned to 4 bytes only; functions that need more
# realign it.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")

set(CMAKE_FIND_ROOT_PATH /usr/${ZORAPI_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built here run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
