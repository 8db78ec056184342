#!/usr/bin/env bash
# Makes the Windows zip quillon-<version>-win32.zip (Quillon.exe, cli/quillon.exe, README.txt) in
# build-win32/ with CPack's ZIP generator, and the installer quillon-<version>-win32.msi of the
# same files beside it with wixl (packaging/windows/make-msi.sh); the 64-bit ones in build-win64/
# when ARCHES says so (default: win32). Prints the packages' paths, each zip before its MSI.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh mingw
# Stripping puts this time into the programs' headers instead of the time it runs: the zip and
# the MSI hold the same bytes, and packages made again from a commit the same programs.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
for arch in ${ARCHES:-win32}; do
    case $arch in
        win32) toolchain=i686-w64-mingw32 ;;
        win64) toolchain=x86_64-w64-mingw32 ;;
        *) echo "package-windows: unknown arch $arch" >&2; exit 2 ;;
    esac
    dir="build-$arch"
    # Two runs at once on one tree wait for each other rather than build into each other.
    mkdir -p "$dir"
    exec {lock}>"$dir/.package.lock"
    flock "$lock"
    # The tree of scripts/test-windows.sh when it is there; only the shipped programs are built.
    # A toolchain counts only when a tree is first configured; given again, cmake warns.
    toolchain_arg=()
    [ -e "$dir/CMakeCache.txt" ] ||
        toolchain_arg=(-DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$toolchain.cmake")
    cmake -S . -B "$dir" "${toolchain_arg[@]}" \
        -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" -DQUILLON_WERROR="$werror" \
        -DQUILLON_BENCH=OFF >/dev/null
    cmake --build "$dir" -j2 --target quillon quillon_gui >/dev/null
    rm -f "$dir"/quillon-*-"$arch".zip "$dir"/quillon-*-"$arch".msi
    (cd "$dir" && cpack -G ZIP >cpack.log 2>&1) || { cat "$dir/cpack.log" >&2; exit 1; }
    zip=$(ls "$dir"/quillon-*-"$arch".zip)
    packaging/windows/make-msi.sh "$dir" "${zip%.zip}.msi"
    echo "$zip"
    echo "${zip%.zip}.msi"
    exec {lock}>&-
done
