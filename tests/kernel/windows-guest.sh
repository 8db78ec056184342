#!/bin/bash
# The Windows real-device test's cases, run inside the QEMU guest on the build machine's own file
# system: quillon-simd makes kernel HID devices through uhid, udevd announces them, and Wine's HID
# stack (winebus on hidraw, hidclass, hid.dll, SetupAPI) carries them to the Windows programs,
# which update them through their Win32 HID backend. Each case checks what the real-kernel test
# checks; one update goes through Quillon.exe on Xvfb, its boxes answered by the test. Results go
# to the second serial port; the last line is PASS only when every case passed.
# From windows-init.sh: QUILLON_ROOT, WIN_BUILD (quillon.exe, dialog/Quillon.exe and
# quillon_box_answerer.exe), WINEPREFIX (made on the host), WINEARCH, SIMD_DIR (quillon-simd),
# EXPECTED_DIR.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin:$SIMD_DIR
# The host's 64-bit fallback: wine through the 64-bit loader it left in the build folder.
if [ -d "$WIN_BUILD/wine64-loader" ]; then export PATH="$WIN_BUILD/wine64-loader:$PATH"; fi
export HOME=/root LANG=C.UTF-8
# Every Wine start with address-space randomization off, as scripts/test-windows.sh does: this
# Wine has no preloader, and a randomly placed heap now and then takes the page Wine must map.
if [ -z "${QUILLON_FIXED_LAYOUT:-}" ]; then
    export QUILLON_FIXED_LAYOUT=1
    exec setarch "$(uname -m)" -R /bin/bash "$0" "$@"
fi
exec 3>/dev/ttyS1
guest_start=$(date +%s)
QUILLON="wine $WIN_BUILD/quillon.exe" EXAMPLES=$QUILLON_ROOT/examples EXPECTED=$EXPECTED_DIR
SIMD_LOG=/tmp/simd.log
scenarios=$QUILLON_ROOT/tests/kernel/scenarios
. "$QUILLON_ROOT/tests/kernel/cases.sh"

# quillon.exe's updates keep a trace of the HID link, shown when a case fails.
RUN="update --trace /tmp/update.trace"
failure_details() {
    echo "quillon-simd said:"
    tail -n 20 "$SIMD_LOG"
    if [ -s /tmp/update.trace ]; then
        echo "the last of the HID link:"
        tail -n 30 /tmp/update.trace
    fi
    rm -f /tmp/update.trace
}
# The guest clock counts instructions (run.sh), so it reads far less than the time on the host.
elapsed() { echo "$(($(date +%s) - guest_start)) s"; }
power_off() {
    exec 3>&-
    sync
    busybox poweroff -f
}

mkdir -p /dev/shm && mount -t tmpfs tmpfs /dev/shm
# Wine's winebus follows hot-plug through udev's events (without udevd it never sees a device
# that was re-created under a new identity). When a device's removal and its last report wait
# together, winebus queues the removal first and the report is lost; quillon-simd restarts a
# device the moment it has answered JumpTo, where a USB device is seen gone only well after its
# last report. Removals are therefore announced a little late.
mkdir -p /run/udev/rules.d
echo 'ACTION=="remove", SUBSYSTEM=="hidraw", RUN+="/bin/sleep 0.2"' \
    > /run/udev/rules.d/99-late-remove.rules
/lib/systemd/systemd-udevd --daemon || { result "FAIL guest: udevd did not start"; power_off; }
udevadm trigger --action=add && udevadm settle
echo "== udevd up at $(elapsed)"

# The prefix was made on the host and is read-only here; the guest's writes go to tmpfs. Wine
# uses only a prefix owned by the user that runs it.
mkdir -p /tmp/prefix/upper /tmp/prefix/work
mount -t overlay overlay \
    -o "lowerdir=$WINEPREFIX,upperdir=/tmp/prefix/upper,workdir=/tmp/prefix/work" "$WINEPREFIX" ||
    { result "FAIL guest: no overlay for the Wine prefix"; power_off; }
chown 0:0 "$WINEPREFIX"
# Wine's debug output stays off (and off the 9p share): written there, it slowed transfers past
# the 1000 ms read wait.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# One X screen for the whole guest, there before Wine's first window station is made.
Xvfb :1 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
export DISPLAY=:1
cd /tmp
wineserver -p
wine cmd /c exit >/dev/null 2>&1
echo "== Wine up at $(elapsed)"

# Wine needs a moment to carry a new kernel device up to SetupAPI: waits until quillon.exe list
# shows a line that matches each of the patterns given (list.out).
listed() {
    local i p missing
    for i in $(seq 30); do
        wine "$WIN_BUILD/quillon.exe" list 2>&1 | tr -d '\r' > list.out
        missing=0
        for p in "$@"; do grep -qE -- "$p" list.out || missing=1; done
        [ $missing = 0 ] && return 0
        sleep 1
    done
    fail "Wine did not list the device within 30 attempts"
    cat list.out
    return 1
}
device_ready() {
    rm -f /tmp/update.trace
    listed "  family$"
}
# Wine hears of a removal late (the udev rule above), and until then lists the removed device;
# the next case's device_ready would take it for its own, and its first write fails.
devices_gone() {
    local i
    for i in $(seq 30); do
        wine "$WIN_BUILD/quillon.exe" list 2>&1 | tr -d '\r' | grep -q "  family$" || return 0
        sleep 1
    done
    fail "Wine still listed a removed device after 30 attempts"
}

# quillon.exe list shows both family devices. (Wine 8.0 gives a device one interface only, of its
# first top-level collection, so the devices here have the vendor collection alone.)
case_list() {
    case_name=list
    start_simd 2 "$scenarios/list-plain.json" || return
    listed '  0581:0115  usage FF00:0001  in 64 out 64  family$' \
        '  1EAB:3303  usage FF00:0001  in 64 out 64  family$'
    rc=$?
    stop_simd || { fail "quillon-simd failed"; return; }
    cat list.out
    [ $rc -eq 0 ] && ok
}

case_list
echo "== list done at $(elapsed)"
# Boot switch and re-enumeration: the device is destroyed and re-created, and Wine must follow.
case_update model3 scanner-model3 0 mcu:0x8000:20000 --for "$EXAMPLES/scanner-model3.fw"
# The Bluetooth module model, the default device for its file.
case_update model6 bt-module-model6 0 mcu:0x10000:9000 --for "$EXAMPLES/bt-module-model6.fw"
# An SPI flash image.
case_update spi spi-model3 0 spi:0x10000:12388 --for "$EXAMPLES/spi-model3.fw"
# The device vanishes in the middle of writing.
case_update vanishes scanner-model3 1 mcu:0x8000:20000 "$scenarios/model3-vanishes.json"
echo "== quillon.exe cases done at $(elapsed)"
# The same boot-switch update through the dialog, Quillon.exe --start FILE.fw on the real
# backend: the answerer prints each box's text, which must be what quillon update prints.
QUILLON="wine $WIN_BUILD/quillon_box_answerer.exe 150 $WIN_BUILD/dialog/Quillon.exe" RUN=--start \
    case_update dialog scanner-model3 0 mcu:0x8000:20000 --for "$EXAMPLES/scanner-model3.fw"
echo "== dialog done at $(elapsed)"

wineserver -k
result "guest clock $(elapsed)"
finish
power_off
