#!/usr/bin/env bash
# The Windows zip holds exactly the dialog, the command line and the README, under one folder,
# the same files that the MSI installs.
# Usage: tests/package/zip.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
zip=$(scripts/package-windows.sh | grep '\.zip$')
echo "package: $zip"
top=$(basename "$zip" .zip)
expected=$(printf '%s\n' "$top/Quillon.exe" "$top/README.txt" "$top/cli/quillon.exe")
# cmake reads zips itself; directories are listed with a trailing slash.
actual=$(cmake -E tar tf "$zip" | grep -v '/$' | sort)
if [ "$actual" != "$expected" ]; then
    echo "the zip holds:"; echo "$actual"; echo "expected:"; echo "$expected"
    exit 1
fi
# Both are Windows programs, the dialog for the GUI subsystem and the command line for a console.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
(cd "$dir" && cmake -E tar xf "$OLDPWD/$zip")
file "$dir/$top/Quillon.exe" | grep -q 'PE32.*(GUI)' || { file "$dir/$top/Quillon.exe"; exit 1; }
file "$dir/$top/cli/quillon.exe" | grep -q 'PE32.*(console)' || { file "$dir/$top/cli/quillon.exe"; exit 1; }
grep -q 'cli\\quillon.exe' "$dir/$top/README.txt"
for f in Quillon.exe README.txt cli/quillon.exe; do
    cmp "$dir/$top/$f" "$(dirname "$zip")/msi-stage/$f" || { echo "$f: not the MSI's"; exit 1; }
done
echo "zip holds: $(tr '\n' ' ' <<<"$expected")"
