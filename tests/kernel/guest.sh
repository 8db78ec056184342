# The real-kernel test's cases, run by the guest's init in /tmp: each starts quillon-simd on a
# scenario, runs the real quillon against the kernel's hidraw nodes and checks the outcome.
# Results go to fd 3, one line a case; the last line is PASS only when every case passed.

failures=0
case_name=""
simd_pid=""

result() { echo "$*" >&3; }
fail() {
    result "FAIL $case_name: $*"
    failures=$((failures + 1))
}
ok() { result "ok $case_name"; }

# Starts quillon-simd with the given arguments and waits until N hidraw nodes are there.
start_simd() {
    n=$1
    shift
    quillon-simd "$@" 2>>/tmp/simd.log &
    simd_pid=$!
    i=0
    while [ "$(ls /dev/hidraw* 2>/dev/null | wc -l)" -lt "$n" ]; do
        i=$((i + 1))
        if [ $i -gt 100 ]; then
            fail "fewer than $n hidraw nodes after 10 s"
            return 1
        fi
        sleep 0.1
    done
    return 0
}

# Stops quillon-simd (which then writes its dumps) and waits until its nodes are gone.
stop_simd() {
    kill -TERM "$simd_pid"
    wait "$simd_pid"
    rc=$?
    simd_pid=""
    i=0
    while ls /dev/hidraw* >/dev/null 2>&1 && [ $i -lt 50 ]; do
        i=$((i + 1))
        sleep 0.1
    done
    return $rc
}

# Whether file $1 holds line $2 exactly.
has_line() { grep -qxF -- "$2" "$1"; }

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
    kbd=$(grep -E '^/dev/hidraw[0-9]+#0  0581:0115  usage 0001:0006  in 9 out 2  family$' list.out)
    node=${kbd%#0*}
    [ -n "$kbd" ] || { fail "no keyboard collection line"; return; }
    has_line list.out "$node#1  0581:0115  usage FF00:0001  in 64 out 64  family" ||
        { fail "no vendor collection line on $node"; return; }
    grep -qE '^/dev/hidraw[0-9]+#0  1EAB:3303  usage FF00:0001  in 64 out 64  family$' list.out ||
        { fail "no 1EAB:3303 line"; return; }
    ok
}

# The udev rule matches the HID device's kernel name "BUS:VID:PID.N"; check that form here.
case_udev_names() {
    case_name=udev-names
    start_simd 2 /test/scenarios/list-composite.json || return
    names=""
    for n in /sys/class/hidraw/hidraw*; do
        names="$names $(basename "$(readlink "$n/device")")"
    done
    stop_simd || fail "quillon-simd failed"
    echo "hid device names:$names"
    matched=0
    for name in $names; do
        case $name in
            ????:0581:????.*) matched=$((matched + 1)) ;;
            ????:1EAB:3303.*) matched=$((matched + 1)) ;;
        esac
    done
    [ $matched -eq 2 ] || { fail "the rule's patterns matched $matched of 2 devices:$names"; return; }
    ok
}

case_list
case_udev_names

if [ $failures -eq 0 ]; then result PASS; else result "FAILED $failures"; fi
