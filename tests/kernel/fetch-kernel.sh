#!/usr/bin/env bash
# Fetches Debian's current amd64 kernel package with apt-get download (nothing is installed) and
# leaves in OUT_DIR the uncompressed vmlinux, which QEMU boots without decompressing it, and the
# modules hid.ko, hid-generic.ko and uhid.ko. Usage: fetch-kernel.sh OUT_DIR
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
[ -s vmlinux ] && [ -s uhid.ko ] && [ -s hid-generic.ko ] && [ -s hid.ko ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
# The metapackage names the kernel package of the day.
if ! apt-cache show linux-image-amd64 >/dev/null 2>&1; then $sudo apt-get update -qq; fi
pkg=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
[ -n "$pkg" ] || { echo "fetch-kernel: no kernel package behind linux-image-amd64" >&2; exit 1; }
rm -f ./*.deb
# apt's download sandbox cannot write here; the warning about that is harmless.
apt-get download -q "$pkg" 2>&1 | grep -v "couldn't be accessed by user '_apt'" || true
deb=$(ls ./*.deb)

rm -rf unpacked && mkdir unpacked
dpkg-deb --fsys-tarfile "$deb" |
    tar -x -C unpacked --wildcards './boot/vmlinuz-*' './lib/modules/*/kernel/drivers/hid/hid.ko' \
        './lib/modules/*/kernel/drivers/hid/hid-generic.ko' './lib/modules/*/kernel/drivers/hid/uhid.ko'
cp unpacked/lib/modules/*/kernel/drivers/hid/{hid,hid-generic,uhid}.ko .

# The bzImage keeps the compressed kernel at payload_offset (boot protocol 2.08 on), counted from
# the end of the setup sectors; a 4-byte size trails the xz stream.
bz=$(ls unpacked/boot/vmlinuz-*)
u8() { od -An -tu1 -j "$1" -N1 "$bz" | tr -d ' '; }
u32() { od -An -tu4 -j "$1" -N4 "$bz" | tr -d ' '; }
setup=$(u8 $((0x1F1)))
[ "$setup" -eq 0 ] && setup=4
offset=$(( (setup + 1) * 512 + $(u32 $((0x248))) ))
length=$(u32 $((0x24C)))
dd if="$bz" iflag=skip_bytes,count_bytes skip="$offset" count="$length" bs=1M status=none |
    xz -dc --single-stream > vmlinux.tmp
mv vmlinux.tmp vmlinux
rm -rf unpacked "$deb"
echo "fetch-kernel: $pkg, vmlinux $(stat -c %s vmlinux) bytes"
