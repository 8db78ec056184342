#!/usr/bin/env bash
# Packs a guest's initramfs. The real-kernel test's: busybox, the statically linked quillon and
# quillon-simd, the three HID modules, the guest's scripts, scenarios and the shipped examples,
# with EXPECTED_DIR holding the texts that the in-process simulator printed for each update case.
# The Windows guest's: busybox, every module of KERNEL_DIR/modules.load, its init and ENV_FILE
# (/test.env, where the host's files are), since it runs the build machine's own file system.
# Usage: make-initramfs.sh OUT.cpio.gz KERNEL_DIR BIN_DIR EXPECTED_DIR
#        make-initramfs.sh --windows OUT.cpio.gz KERNEL_DIR ENV_FILE
set -euo pipefail
windows=0
[ "$1" = "--windows" ] && { windows=1; shift; }
out=$1 kernel=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage"/{bin,dev,etc,proc,sys,tmp,lib/modules}
cp /bin/busybox "$stage/bin/busybox"
if [ $windows = 1 ]; then
    while read -r m; do cp "$kernel/$m" "$stage/lib/modules/"; done < "$kernel/modules.load"
    cp "$kernel/modules.load" "$stage/lib/modules/"
    cp "$here/windows-init.sh" "$stage/init"
    cp "$3" "$stage/test.env"
else
    bin=$3 expected=$4
    mkdir -p "$stage"/test/{examples,scenarios,expected}
    for p in quillon quillon-simd; do
        # Nothing from the build machine's libraries is in the guest.
        if ldd "$bin/$p" >/dev/null 2>&1; then echo "make-initramfs: $p is not static" >&2; exit 1; fi
        strip -o "$stage/bin/$p" "$bin/$p"
    done
    cp "$kernel"/{hid,hid-generic,uhid}.ko "$stage/lib/modules/"
    cp "$here/init.sh" "$stage/init"
    cp "$here/guest.sh" "$here/cases.sh" "$root/udev/70-quillon.rules" "$stage/test/"
    cp "$here"/scenarios/*.json "$stage/test/scenarios/"
    cp "$expected"/*.out "$stage/test/expected/"
    # A user without rights for the permission case.
    printf 'root:x:0:0::/:/bin/sh\nnobody:x:65534:65534::/tmp:/bin/sh\n' > "$stage/etc/passwd"
    printf 'root:x:0:\nnogroup:x:65534:\n' > "$stage/etc/group"
    cp "$root"/examples/*.fw "$root"/examples/*.bin "$stage/test/examples/"
fi
chmod 755 "$stage" "$stage/init"
(cd "$stage" && find . | cpio -o -H newc -R 0:0 --quiet) | gzip -1 > "$out"
