#!/usr/bin/env bash
# Makes the Debian package quillon_<version>_<arch>.deb in build-deb/ (BUILD_DIR): a tree
# configured for /usr, so that the udev rule lands under /usr/lib/udev/rules.d; its dependencies
# are computed from the binaries with dpkg-shlibdeps. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
dir="${BUILD_DIR:-build-deb}"
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
# The optimisation the tests run at (-O2; CPack strips the debug information), so that the
# package holds the code the suite checked and a compiler cache shares the test tree's objects.
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUILLON_WERROR="$werror" -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF >/dev/null
cmake --build "$dir" -j2 --target quillon quillon-simd quillon-gui quillon_docs >/dev/null
rm -f "$dir"/quillon_*.deb
(cd "$dir" && cpack -G DEB >cpack.log 2>&1) || { cat "$dir/cpack.log" >&2; exit 1; }
ls "$dir"/quillon_*.deb
