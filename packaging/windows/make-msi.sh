#!/usr/bin/env bash
# Builds the Windows Installer package of a configured and built Windows tree with wixl, from
# the tree's quillon.wxs (packaging/windows/Msi.cmake) and a stripped install of its programs
# (BUILD/msi-stage, the files of the zip). Extra NAME=VALUE arguments are wixl variables:
# Version=... ProductCode={...} make a package of another version from the same programs.
# Usage: packaging/windows/make-msi.sh BUILD OUTPUT.msi [NAME=VALUE]...
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: make-msi.sh BUILD OUTPUT.msi [NAME=VALUE]..." >&2
    exit 2
fi
build=$1 output=$2
shift 2
wxs=$build/quillon.wxs
[ -f "$wxs" ] || { echo "make-msi: no $wxs: configure a Windows tree first" >&2; exit 2; }
command -v wixl >/dev/null || { echo "make-msi: no wixl (Debian package wixl)" >&2; exit 2; }
arch=$(sed -n 's/.*<?define WixlArch = "\(.*\)"?>.*/\1/p' "$wxs")
output=$(realpath -m "$output")
stage=msi-stage
case "$output" in
    "$(realpath -m "$build/$stage")"/* | "$(realpath -m "$wxs")")
        echo "make-msi: $output is one of the package's inputs" >&2; exit 2 ;;
esac
[ ! -d "$output" ] || { echo "make-msi: $output is a folder" >&2; exit 2; }

rm -rf "${build:?}/$stage"
cmake --install "$build" --prefix "$build/$stage" --strip >/dev/null
defines=(-D "Stage=$stage")
for definition in "$@"; do defines+=(-D "$definition"); done

# Written beside the output and renamed at the end: a failed build leaves no package and keeps
# an earlier one.
tmp=$(mktemp "$output.XXXXXX")
log=$(mktemp)
trap 'rm -f "$tmp" "$log"' EXIT
status=0
# wixl reads the files by paths relative to the directory it runs in.
(cd "$build" && wixl -a "$arch" "${defines[@]}" -o "$tmp" quillon.wxs) >"$log" 2>&1 || status=$?
# wixl goes on past an element it cannot build (a CRITICAL line, e.g. a custom action) and an
# attribute it does not know (a WARNING line), and leaves them out of the package: either fails
# the build.
if [ $status -ne 0 ] || grep -E -q '(CRITICAL|WARNING|ERROR) \*\*' "$log"; then
    cat "$log" >&2
    echo "make-msi: wixl failed on $wxs (exit status $status)" >&2
    exit 1
fi
chmod 644 "$tmp"
mv -T "$tmp" "$output"
