#!/usr/bin/env bash
# Installs, with apt-get, what the real-kernel test needs besides the build: QEMU, a static
# busybox for the initramfs, cpio and xz.
set -euo pipefail

packages=(qemu-system-x86 busybox-static cpio xz-utils)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
