#!/usr/bin/env bash
# Draws the README's pictures of the dialog into docs/: the real widgets, offscreen, during a
# run against a simulated device. Needs a CJK font (fonts-wqy-microhei), or the Korean and
# Chinese texts come out as boxes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if ! fc-list | grep -i "WenQuanYi" >/dev/null; then
    echo "screenshot: no CJK font; install fonts-wqy-microhei" >&2
    exit 1
fi
dir="${BUILD_DIR:-build}"
BUILD_DIR="$dir" BUILD_TARGETS=quillon-gui-screenshot scripts/build.sh
mkdir -p docs
# The run writes its read-back log into the current directory.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
firmware="$PWD/examples/scanner-model3.fw"
out="$PWD/docs"
(cd "$work" && cp "$firmware" . && QT_QPA_PLATFORM=offscreen "$OLDPWD/$dir/quillon-gui-screenshot" \
    scanner-model3.fw "$out")
