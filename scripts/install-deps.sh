#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build's Debian 12 packages is missing. Needs root (or
# sudo) only when something is missing. The base set includes libsodium (signature checks) and
# minisign (which makes the tests' keys and signatures). Extra groups: "fuzz" or "clang" (Clang
# and its sanitizer and fuzzer runtimes), "kernel" (what the real-kernel tests need: QEMU, a
# static busybox, cpio, xz, udev for the Windows guest), "mingw" (the MinGW-w64 cross compilers,
# the static libgcrypt the Windows programs check signatures with, and wixl, for the Windows zip
# and installer), "windows" (the MinGW-w64 cross compilers and libgcrypt, 64-bit Wine and its
# 32-bit half, Xvfb, GoogleTest's sources, ImageMagick, a CJK font for the Windows screenshot),
# "mender" (Mender's client and artifact tool, for the stage that installs artifacts through the
# update module), "ccache" (the compiler cache CI's builds share).
# A package index that cannot be updated (a mirror in mid-sync) is retried a few times, then the
# install goes on with the index as it is. When packages cannot be had, one line names them and
# why, and the script fails; only 32-bit Wine may be missing, the Windows stages then running
# the x86_64 build under 64-bit Wine (scripts/windows-build.sh says so), Mender's tools, the
# Mender stage then saying that it cannot run, and ccache, CI then compiling every tree in full.
set -euo pipefail

windows=0
packages=(
    cmake g++ make pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev
    qt6-base-dev fonts-wqy-microhei
    help2man dpkg-dev file
    libsodium-dev minisign libvterm-dev
)
optional=()
for group in "$@"; do
    case "$group" in
        fuzz | clang) packages+=(clang libclang-rt-14-dev) ;;
        kernel) packages+=(qemu-system-x86 busybox-static cpio xz-utils udev) ;;
        mingw)
            packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libgcrypt-mingw-w64-dev
                wixl)
            ;;
        windows)
            packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libgcrypt-mingw-w64-dev
                googletest wine wine64 fonts-wine xvfb imagemagick fonts-wqy-microhei)
            optional+=(wine32:i386)
            windows=1
            ;;
        mender) optional+=(mender-client mender-artifact) ;;
        ccache) optional+=(ccache) ;;
        *) echo "install-deps: unknown group $group" >&2; exit 2 ;;
    esac
done

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=() missing_optional=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
for p in "${optional[@]}"; do installed "$p" || missing_optional+=("$p"); done
[ ${#missing[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]} ${missing_optional[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
apt=($sudo apt-get -o DPkg::Lock::Timeout=1200)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
first_error() { grep -m1 '^E:' "$log" | cut -c4- || true; }
# apt names a package that cannot be installed through its first unmet dependency.
unmet() { grep -m1 'Depends:' "$log" | tr -s ' ' | sed 's/^ //' || true; }

# An index fetched within the hour by an earlier run of this script is used as it is; the stamp
# keeps the error that its update ended with.
stamp=${TMPDIR:-/tmp}/quillon-apt-index
index_error=""
# The 32-bit Wine that runs the shipped 32-bit programs comes from the i386 architecture, whose
# index the earlier update did not fetch.
if [ "$windows" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    rm -f "$stamp"
fi
if [ -n "$(find "$stamp" -mmin -60 2>/dev/null)" ]; then
    index_error=$(cat "$stamp")
else
    for attempt in 1 2 3; do
        if "${apt[@]}" update -qq >/dev/null 2>"$log"; then
            index_error=""
            break
        fi
        index_error=$(first_error)
        echo "install-deps: apt-get update failed (attempt $attempt of 3): $index_error" >&2
        [ $attempt -lt 3 ] && sleep 10
    done
    { echo "$index_error" > "$stamp"; } 2>/dev/null || true
    [ -n "$index_error" ] && echo "install-deps: going on with the package index as it is" >&2
fi

install() { "${apt[@]}" install -y -qq --no-install-recommends "$@" >/dev/null 2>"$log"; }
install "${missing[@]}" "${missing_optional[@]}" && exit 0

# Which of them cannot be had, each tried on its own (a simulation), and why.
unavailable=() reason=""
for p in "${missing[@]}" "${missing_optional[@]}"; do
    if ! "${apt[@]}" install -s --no-install-recommends "$p" >"$log" 2>&1; then
        unavailable+=("$p")
        [ -n "$reason" ] || reason=$(unmet)
        [ -n "$reason" ] || reason=$(first_error)
    fi
done
[ -n "$reason" ] || reason=$(install "${missing[@]}" "${missing_optional[@]}" || first_error)
[ -n "$index_error" ] && reason="$reason; the package index had errors: $index_error"
required=()
for p in "${unavailable[@]}"; do
    [[ " ${optional[*]} " == *" $p "* ]] || required+=("$p")
done
if [ ${#unavailable[@]} -eq 0 ] || [ ${#required[@]} -gt 0 ]; then
    echo "install-deps: cannot install ${required[*]:-${missing[*]}}: $reason" >&2
    exit 1
fi
echo "install-deps: cannot install ${unavailable[*]} ($reason); going on without it" >&2
rest=()
for p in "${missing[@]}" "${missing_optional[@]}"; do
    [[ " ${unavailable[*]} " == *" $p "* ]] || rest+=("$p")
done
[ ${#rest[@]} -eq 0 ] || install "${rest[@]}" ||
    { echo "install-deps: cannot install ${rest[*]}: $(first_error)" >&2; exit 1; }
