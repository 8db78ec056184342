#!/usr/bin/env bash
# Runs a GoogleTest program that opens windows under Wine on a private Xvfb screen, inside a Wine
# virtual desktop (Xvfb has no window manager to give the dialog focus and activation). The exit
# status is the tests' own, read from their XML report, since the desktop's does not pass it on.
# Usage: run-under-wine.sh TEST.exe [GTEST ARGS]. The Wine prefix is one of its own beside the
# program (QUILLON_UI_WINEPREFIX), with its own wineserver: other tests under Wine may run beside
# it, and stopping the server at the end must not stop theirs. WINEARCH (default win32) is the
# prefix's width, the program's.
set -euo pipefail
exe=$(readlink -f "$1")
shift
dir=$(dirname "$exe")
export WINEPREFIX="${QUILLON_UI_WINEPREFIX:-$dir/wine-ui}" WINEARCH=${WINEARCH:-win32}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
report="$dir/$(basename "$exe" .exe)-report.xml"
rm -f "$report"

mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1

# The program's output goes to a file: a program started by the desktop has no console of ours.
log="$dir/$(basename "$exe" .exe)-output.txt"
xvfb-run -a -s "-screen 0 1024x768x24" \
    wine explorer /desktop=quillon-test,1024x768 "$exe" \
    "--gtest_output=xml:$(winepath -w "$report")" "$@" </dev/null >"$log" 2>&1 || true
cat "$log"
if [ ! -s "$report" ]; then
    echo "run-under-wine: $(basename "$exe") wrote no report" >&2
    exit 1
fi
# <testsuites tests="N" failures="F" disabled="D" errors="E" ...>
summary=$(grep -m1 -o '<testsuites [^>]*>' "$report")
field() { sed -n "s/.* $1=\"\([0-9]*\)\".*/\1/p" <<<"$summary"; }
echo "run-under-wine: $(field tests) tests, $(field failures) failures, $(field errors) errors"
[ "$(field tests)" -gt 0 ] && [ "$(field failures)" = 0 ] && [ "$(field errors)" = 0 ]
