#!/usr/bin/env bash
# cmake --install into a staging folder: the programs, the udev rule, the man page and the bash
# completion, and (when the dialog is built) its desktop entry and icon land where a system finds
# them. Usage: install-check.sh BUILD_DIR SOURCE_DIR
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
# The man page and the completion, made at build time, when the build makes them.
if [ -e "$build/quillon.1" ]; then
    grep -q '^\.TH QUILLON "1"' "$stage$prefix/share/man/man1/quillon.1" \
        || { echo "missing or not a man page: $prefix/share/man/man1/quillon.1"; status=1; }
    grep -q '^complete .*_quillon quillon$' "$stage$prefix/share/bash-completion/completions/quillon" \
        || { echo "missing: $prefix/share/bash-completion/completions/quillon"; status=1; }
    for command in $("$build/quillon" completion --commands); do
        grep -q "^\.SS \"quillon $command\"" "$stage$prefix/share/man/man1/quillon.1" \
            || { echo "the man page has no section for quillon $command"; status=1; }
    done
    # What the completion offers after a word, in a folder with one file of each kind.
    files="$stage/files"
    mkdir "$files" && touch "$files/a.fw" "$files/b.json" "$files/c.jsonl" "$files/d.txt"
    completes() {
        (cd "$files" && bash -c 'source "$0"; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _quillon
            for w in "${COMPREPLY[@]}"; do echo "$w"; done | sort | tr "\n" " "' \
            "$stage$prefix/share/bash-completion/completions/quillon" quillon "$@")
    }
    for row in "station a.fw --log|c.jsonl " "update --simulate|a.fw b.json " \
        "list --simulate|b.json " "update a.fw --port|" "update|a.fw "; do
        words=${row%|*} want=${row#*|}
        # shellcheck disable=SC2086 # the words are split on purpose
        got=$(completes $words "")
        [ "$got" = "$want" ] || { echo "quillon $words completes \"$got\", not \"$want\""; status=1; }
    done
fi
if [ -e "$build/quillon-gui" ]; then
    entry="$stage$prefix/share/applications/quillon-gui.desktop"
    icon="$stage$prefix/share/icons/hicolor/scalable/apps/quillon.svg"
    [ -x "$stage$prefix/bin/quillon-gui" ] || { echo "missing: $prefix/bin/quillon-gui"; status=1; }
    [ -f "$icon" ] || { echo "missing: the icon quillon.svg"; status=1; }
    # The entry starts the installed program and names the installed icon.
    grep -qx 'Exec=quillon-gui' "$entry" && grep -qx 'Icon=quillon' "$entry" \
        || { echo "desktop entry missing or wrong: $entry"; status=1; }
fi
[ $status -eq 0 ] && echo "installed: $prefix/bin/quillon, $prefix/bin/quillon-simd, $rules/70-quillon.rules"
exit $status
