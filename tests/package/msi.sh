#!/usr/bin/env bash
# The Windows installer under Wine, used as a deployment tool uses it: a silent per-machine
# install, the installed command line run (its version, an update of an example on the
# simulator), an upgrade in place by a higher version made from the same programs, the lower one
# refused, a silent removal, and nothing left behind (files, Start-menu entry, registry, the
# cached package). Runs the MSI of the build that runs under this machine's Wine
# (scripts/windows-build.sh), in a fresh prefix of its own.
# Usage: tests/package/msi.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
scripts/install-deps.sh windows mingw
. scripts/windows-build.sh

# A second run at once waits: it would package again and remove this one's prefix.
mkdir -p "$WIN_BUILD"
exec {lock}>"$WIN_BUILD/.msi-test.lock"
flock "$lock"

# The programs that the Windows stage built are packaged as they are.
if [ ! -f "$WIN_BUILD/quillon.exe" ] || [ ! -f "$WIN_BUILD/dialog/Quillon.exe" ]; then
    echo "!!! NO WINDOWS PROGRAMS FROM THE WINDOWS STAGE IN $WIN_BUILD: BUILDING THEM NOW !!!" >&2
fi
# One time in the stripped programs' headers for both packages: the same programs in each.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(date +%s)}
packages=$(ARCHES=$WIN_ARCH scripts/package-windows.sh)
msi=$(grep '\.msi$' <<<"$packages")
version=$(basename "$msi" .msi | sed "s/^quillon-//; s/-$WIN_ARCH\$//")
code=$(sed -n 's/.*<?define ProductCode = "\(.*\)"?>.*/\1/p' "$WIN_BUILD/quillon.wxs")
upgrade_code=$(sed -n 's/.*UpgradeCode="\([^"]*\)".*/\1/p' "$WIN_BUILD/quillon.wxs")
echo "package: $msi (ProductCode $code)"

work=$root/$WIN_BUILD/msi-test
rm -rf "$work"
mkdir -p "$work/run"
cp "$msi" "$work/"
# A higher version from the same programs, with a ProductCode of its own.
IFS=. read -r major minor patch <<<"$version"
higher=$major.$minor.$((patch + 1))
higher_code="{$(tr a-f A-F </proc/sys/kernel/random/uuid)}"
higher_msi=quillon-$higher-$WIN_ARCH.msi
packaging/windows/make-msi.sh "$WIN_BUILD" "$work/$higher_msi" "Version=$higher" \
    "ProductCode=$higher_code"

start_wine "$work/wine"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
cd "$work"

