#!/usr/bin/env bash
# Takes the README's picture of the Windows dialog (docs/windows-dialog.png): Quillon.exe under
# Wine on a private Xvfb screen updates a shipped example on the simulated bus, and the screen is
# taken once the run has ended with its box, cropped to the dialog and the box.
# Needs the i686 build (build-win32, or BUILD_DIR); SHOT_WAIT seconds (default 20) is how long
# the run is given.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build-win32}"
exe="$build/dialog/Quillon.exe"
out="${1:-docs/windows-dialog.png}"
[ -x "$exe" ] || { echo "screenshot-windows: build $exe first (scripts/test-windows.sh)" >&2; exit 1; }

export WINEPREFIX="$PWD/$build/wine-shot" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1

# Wine draws Korean and Chinese as boxes unless its dialog fonts are linked to a CJK font.
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
[ -f "$font" ] || { echo "screenshot-windows: $font missing (Debian: fonts-wqy-microhei)" >&2; exit 1; }
multi_sz() {  # REG_MULTI_SZ of one ASCII string; a REGEDIT4 file gives it in 8-bit characters
    local s=$1 hex="" i
    for ((i = 0; i < ${#s}; i++)); do hex+=$(printf '%02x,' "'${s:i:1}"); done
    echo "hex(7):${hex}00,00"
}
link=$(multi_sz "wqy-microhei.ttc,WenQuanYi Micro Hei")
reg="$WINEPREFIX/fontlink.reg"
{
    echo "REGEDIT4"
    echo
    echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]'
    for face in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Microsoft Sans Serif" "Segoe UI"; do
        echo "\"$face\"=$link"
    done
} >"$reg"
wine regedit /S "$(winepath -w "$reg")" </dev/null >/dev/null 2>&1

mkdir -p "$(dirname "$out")"
shot="$WINEPREFIX/screen.png"
cat >"$WINEPREFIX/take.sh" <<TAKE
wine explorer /desktop=quillon-shot,800x480 "$exe" --simulate examples/scanner-model3.fw --start \
    </dev/null >/dev/null 2>&1 &
sleep "${SHOT_WAIT:-20}"
import -window root "$shot"
TAKE
xvfb-run -a -s "-screen 0 800x480x24" bash "$WINEPREFIX/take.sh"
# Everything but the desktop's plain background: the dialog and its box.
convert "$shot" -trim +repage "$out"
identify "$out"
