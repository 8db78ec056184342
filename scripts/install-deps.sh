#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build's Debian 12 packages is missing. Needs root (or
# sudo) only when something is missing. Extra groups: "fuzz" (clang and its fuzzer runtime),
# "kernel" (what the real-kernel test needs: QEMU, a static busybox, cpio, xz), "mingw" (the
# MinGW-w64 cross compilers alone, for the Windows zip), "windows" (the
# MinGW-w64 cross compilers, Wine with its 32-bit half, Xvfb, GoogleTest's sources, ImageMagick,
# a CJK font for the Windows screenshot).
set -euo pipefail

windows=0
packages=(
    cmake g++ make pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev
    qt6-base-dev fonts-wqy-microhei
    help2man dpkg-dev file
)
for group in "$@"; do
    case "$group" in
        fuzz) packages+=(clang libclang-rt-14-dev) ;;
        kernel) packages+=(qemu-system-x86 busybox-static cpio xz-utils) ;;
        mingw) packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix) ;;
        windows)
            packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest
                wine wine32:i386 fonts-wine xvfb imagemagick fonts-wqy-microhei)
            windows=1
            ;;
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
# The 32-bit Wine that runs the shipped 32-bit programs comes from the i386 architecture.
if [ "$windows" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get -o DPkg::Lock::Timeout=1200 update -qq
$sudo apt-get -o DPkg::Lock::Timeout=1200 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
