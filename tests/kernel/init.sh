#!/bin/busybox sh
# The first process of the real-kernel test's guest: mounts what the tools need, loads the HID
# modules in dependency order, runs the cases with their results on the second serial port, and
# powers the machine off.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
exec 3>/dev/ttyS1
if insmod /lib/modules/hid.ko && insmod /lib/modules/hid-generic.ko &&
    insmod /lib/modules/uhid.ko; then
    cd /tmp && sh /test/guest.sh
else
    echo "FAIL modules: insmod failed" >&3
fi
exec 3>&-
sync
poweroff -f
