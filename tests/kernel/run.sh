#!/usr/bin/env bash
# The real-device tests under QEMU (software emulation) on Debian's kernel, where simulated
# devices become real kernel HID devices through uhid (quillon-simd).
#   run.sh          the real-kernel test: an initramfs with busybox, statically linked quillon
#                   and quillon-simd and the examples; the real tool runs through its hidraw
#                   backend.
#   run.sh windows  the Windows real-device test: the guest runs this machine's own file system
#                   (shared read-only over virtio-9p) with udevd, Xvfb and Wine, and the Windows
#                   programs run through their Win32 HID backend over Wine's HID stack
#                   (tests/kernel/windows-guest.sh).
# Both pass only on the guest's explicit PASS line and fail on a time-out (KERNEL_TEST_TIMEOUT,
# 300 s; 600 s for windows). Work files go to KERNEL_TEST_DIR (default build-kernel/).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=${KERNEL_TEST_DIR:-$root/build-kernel}
mode=${1:-hidraw}
case "$mode" in
    hidraw) limit=${KERNEL_TEST_TIMEOUT:-300} ;;
    windows) limit=${KERNEL_TEST_TIMEOUT:-600} ;;
    *) echo "usage: run.sh [windows]" >&2; exit 2 ;;
esac
mkdir -p "$work"

if [ "$mode" = windows ]; then
    "$root/scripts/install-deps.sh" kernel windows
else
    "$root/scripts/install-deps.sh" kernel
fi
"$here/fetch-kernel.sh" "$work/kernel"

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
# The static programs' tree sits beside build/, at the same depth, so that a compiler cache
# (CI's) finds their objects, compiled with the same flags, under the same relative paths.
static=$root/build-static
cmake -S "$root" -B "$static" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_STATIC=ON \
    -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF -DQUILLON_WERROR="$werror" >/dev/null
cmake --build "$static" -j2 --target quillon quillon-simd

# What the in-process simulator prints for the same devices; the guest must print the same.
expect() {
    name=$1 fw=$2
    shift 2
    "$static/quillon" update "$root/examples/$fw.fw" --simulate "$@" --virtual-time \
        > "$expected/$name.out" 2>/dev/null || true
}
[ "$mode" = windows ] && out=$work/windows || out=$work
expected=$out/expected
rm -rf "$expected" && mkdir -p "$expected"
if [ "$mode" = windows ]; then
    # Wine 8.0 gives a HID device one interface, of its first top-level collection, so the
    # Windows cases use devices with the vendor collection alone (the default devices).
    expect model3 scanner-model3
    expect dialog scanner-model3
else
    expect model3 scanner-model3 "$here/scenarios/model3-composite.json"
fi
expect model6 bt-module-model6
expect spi spi-model3
expect vanishes scanner-model3 "$here/scenarios/model3-vanishes.json"

qemu=(qemu-system-x86_64 -accel tcg -nodefaults -no-reboot -display none
    -kernel "$work/kernel/vmlinux" -append "console=ttyS0 panic=-1 quiet")
if [ "$mode" = windows ]; then
    # The programs of the build that runs under this machine's Wine, and the Wine prefix they run
    # in, made here (a cold start in the guest would take minutes).
    cd "$root"
    . scripts/windows-build.sh
    configure_windows "$WIN_BUILD"
    cmake --build "$WIN_BUILD" -j2 --target quillon quillon_gui quillon_box_answerer
    prefix=$out/wine-$WIN_ARCH
    mkdir -p "$out"
    if [ ! -f "$prefix/system.reg" ]; then
        rm -rf "$prefix"
        (
            export WINEPREFIX=$prefix WINEARCH=$WIN_ARCH WINEDEBUG=-all
            export WINEDLLOVERRIDES="mscoree,mshtml="
            wineboot -i
            # Wine 8.0 without SDL would leave winebus's udev bus unstarted.
            wine reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' \
                /t REG_DWORD /d 0 /f
            wineserver -w
        ) >/dev/null 2>&1
        [ -f "$prefix/system.reg" ] || { echo "kernel test: no Wine prefix made" >&2; exit 1; }
    fi
    cat > "$out/test.env" <<EOF
QUILLON_ROOT=$root
WIN_BUILD=$root/$WIN_BUILD
WINEPREFIX=$prefix
WINEARCH=$WIN_ARCH
SIMD_DIR=$static
EXPECTED_DIR=$expected
EOF
    "$here/make-initramfs.sh" --windows "$out/initramfs.cpio.gz" "$work/kernel" "$out/test.env"
    # SMAP off: with it, QEMU 7.2's TCG kills Wine's processes as they return from the kernel.
    # The guest's clock counts instructions (1 ns each) while it runs: on a busy build machine
    # the emulation slows down without its time running on, so Wine's path to the device (several
    # processes, under emulation) cannot miss the tool's 1000 ms read wait for want of host CPU.
    # Counting needs a single processor (SMP bring-up hangs with it).
    qemu+=(-cpu max,-smap -smp 1 -icount shift=0 -m 3072 -initrd "$out/initramfs.cpio.gz"
        -fsdev local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap
        -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot)
else
    "$here/make-initramfs.sh" "$out/initramfs.cpio.gz" "$work/kernel" "$static" "$expected"
    qemu+=(-smp 2 -m 512 -initrd "$out/initramfs.cpio.gz")
fi

rm -f "$out/console.log" "$out/results.log"
start=$(date +%s)
set +e
timeout "$limit" "${qemu[@]}" -serial "file:$out/console.log" -serial "file:$out/results.log"
status=$?
set -e
echo "== guest results ($(($(date +%s) - start)) s)"
# The guest's serial line ends its lines with CR LF.
tr -d '\r' < "$out/results.log" > "$out/results.txt" 2>/dev/null || true
cat "$out/results.txt"

if [ "$status" -eq 124 ]; then
    echo "kernel test ($mode): timed out after $limit s; the console said:"
    tail -n 60 "$out/console.log" || true
    exit 1
fi
if [ "$(tail -n 1 "$out/results.txt")" != "PASS" ]; then
    echo "kernel test ($mode): no PASS line (qemu exited $status); the console said:"
    tail -n 100 "$out/console.log" || true
    exit 1
fi
echo "kernel test ($mode): PASS"
