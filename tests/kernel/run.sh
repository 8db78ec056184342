#!/usr/bin/env bash
# The real-kernel test: boots Debian's kernel under QEMU (software emulation) with an initramfs
# that holds busybox, statically linked quillon and quillon-simd and the examples; inside,
# simulated devices become real kernel HID devices through uhid and the real tool runs against
# them through its hidraw backend. Passes only on the guest's explicit PASS line; fails on a
# time-out. Work files go to KERNEL_TEST_DIR (default build-kernel/).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=${KERNEL_TEST_DIR:-$root/build-kernel}
limit=${KERNEL_TEST_TIMEOUT:-300}
mkdir -p "$work"

"$root/scripts/install-deps.sh" kernel
"$here/fetch-kernel.sh" "$work/kernel"

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$root" -B "$work/static" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_STATIC=ON \
    -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF -DQUILLON_WERROR="$werror" >/dev/null
cmake --build "$work/static" -j2 --target quillon quillon-simd

# What the in-process simulator prints for the same devices; the guest must print the same.
expect() {
    name=$1 fw=$2
    shift 2
    "$work/static/quillon" update "$root/examples/$fw.fw" --simulate "$@" --virtual-time \
        > "$work/expected/$name.out" 2>/dev/null || true
}
rm -rf "$work/expected" && mkdir -p "$work/expected"
expect model3 scanner-model3 "$here/scenarios/model3-composite.json"
expect model6 bt-module-model6
expect spi spi-model3
expect vanishes scanner-model3 "$here/scenarios/model3-vanishes.json"

"$here/make-initramfs.sh" "$work/initramfs.cpio.gz" "$work/kernel" "$work/static" "$work/expected"

rm -f "$work/console.log" "$work/results.log"
start=$(date +%s)
set +e
timeout "$limit" qemu-system-x86_64 -accel tcg -smp 2 -m 512 -nodefaults -no-reboot \
    -display none -kernel "$work/kernel/vmlinux" -initrd "$work/initramfs.cpio.gz" \
    -append "console=ttyS0 panic=-1 quiet" \
    -serial "file:$work/console.log" -serial "file:$work/results.log"
qemu=$?
set -e
echo "== guest results ($(($(date +%s) - start)) s)"
# The guest's serial line ends its lines with CR LF.
tr -d '\r' < "$work/results.log" > "$work/results.txt" 2>/dev/null || true
cat "$work/results.txt"

if [ "$qemu" -eq 124 ]; then
    echo "kernel test: timed out after $limit s; the console said:"
    tail -n 40 "$work/console.log" || true
    exit 1
fi
if [ "$(tail -n 1 "$work/results.txt")" != "PASS" ]; then
    echo "kernel test: no PASS line (qemu exited $qemu); the console said:"
    tail -n 80 "$work/console.log" || true
    exit 1
fi
echo "kernel test: PASS"
