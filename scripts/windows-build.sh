# What the Windows stages share (sourced by scripts/test-windows.sh and tests/kernel/run.sh):
# which build runs under which Wine, and how a cross-build directory is configured.

# The shipped programs are the 32-bit ones, and they run under 32-bit Wine (Debian's wine32:i386,
# whose loader is /usr/lib/wine/wine). Where it cannot be had, or the kernel runs no 32-bit
# programs, the x86_64 build runs under 64-bit Wine instead: the same code through the same
# Win32 calls, but not the shipped binaries.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WIN_ARCH=win32 WIN_BUILD=build-win32
else
    WIN_ARCH=win64 WIN_BUILD=build-win64
    echo "!!! NO 32-BIT WINE (wine32:i386): the Windows tests run the x86_64 build under 64-bit Wine, NOT the shipped 32-bit programs !!!" >&2
fi

# Configures build dir $1 for i686 or x86_64 ($2: build-win32 or build-win64 decides it), with
# the tests when it is the build that runs under Wine; more cmake arguments may follow.
configure_windows() {
    local dir=$1 toolchain=i686-w64-mingw32 werror=OFF tests=OFF
    shift
    case "$dir" in *build-win64) toolchain=x86_64-w64-mingw32 ;; esac
    [ "$(basename "$dir")" = "$WIN_BUILD" ] && tests=ON
    [ "${CI:-}" = "true" ] && werror=ON
    cmake -S "$(dirname "${BASH_SOURCE[0]}")/.." -B "$dir" \
        -DCMAKE_TOOLCHAIN_FILE="$(dirname "${BASH_SOURCE[0]}")/../cmake/toolchains/$toolchain.cmake" \
        -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" -DQUILLON_WERROR="$werror" \
        -DQUILLON_BENCH=OFF -DQUILLON_TESTS="$tests" "$@" >/dev/null
}
