#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build's Debian 12 packages is missing. Needs root (or
# sudo) only when something is missing. Extra groups: "fuzz" (clang and its fuzzer runtime),
# "kernel" (what the real-kernel test needs: QEMU, a static busybox, cpio, xz).
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
    qt6-base-dev fonts-wqy-microhei
)
for group in "$@"; do
    case "$group" in
        fuzz) packages+=(clang libclang-rt-14-dev) ;;
        kernel) packages+=(qemu-system-x86 busybox-static cpio xz-utils) ;;
        *) echo "install-deps: unknown group $group" >&2; exit 2 ;;
    esac
done

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
