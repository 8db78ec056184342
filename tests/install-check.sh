#!/usr/bin/env bash
# cmake --install into a staging folder: both programs and the udev rule land where a system
# finds them. Usage: install-check.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
rules=$(sed -n 's/^QUILLON_UDEV_RULES_DIR:STRING=//p' "$build/CMakeCache.txt")
case $rules in
    /*) ;;
    *) rules="$prefix/$rules" ;;
esac
DESTDIR="$stage" cmake --install "$build" >/dev/null
status=0
for p in quillon quillon-simd; do
    [ -x "$stage$prefix/bin/$p" ] || { echo "missing: $prefix/bin/$p"; status=1; }
done
case $rules in
    /etc/udev/rules.d | /usr/lib/udev/rules.d | /lib/udev/rules.d) ;;
    *) echo "udev does not read $rules"; status=1 ;;
esac
cmp "$source/udev/70-quillon.rules" "$stage$rules/70-quillon.rules" || status=1
[ $status -eq 0 ] && echo "installed: $prefix/bin/quillon, $prefix/bin/quillon-simd, $rules/70-quillon.rules"
exit $status
