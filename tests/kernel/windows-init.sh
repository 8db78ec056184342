#!/bin/busybox sh
# The first process of the Windows guest: loads the kernel modules, mounts the build machine's
# root file system (QEMU shares it read-only over virtio-9p) with tmpfs where programs write,
# and switches into it, where windows-guest.sh runs the cases with the machine's own bash, udev,
# Xvfb and Wine. /test.env (exported to the guest script) says where the host's files are.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
exec 3>/dev/ttyS1
die() {
    echo "FAIL guest: $*" >&3
    poweroff -f
}
set -a
. /test.env
set +a
while read -r m; do
    insmod "/lib/modules/$m" || die "insmod $m failed"
done < /lib/modules/modules.load
mkdir -p /newroot
# cache=loose: without the page cache (cache=none or mmap) the Windows programs crash in Wine.
mount -t 9p -o trans=virtio,version=9p2000.L,ro,cache=loose,msize=262144 hostroot /newroot ||
    die "cannot mount the host's root file system"
# A checkout under one of the tmpfs places below (a clone in /tmp or /root) would be hidden by
# it: it is held on a bind mount in the initramfs meanwhile and moved back over the tmpfs.
hidden=
case "$QUILLON_ROOT" in
    /tmp/* | /run/* | /var/tmp/* | /var/lib/xkb/* | /root/*)
        hidden=1
        mkdir -p /checkout
        mount -o bind "/newroot$QUILLON_ROOT" /checkout || die "cannot hold $QUILLON_ROOT"
        ;;
esac
for d in tmp run var/tmp var/lib/xkb root; do
    mount -t tmpfs tmpfs "/newroot/$d" || die "cannot mount tmpfs on /$d"
done
if [ -n "$hidden" ]; then
    mkdir -p "/newroot$QUILLON_ROOT"
    mount --move /checkout "/newroot$QUILLON_ROOT" || die "cannot show $QUILLON_ROOT"
fi
mount --move /dev /newroot/dev
mount --move /proc /newroot/proc
mount --move /sys /newroot/sys
exec 3>&-
# switch_root, not chroot: udevadm refuses to work inside a chroot.
exec switch_root /newroot /bin/bash "$QUILLON_ROOT/tests/kernel/windows-guest.sh"
