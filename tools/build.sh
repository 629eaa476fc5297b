#!/usr/bin/env bash
# Configures and builds Zolt in build/ (set BUILD_DIR to change it).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
fi
# A source file added to a globbed folder reaches moc only when its scan runs
# again; forgetting the scan's time stamps makes it look at every file.
find "$BUILD_DIR" -path '*_autogen/timestamp' -delete 2>/dev/null || true
# The compiler cache must accept precompiled headers.
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
# Paths inside the checkout count relative and the build folder is not hashed,
# so other checkouts (CI's fresh clone) share the cache.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-12G}
cmake --build "$BUILD_DIR" -j"${JOBS:-$(nproc)}" ${1:+--target "$@"}
