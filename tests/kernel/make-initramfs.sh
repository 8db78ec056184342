#!/usr/bin/env bash
# Packs the real-kernel test's initramfs: busybox, the statically linked quillon and
# quillon-simd, the three HID modules, the guest's scripts, scenarios and the shipped examples.
# EXPECTED_DIR holds the texts that the in-process simulator printed for each update case.
# Usage: make-initramfs.sh OUT.cpio.gz KERNEL_DIR BIN_DIR EXPECTED_DIR
set -euo pipefail
out=$1 kernel=$2 bin=$3 expected=$4
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage"/{bin,dev,etc,proc,sys,tmp,lib/modules,test/examples,test/scenarios,test/expected}
cp /bin/busybox "$stage/bin/busybox"
for p in quillon quillon-simd; do
    # Nothing from the build machine's libraries is in the guest.
    if ldd "$bin/$p" >/dev/null 2>&1; then echo "make-initramfs: $p is not static" >&2; exit 1; fi
    strip -o "$stage/bin/$p" "$bin/$p"
done
cp "$kernel"/{hid,hid-generic,uhid}.ko "$stage/lib/modules/"
cp "$here/init.sh" "$stage/init"
cp "$here/guest.sh" "$root/udev/70-quillon.rules" "$stage/test/"
cp "$here"/scenarios/*.json "$stage/test/scenarios/"
cp "$expected"/*.out "$stage/test/expected/"
# A user without rights for the permission case.
printf 'root:x:0:0::/:/bin/sh\nnobody:x:65534:65534::/tmp:/bin/sh\n' > "$stage/etc/passwd"
printf 'root:x:0:\nnogroup:x:65534:\n' > "$stage/etc/group"
cp "$root"/examples/*.fw "$root"/examples/*.bin "$stage/test/examples/"
chmod 755 "$stage" "$stage/init"
(cd "$stage" && find . | cpio -o -H newc -R 0:0 --quiet) | gzip -1 > "$out"
