#!/usr/bin/env bash
# The Mender update module of the Debian package, driven by Debian's mender-client in standalone
# mode (mender install, no server) against simulated scanners named in /etc/quillon/mender.conf:
# an artifact whose devices all end in 완료 is committed and their flash equals the image; one
# where a device fails makes the install fail, leaves the artifact inconsistent, and the module's
# log names the port. Needs root. Everything it installs or writes is removed at the end, and the
# files of an existing Mender set-up that it overwrites are put back.
# Usage: tests/package/mender.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
export DEBIAN_FRONTEND=noninteractive
apt=(apt-get -o DPkg::Lock::Timeout=1200)
[ "$(id -u)" -eq 0 ] || apt=(sudo "${apt[@]}")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

packages() { dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" {print $2}' | sort; }
before=$(packages)
scripts/install-deps.sh mender
if ! command -v mender >/dev/null || ! command -v mender-artifact >/dev/null; then
    echo "!!! NO MENDER: mender-client or mender-artifact cannot be installed here; nothing tested"
    exit 0
fi
# What this stage installed: the new packages that Mender's tools need (another one that appeared
# meanwhile is not ours to remove).
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances mender-client mender-artifact | grep -v '^ ' | sort -u)
ours=$(comm -13 <(echo "$before") <(packages) | comm -12 - <(echo "$closure"))

deb=$(scripts/package-deb.sh | tail -n 1)
work=$(mktemp -d)
dir="$work/with space"  # every path the module gets has a blank in it
mkdir "$dir"
saved="$work/saved"
mkdir "$saved"
# The files of a Mender set-up and the module's settings: saved when there, put back at the end.
configs=(/var/lib/mender/device_type /etc/mender/artifact_info /etc/quillon/mender.conf)
for f in "${configs[@]}"; do
    [ ! -e "$f" ] || $sudo cp -a "$f" "$saved/$(echo "$f" | tr / _)"
done
made=()  # folders this stage made, removed at the end when empty
for d in /data /data/mender /etc/mender /etc/quillon; do
    [ -e "$d" ] || made=("$d" "${made[@]}")
done

cleanup() {
    set +e
    $sudo "${apt[@]}" purge -y -qq quillon >/dev/null 2>&1
    for f in "${configs[@]}"; do
        local copy
        copy="$saved/$(echo "$f" | tr / _)"
        if [ -e "$copy" ]; then $sudo cp -a "$copy" "$f"; else $sudo rm -f "$f"; fi
    done
    if [ -n "$ours" ]; then
        # dpkg leaves a package that something else still needs.
        # shellcheck disable=SC2086
        $sudo dpkg --purge $ours >/dev/null 2>&1 || echo "mender: not all of these removed: $ours"
    fi
    for d in "${made[@]}"; do
        # Mender's state, made by the installs here.
        if [ "$d" = /data/mender ]; then $sudo rm -rf "$d"; else $sudo rmdir "$d" 2>/dev/null; fi
    done
    rm -rf "$work"
}
trap cleanup EXIT

$sudo "${apt[@]}" install -y -qq "./$deb" >/dev/null
# Standalone mode: the state under /var/lib/mender, which the package links to /data/mender.
$sudo mkdir -p /data/mender /etc/quillon
echo "device_type=quillon-test-kiosk" | $sudo tee /var/lib/mender/device_type >/dev/null
echo "artifact_name=before-quillon" | $sudo tee /etc/mender/artifact_info >/dev/null

cp examples/scanner-model3.fw "$dir/"
image="$root/examples/scanner-model3.bin"
# Three scanners of the file's model; "bench 2" never answers the read-back of its first block.
cat >"$dir/scanners.json" <<'EOF'
{"devices": [{"model": 3, "port": "1-1.1"}, {"model": 3, "port": "bench 1"},
             {"model": 3, "port": "bench 2", "faults": [{"command": "ReadFlash", "at": 2,
              "kind": "write-timeout"}]}]}
EOF

status=0
fail() { echo "mender: $*"; status=1; }
# Installs an artifact NAME of the example with the module's settings given on standard input:
# the exit code of mender install in $code, what the module said in $dir/NAME.said.
mender_install() {
    local name=$1
    $sudo tee /etc/quillon/mender.conf >/dev/null
    rm -rf "$dir/flash" && mkdir "$dir/flash"
    (cd "$dir" && mender-artifact write module-image -T quillon -n "$name" \
        -t quillon-test-kiosk -f scanner-model3.fw -o "$name.mender" >/dev/null)
    code=0
    $sudo mender --no-syslog install "$dir/$name.mender" >"$dir/$name.out" 2>&1 || code=$?
    # Mender logs each read of the module's standard error, its line ends written \n.
    sed -n 's/.*Output (stderr) from command \\"[^"]*quillon\\": \(.*\)"$/\1/p' "$dir/$name.out" |
        sed -e 's/\\n/\n/g' | sed -e '/^$/d' -e 's/^quillon: //' >"$dir/$name.said"
    echo "--- mender install $name: exit $code; the module said:"
    cat "$dir/$name.said"
}
artifact() { $sudo mender --no-syslog show-artifact 2>/dev/null; }
flash_is_image() { cmp -s "$dir/flash/flash-${1// /_20}.bin" "$image"; }
said_done() { grep -qxF "$2: done, 20000 bytes programmed and verified" "$dir/$1.said"; }

# Two ports named (one with blanks around it), the third left alone.
mender_install quillon-good <<EOF
# simulated scanners
simulate = $dir/scanners.json
port=1-1.1
  port = bench 1
dump-flash=$dir/flash
log=$dir/log/devices.jsonl
EOF
[ $code -eq 0 ] || fail "the good artifact was not installed"
[ "$(artifact)" = quillon-good ] || fail "the good artifact was not committed"
grep -q "doesn't support rollback" "$dir/quillon-good.out" || fail "Mender was not told No"
for port in 1-1.1 "bench 1"; do
    said_done quillon-good "$port" || fail "no line of $port's success"
    flash_is_image "$port" || fail "the flash at $port is not the image"
done
! flash_is_image "bench 2" || fail "bench 2 was updated, though not named"
[ "$(grep -c '"outcome":"done"' "$dir/log/devices.jsonl")" -eq 2 ] || fail "not 2 lines in the log"
[ -e "$dir/log/Readtest-bench_201.bin" ] || fail "no read-back log beside the log"

# Every fitting port: "bench 2" fails.
mender_install quillon-bad <<EOF
simulate=$dir/scanners.json
dump-flash=$dir/flash
log=$dir/log/devices.jsonl
EOF
[ $code -eq 1 ] || fail "the failing artifact's install ended with $code, not 1"
[ "$(artifact)" = quillon-bad_INCONSISTENT ] || fail "the failed artifact is not inconsistent"
grep -q '^bench 2: failed: ' "$dir/quillon-bad.said" || fail "the module did not name bench 2"
for port in 1-1.1 "bench 1"; do
    said_done quillon-bad "$port" || fail "no line of $port's success"
    flash_is_image "$port" || fail "the flash at $port is not the image"
done
! flash_is_image "bench 2" || fail "the failed device holds the image"

[ $status -eq 0 ] && echo "mender: the good artifact committed, each flash the image; the failing one failed, naming its port"
exit $status
