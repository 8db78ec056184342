#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default build/). Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${BUILD_DIR:-build}"
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DQUILLON_WERROR="$werror" "$@" >/dev/null
# BUILD_TARGETS limits what is built (default: everything).
if [ -n "${BUILD_TARGETS:-}" ]; then
    for t in $BUILD_TARGETS; do cmake --build "$dir" -j2 --target "$t"; done
else
    cmake --build "$dir" -j2
fi