fail() {
    echo "msi: $*" >&2
    exit 1
}
# msiexec from the package's folder, silent, with a verbose log; wine hands on its exit status
# modulo 256 (1603 is seen as 67).
run_msiexec() {
    local want=$1 log=$2 status=0
    shift 2
    "${fixed_layout[@]}" wine msiexec "$@" /qn /l*v "$log" </dev/null >/dev/null 2>&1 || status=$?
    if [ $status -ne $((want % 256)) ]; then
        tail -n 40 "$log" >&2 || true
        fail "msiexec $*: exit status $status, expected $want ($((want % 256)) through wine)"
    fi
}
reg_query() { "${fixed_layout[@]}" wine reg query "$@" </dev/null 2>/dev/null | tr -d '\r'; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# The products in the uninstall list named Quillon, by ProductCode, with their versions.
products() {
    reg_query "$uninstall_key" /s | awk '
        /^HKEY_/ { key = $0; sub(/.*\\/, "", key) }
        $1 == "DisplayName" { name[key] = $3 }
        $1 == "DisplayVersion" { version[key] = $3 }
        END { for (k in name) if (name[k] == "Quillon") print k, version[k] }' | sort
}
# Wine's installer puts a per-machine shortcut in the user's Start menu, not the common one.
shortcuts() { find "$WINEPREFIX/drive_c" -iname 'Quillon.lnk'; }
# The prefix is 32-bit for the win32 package, 64-bit for the win64 one: Program Files either way.
install_dir="$WINEPREFIX/drive_c/Program Files/Quillon"

# Everything installed where the package says, byte for byte the programs of the zip.
check_installed() {
    local installed expected
    installed=$(cd "$install_dir" && find . -type f | sort)
    expected=$(cd "$root/$WIN_BUILD/msi-stage" && find . -type f | sort)
    [ "$installed" = "$expected" ] || fail "installed: $installed; expected: $expected"
    for f in $expected; do
        cmp -s "$install_dir/$f" "$root/$WIN_BUILD/msi-stage/$f" || fail "$f: not the package's"
    done
    [ "$(shortcuts | wc -l)" = 1 ] || fail "Start-menu shortcuts: $(shortcuts)"
    strings -a "$(shortcuts)" | grep -qxF 'C:\Program Files\Quillon\Quillon.exe' ||
        fail "the shortcut does not start the dialog"
    [ "$(products)" = "$1 $2" ] || fail "products installed: $(products); expected $1 $2"
    reg_query 'HKLM\Software\Quillon' /v Version | grep -q "REG_SZ *$2\$" ||
        fail "HKLM\\Software\\Quillon: $(reg_query 'HKLM\Software\Quillon')"
}

run_msiexec 0 install.log /i "$(basename "$msi")"
check_installed "$code" "$version"
echo "installed $version: $(tr '\n' ' ' <<<"$(cd "$install_dir" && find . -type f | sort)")"

cli='C:\Program Files\Quillon\cli\quillon.exe'
cd run
out=$("${fixed_layout[@]}" wine "$cli" --version </dev/null 2>&1 | tr -d '\r')
[ "$out" = "quillon $version" ] || fail "quillon.exe --version: $out"
example=scanner-model3
status=0
out=$("${fixed_layout[@]}" wine "$cli" update "$(winepath -w "$root/examples/$example.fw")" \
    --simulate --virtual-time --dump-flash flash.bin </dev/null 2>update.err | tr -d '\r') ||
    status=$?
[ $status -eq 0 ] && [ "$(tail -n 1 <<<"$out")" = "완료" ] ||
    { cat update.err >&2; fail "installed quillon.exe update: exit status $status, output: $out"; }
cmp flash.bin "$root/examples/$example.bin" || fail "the simulated flash is not the image"
cd ..
echo "installed quillon.exe: --version and an update of $example.fw on the simulator"

run_msiexec 0 upgrade.log /i "$higher_msi"
check_installed "$higher_code" "$higher"
echo "upgraded in place to $higher: one product left"

run_msiexec 1603 downgrade.log /i "$(basename "$msi")"
grep -q 'WIX_DOWNGRADE_DETECTED = ' downgrade.log || fail "no downgrade detected in downgrade.log"
check_installed "$higher_code" "$higher"
echo "$version over $higher: refused (1603), $higher kept"

run_msiexec 0 uninstall.log /x "$higher_code"
[ ! -e "$install_dir" ] || fail "left in Program Files: $(find "$install_dir")"
[ -z "$(shortcuts)" ] || fail "shortcut left: $(shortcuts)"
[ -z "$(products)" ] || fail "still in the uninstall list: $(products)"
[ -z "$(find "$WINEPREFIX/drive_c/windows/Installer" -type f)" ] ||
    fail "cached packages left: $(find "$WINEPREFIX/drive_c/windows/Installer" -type f)"
# The registry as Wine saves it when its server ends: nothing of Quillon, under its name or
# its codes in the packed form of Windows Installer's own keys.
wineserver -k
wineserver -w
packed() {
    local hex=${1//[\{\}-]/} out="" i
    for i in 7 6 5 4 3 2 1 0 11 10 9 8 15 14 13 12; do out+=${hex:i:1}; done
    for ((i = 16; i < 32; i += 2)); do out+=${hex:i+1:1}${hex:i:1}; done
    echo "$out"
}
left=$(grep -i -n -e quillon -e "$(packed "$code")" -e "$(packed "$higher_code")" \
    -e "$(packed "$upgrade_code")" -e "${code//[\{\}]/}" -e "${higher_code//[\{\}]/}" \
    "$WINEPREFIX"/*.reg || true)
[ -z "$left" ] || fail "left in the registry: $left"
echo "removed: no files, no shortcut, nothing in the registry"
