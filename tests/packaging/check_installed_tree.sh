#!/usr/bin/env bash
# Installs a build tree into a scratch prefix and builds and runs consumers
# against the installed files only.
#   check_installed_tree.sh BUILD_DIR SCRATCH_DIR C_COMPILER CXX_COMPILER [SANITIZERS]
set -euo pipefail
build=$1 scratch=$2 cc=$3 cxx=$4 sanitize=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
prefix=$scratch/prefix

flags=""
[ -n "$sanitize" ] && flags="-fsanitize=$sanitize"
# Nothing listens on port 1: the library answers the empty result at once.
export ZORAPI_ENDPOINT=http://127.0.0.1:1/api.php

fail() { echo "packaging: $*" >&2; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch"
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log"

pc=$(find "$prefix" -name zorapi.pc -path '*/pkgconfig/*')
[ -n "$pc" ] || fail "zorapi.pc was not installed"
export PKG_CONFIG_PATH=$(dirname "$pc")
libdir=$(pkg-config --variable=libdir zorapi)
includedir=$(pkg-config --variable=includedir zorapi)
case "$libdir" in "$prefix"/*) ;; *) fail "zorapi.pc names $libdir, outside $prefix" ;; esac
for f in "$includedir/zorapi.h" "$libdir/libzorapi.so" "$prefix/bin/zorapi" \
  "$libdir/cmake/zorapi/zorapiConfig.cmake" "$libdir/cmake/zorapi/zorapiConfigVersion.cmake"; do
  [ -e "$f" ] || fail "$f was not installed"
done

# The installed tool loads the installed library (status 1: empty result;
# 3 would mean the library was not found).
status=0
env -u LD_LIBRARY_PATH "$prefix/bin/zorapi" login demo demo-password 2>/dev/null || status=$?
[ "$status" -eq 1 ] || fail "the installed zorapi exited with $status, not 1"

# (ldd's whole output is taken first: grep -q may stop reading early, and a
# writer cut off by that would fail the pipeline.)
uses_installed_library() {
  local loaded
  loaded=$(ldd "$1")
  grep -q "$libdir/libzorapi.so" <<<"$loaded" || fail "$1 does not load $libdir/libzorapi.so"
}

# A CMake consumer.
cmake -S "$here/consumer" -B "$scratch/cmake-consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
  >"$scratch/cmake-consumer.log"
cmake --build "$scratch/cmake-consumer" >>"$scratch/cmake-consumer.log"
uses_installed_library "$scratch/cmake-consumer/consumer"
"$scratch/cmake-consumer/consumer"

# A pkg-config consumer.
# shellcheck disable=SC2046,SC2086
"$cc" -std=c11 -Wall -Wextra -Wpedantic -Werror $flags -o "$scratch/pkg-config-consumer" "$here/consumer/consumer.c" \
  $(pkg-config --cflags --libs zorapi)
LD_LIBRARY_PATH=$libdir uses_installed_library "$scratch/pkg-config-consumer"
LD_LIBRARY_PATH=$libdir "$scratch/pkg-config-consumer"

echo "packaging: the installed tree serves a CMake and a pkg-config consumer"
