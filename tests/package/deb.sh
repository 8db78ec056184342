#!/usr/bin/env bash
# The Debian package: what it holds, its dependencies, and that it installs with apt-get, runs from
# the installed paths and goes away again. Needs root (apt-get). Usage: tests/package/deb.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
deb=$(scripts/package-deb.sh | tail -n 1)
echo "package: $deb"
version=$(sed -n 's/^project(Quillon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$(basename "$deb")" = "quillon_${version}_$(dpkg --print-architecture).deb" ] \
    || { echo "unexpected package name: $deb"; exit 1; }

status=0
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/quillon ./usr/bin/quillon-gui ./usr/bin/quillon-simd \
    ./usr/lib/udev/rules.d/70-quillon.rules ./usr/share/applications/quillon-gui.desktop \
    ./usr/share/icons/hicolor/scalable/apps/quillon.svg ./usr/share/man/man1/quillon.1 \
    ./usr/share/bash-completion/completions/quillon ./usr/share/mender/modules/v3/quillon; do
    grep -qx "$f" <<<"$contents" || { echo "missing from the package: $f"; status=1; }
done
# Nothing outside /usr (a rule under /etc would be a local rule, not a packaged one).
if grep -v '^\./usr' <<<"$contents" | grep -qv '^\./$'; then
    echo "outside /usr:"; grep -v '^\./usr' <<<"$contents" | grep -v '^\./$'; status=1
fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for d in libc6 libstdc++6 libqt6widgets6 qt6-qpa-plugins; do
    grep -q "\b$d\b" <<<"$depends" || { echo "not among the dependencies: $d"; status=1; }
done
[ $status -eq 0 ] || exit $status

export DEBIAN_FRONTEND=noninteractive
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get -o DPkg::Lock::Timeout=1200 install -y -qq "./$deb" >/dev/null
trap '$sudo apt-get -o DPkg::Lock::Timeout=1200 remove -y -qq quillon >/dev/null 2>&1 || true' EXIT
work=$(mktemp -d)
cp examples/scanner-model3.fw "$work/"
(
    cd "$work"  # the run writes its read-back log here
    /usr/bin/quillon --version
    [ "$(/usr/bin/quillon update scanner-model3.fw --simulate --virtual-time)" = "완료" ]
    /usr/bin/quillon-gui --help >/dev/null
    # The completion that was installed completes a command word.
    [ "$(bash -c 'source /usr/share/bash-completion/completions/quillon
        COMP_WORDS=(quillon upd); COMP_CWORD=1; _quillon; echo "${COMPREPLY[*]}"')" = update ]
    grep -q '^\.TH QUILLON "1"' /usr/share/man/man1/quillon.1
)
rm -rf "$work"
$sudo apt-get -o DPkg::Lock::Timeout=1200 remove -y -qq quillon >/dev/null
trap - EXIT
[ ! -e /usr/bin/quillon ] || { echo "/usr/bin/quillon left after removal"; exit 1; }
echo "installed, ran and removed: $deb"
