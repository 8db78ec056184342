#!/usr/bin/env bash
# Makes the signature tests' keys and signatures with minisign itself, on the build machine, for
# the Linux build and the Windows one (whose tests then read them under Wine):
#   make-vectors.sh OUT FIRMWARE
# OUT gets fw.fw (a copy of FIRMWARE, model 3), two key pairs a and b without passwords, and
# signatures of fw.fw: by a in both modes, by b, by a for model 5, by a with a comment that is
# not the JSON the vendor signs.
set -euo pipefail
out=$1 firmware=$2
rm -rf "$out"
mkdir -p "$out"
cd "$out"
cp "$firmware" fw.fw
for k in a b; do minisign -G -W -p $k.pub -s $k.key >/dev/null; done
claim='{"model":3,"version":"2.1.0"}'
sign() { minisign -S "$@" -m fw.fw >/dev/null; }
sign -s a.key -x prehashed.minisig -t "$claim"
sign -l -s a.key -x legacy.minisig -t "$claim"
sign -s b.key -x other-key.minisig -t "$claim"
sign -s a.key -x model5.minisig -t '{"model":5,"version":"2.1.0"}'
sign -s a.key -x plain-comment.minisig -t 'timestamp:1700000000	file:fw.fw'
touch stamp
