# The real-kernel test's cases, run by the guest's init in /tmp: each starts quillon-simd on a
# scenario, runs the real quillon against the kernel's hidraw nodes and checks the outcome.
# Results go to fd 3, one line a case; the last line is PASS only when every case passed.

QUILLON=quillon EXAMPLES=/test/examples EXPECTED=/test/expected SIMD_LOG=/tmp/simd.log
. /test/cases.sh

case_list() {
    case_name=list
    start_simd 2 /test/scenarios/list-composite.json || return
    timeout 20 quillon list > list.out 2>&1
    rc=$?
    cat list.out
    stop_simd || fail "quillon-simd failed"
    [ $rc -eq 0 ] || { fail "quillon list exited $rc"; return; }
    [ "$(wc -l < list.out)" -eq 3 ] || { fail "expected 3 interfaces"; return; }
    # The composite device's keyboard and vendor collections are two interfaces of one node.
    kbd=$(grep -E '^/dev/hidraw[0-9]+#0  port sim-1  0581:0115  usage 0001:0006  in 9 out 2  family$' list.out)
    node=${kbd%#0*}
    [ -n "$kbd" ] || { fail "no keyboard collection line"; return; }
    has_line list.out "$node#1  port sim-1  0581:0115  usage FF00:0001  in 64 out 64  family" ||
        { fail "no vendor collection line on $node"; return; }
    grep -qE '^/dev/hidraw[0-9]+#0  port sim-2  1EAB:3303  usage FF00:0001  in 64 out 64  family$' list.out ||
        { fail "no 1EAB:3303 line"; return; }
    ok
}

# The udev rule matches the HID device's kernel name "BUS:VID:PID.N": its patterns, taken from
# the rule file itself, must match the names that the kernel gives both family devices, and
# only them.
case_udev_names() {
    case_name=udev-names
    patterns=$(sed -n 's/.*KERNELS=="\([^"]*\)".*/\1/p' /test/70-quillon.rules)
    [ -n "$patterns" ] || { fail "no KERNELS patterns in the rule"; return; }
    start_simd 2 /test/scenarios/list-composite.json || return
    names=""
    for n in /sys/class/hidraw/hidraw*; do
        names="$names $(basename "$(readlink "$n/device")")"
    done
    stop_simd || fail "quillon-simd failed"
    set -f  # the patterns are for case, not for the file system
    echo "hid device names:$names; patterns:" $patterns
    # Two names the rule must leave alone: another vendor, and 1EAB with another product.
    for name in $names 0003:046D:C52B.0009 0003:1EAB:3304.000A; do
        matched=no
        for p in $patterns; do
            case $name in $p) matched=yes ;; esac
        done
        case $name in
            *:0581:* | *:1EAB:3303.*) want=yes ;;
            *) want=no ;;
        esac
        [ $matched = $want ] || { set +f; fail "$name: matched $matched"; return; }
    done
    set +f
    [ "$(echo $names | wc -w)" -eq 2 ] || { fail "expected 2 devices:$names"; return; }
    ok
}

# A user without access to the node is told which node and how to fix it.
case_permission() {
    case_name=permission
    start_simd 1 /test/scenarios/model3-composite.json || return
    node=$(ls /dev/hidraw* | head -n 1)
    # In a folder of its own: the Readtest.bin that root's cases left in /tmp is not nobody's to
    # write, and the run would stop there, before it ever opens the node.
    mkdir -p /tmp/nobody && chown nobody /tmp/nobody
    su -s /bin/sh nobody -c "cd /tmp/nobody && timeout 60 quillon update /test/examples/scanner-model3.fw" \
        > permission.out 2> permission.err
    rc=$?
    stop_simd || fail "quillon-simd failed"
    cat permission.out permission.err
    # Nothing could be sent to the device: exit 4, as when no device fits.
    [ $rc -eq 4 ] || { fail "exited $rc, not 4"; return; }
    grep -qF "quillon update: no permission to open $node: install udev/70-quillon.rules" \
        permission.err || { fail "no word of $node and the udev rule on stderr"; return; }
    [ "$(grep -c "no permission" permission.err)" -eq 1 ] || { fail "said more than once"; return; }
    ok
}

# Two identical devices at two ports (their kernel phys): an update that does not say which is
# refused before anything is sent; the station updates both at once, each found again at its own
# port after its restart, whatever hidraw numbers the re-created devices get.
case_station() {
    case_name=station
    start_simd 2 --dump 0@mcu:0x8000:20000:/tmp/station0.flash \
        --dump 1@mcu:0x8000:20000:/tmp/station1.flash /test/scenarios/model3-two-ports.json || return
    timeout 60 quillon update /test/examples/scanner-model3.fw > refused.out 2> refused.err
    refused=$?
    timeout 120 quillon station /test/examples/scanner-model3.fw > station.out 2> station.err
    rc=$?
    stop_simd || { fail "quillon-simd failed"; return; }
    echo "== station: update exit $refused, station exit $rc"
    cat refused.out refused.err station.out station.err
    [ $refused -eq 2 ] || { fail "update without --port exited $refused, not 2"; return; }
    grep -qF "(bench-1, bench-2)" refused.err || { fail "the refusal does not name the ports"; return; }
    [ -s refused.out ] && { fail "the refused update told the operator something"; return; }
    [ $rc -eq 0 ] || { fail "quillon station exited $rc"; return; }
    for p in bench-1 bench-2; do
        has_line station.out "$p: 완료" || { fail "no 완료 for $p"; return; }
    done
    for d in 0 1; do
        cmp "/tmp/station$d.flash" /test/examples/scanner-model3.bin ||
            { fail "device $d: flash differs from the image"; return; }
    done
    ok
}

case_list
case_udev_names
case_station
# Boot switch and re-enumeration through the vendor collection of a keyboard + vendor device.
case_update model3 scanner-model3 0 mcu:0x8000:20000 /test/scenarios/model3-composite.json
# The Bluetooth module model, the default device for its file.
case_update model6 bt-module-model6 0 mcu:0x10000:9000 --for /test/examples/bt-module-model6.fw
# An SPI flash image.
case_update spi spi-model3 0 spi:0x10000:12388 --for /test/examples/spi-model3.fw
# The device vanishes in the middle of writing.
case_update vanishes scanner-model3 1 mcu:0x8000:20000 /test/scenarios/model3-vanishes.json
case_permission

finish
