# What the Windows stages share (sourced by scripts/test-windows.sh, tests/kernel/run.sh and
# tests/package/msi.sh): which build runs under which Wine, how a cross-build directory is
# configured, and how Wine is started for a run.

# The shipped programs are the 32-bit ones, and they run under 32-bit Wine (Debian's wine32:i386,
# whose loader is /usr/lib/wine/wine). Where it cannot be had, or the kernel runs no 32-bit
# programs, the x86_64 build runs under 64-bit Wine instead: the same code through the same
# Win32 calls, but not the shipped binaries.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WIN_ARCH=win32 WIN_BUILD=build-win32
else
    WIN_ARCH=win64 WIN_BUILD=build-win64
    echo "!!! NO 32-BIT WINE (wine32:i386): the Windows tests run the x86_64 build under 64-bit Wine, NOT the shipped 32-bit programs !!!" >&2
    # Debian's wine script takes the 32-bit loader whenever it is installed, even where the kernel
    # cannot run it (or, in the guest of the real-device test, where it can but the prefix is a
    # 64-bit one); every wine start of this fallback goes to the 64-bit loader instead.
    if [ -x /usr/lib/wine/wine64 ]; then
        # In the build folder, so that the real-device test's guest (which sees this machine's
        # folders) finds the same loader.
        wine64_dir=$PWD/$WIN_BUILD/wine64-loader
        mkdir -p "$wine64_dir"
        # wine-stable too: winepath and Wine's other tools start through it.
        for name in wine wine-stable; do
            printf '#!/bin/sh\nWINELOADER=/usr/lib/wine/wine64 exec /usr/lib/wine/wine64 "$@"\n' \
                > "$wine64_dir/$name"
            chmod +x "$wine64_dir/$name"
        done
        export PATH="$wine64_dir:$PATH"
    fi
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

# Wine for a run in the prefix $1 (an absolute path; made when missing): no debug output, no
# prompt to install Mono or Gecko, no menu entries on this machine for the shortcuts an installer
# makes in the prefix. One wineserver serves the whole run, started first with its output
# detached: without it each wine start spawns and tears down its own server, and whoever waits
# on their output waits on it. The caller stops it (wineserver -k) when done.
# Every Wine start runs with address-space randomization off, through "${fixed_layout[@]}"
# (setarch -R; what it starts inherits it). This Wine has no preloader to reserve its fixed
# addresses first, so its loader's heap lands at random, and about one start in 5,000 found it on
# the page Wine maps for the shared user data and ended at once with status 1, silently under
# WINEDEBUG=-all.
start_wine() {
    export WINEPREFIX=$1 WINEARCH=$WIN_ARCH WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    mkdir -p "$WINEPREFIX"  # wineserver will not start in a prefix that does not exist yet
    wineserver -p </dev/null >/dev/null 2>&1
    fixed_layout=(setarch "$(uname -m)" -R)
    "${fixed_layout[@]}" wine cmd /c exit </dev/null >/dev/null 2>&1
}
