#!/usr/bin/env bash
# The Windows build and its tests: installs the group "windows", cross-builds the 32-bit and the
# 64-bit programs (build-win32, build-win64) and, in the build that runs under this machine's
# Wine (scripts/windows-build.sh: the 32-bit one, or the 64-bit one where 32-bit Wine cannot be
# had), the tests, which then run under Wine in a prefix of their own (BUILD/wine). Extra
# arguments go to ctest. Nothing is rerun: a test that fails once fails the stage.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows
. scripts/windows-build.sh

programs=(quillon quillon_gui)
tests=(quillon_tests quillon_soak quillon_dialog_tests quillon_box_answerer)
for dir in build-win32 build-win64; do
    configure_windows "$dir"
    targets=("${programs[@]}")
    [ "$dir" = "$WIN_BUILD" ] && targets+=("${tests[@]}")
    cmake --build "$dir" -j2 --target "${targets[@]}"
done

# Wine in a prefix in the build dir, with one wineserver for the run (ctest would otherwise wait
# on the output of the servers that each test's wine start spawns), and every start through
# "${fixed_layout[@]}" (scripts/windows-build.sh).
start_wine "$PWD/$WIN_BUILD/wine"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

# The dialog's UI test runs with the others, as the ctest entry DialogUi: on its own Xvfb screen,
# in a Wine prefix and server of its own (BUILD/wine-ui). The README's screenshot is not retaken
# here; scripts/screenshot-windows.sh does that on demand.
"${fixed_layout[@]}" ctest --test-dir "$WIN_BUILD" --output-on-failure -j2 "$@"
