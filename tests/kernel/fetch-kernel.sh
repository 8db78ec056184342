#!/usr/bin/env bash
# Fetches Debian's current amd64 kernel package with apt-get download (nothing is installed) and
# leaves in OUT_DIR the uncompressed vmlinux, which QEMU boots without decompressing it, and the
# modules that the guests load, with those they depend on: the HID modules (hid, hid-generic,
# uhid) and, for the Windows guest, virtio-pci, 9p over virtio and overlayfs. modules.load lists
# the .ko files in an order in which insmod can load them. Usage: fetch-kernel.sh OUT_DIR
set -euo pipefail
out=$1
wanted=(hid hid_generic uhid virtio_pci 9pnet_virtio 9p overlay)
mkdir -p "$out"
cd "$out"
complete() {
    [ -s vmlinux ] && [ -s modules.load ] || return 1
    local f
    while read -r f; do [ -s "$f" ] || return 1; done < modules.load
    for f in "${wanted[@]}"; do [ -s "${f//_/-}.ko" ] || [ -s "$f.ko" ] || return 1; done
}
complete && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
# The metapackage names the kernel package of the day.
if ! apt-cache show linux-image-amd64 >/dev/null 2>&1; then $sudo apt-get update -qq || true; fi
pkg=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
[ -n "$pkg" ] || { echo "fetch-kernel: no kernel package behind linux-image-amd64" >&2; exit 1; }
rm -f ./*.deb ./*.ko modules.load
# apt's download sandbox cannot write here; the warning about that is harmless.
apt-get download -q "$pkg" 2>&1 | grep -v "couldn't be accessed by user '_apt'" || true
deb=$(ls ./*.deb)

rm -rf unpacked && mkdir unpacked
dpkg-deb --fsys-tarfile "$deb" |
    tar -x -C unpacked --wildcards './boot/vmlinuz-*' './lib/modules/*/kernel/drivers/hid/*' \
        './lib/modules/*/kernel/drivers/virtio/*' './lib/modules/*/kernel/fs/*' \
        './lib/modules/*/kernel/net/9p/*'

# Each module's dependencies come from the "depends=" field of its .modinfo section; a module
# is listed after everything it depends on. Module names use "_" where file names may use "-".
declare -A path=() done=()
while read -r f; do
    name=$(basename "$f" .ko)
    path[${name//-/_}]=$f
done < <(find unpacked -name '*.ko')
add() {
    local name=$1 dep
    [ -n "${done[$name]:-}" ] && return
    [ -n "${path[$name]:-}" ] || { echo "fetch-kernel: module $name not in $pkg" >&2; exit 1; }
    for dep in $(tr '\0' '\n' < "${path[$name]}" | sed -n 's/^depends=//p' | tr ',' ' '); do
        add "$dep"
    done
    done[$name]=1
    cp "${path[$name]}" .
    basename "${path[$name]}" >> modules.load
}
for m in "${wanted[@]}"; do add "$m"; done

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
echo "fetch-kernel: $pkg, vmlinux $(stat -c %s vmlinux) bytes, $(wc -l < modules.load) modules"
