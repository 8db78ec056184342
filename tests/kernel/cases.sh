# What the real-device guests share (sourced, POSIX sh for busybox and bash alike): results, the
# simulated devices of quillon-simd, and the update case. Set before use: QUILLON (the command
# that runs the tool under test), EXAMPLES, EXPECTED (what the in-process simulator printed for
# each update case, NAME.out) and SIMD_LOG. Results go to fd 3, one line a case; finish prints
# PASS only when every case passed.

failures=0
case_name=""
simd_pid=""

result() { echo "$*" >&3; }
# What a failed case shows on the console besides its own output; a guest may add to it.
failure_details() {
    echo "quillon-simd said:"
    tail -n 20 "$SIMD_LOG"
}
fail() {
    result "FAIL $case_name: $*"
    failures=$((failures + 1))
    failure_details
}
ok() { result "ok $case_name"; }
finish() { if [ $failures -eq 0 ]; then result PASS; else result "FAILED $failures"; fi; }

# Starts quillon-simd with the given arguments and waits until N hidraw nodes are there.
start_simd() {
    local n i
    n=$1
    shift
    quillon-simd "$@" 2>"$SIMD_LOG" &
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
    local status i
    kill -TERM "$simd_pid"
    wait "$simd_pid"
    status=$?
    simd_pid=""
    i=0
    while ls /dev/hidraw* >/dev/null 2>&1 && [ $i -lt 50 ]; do
        i=$((i + 1))
        sleep 0.1
    done
    devices_gone
    return $status
}

# Whether file $1 holds line $2 exactly.
has_line() { grep -qxF -- "$2" "$1"; }

# Called with the case's name once its device is up, before the tool runs; the Windows guest
# waits there until Wine has seen the device.
device_ready() { return 0; }
# Called once a case's kernel devices are gone; the Windows guest waits there until Wine has let
# them go too, so that the next case is not handed the last one's device.
devices_gone() { return 0; }

# A full update through the real backend: quillon-simd runs with ARGS and dumps the flash area
# DUMP ("mcu|spi:ADDRESS:LENGTH") when stopped. Passes when the tool exits with WANT, prints what
# the in-process simulator printed for the same device ($EXPECTED/NAME.out; line endings aside)
# and, on success, leaves the flash equal to the image; a failed run must not say 완료 and its
# device must have vanished. RUN is the command after $QUILLON's, with FW for the firmware file.
# Usage: case_update NAME FIRMWARE WANT DUMP ARGS...   (RUN defaults to "update FW")
case_update() {
    local fw want dump rc last
    case_name=$1
    fw=$EXAMPLES/$2
    want=$3
    dump=$4
    shift 4
    start_simd 1 --dump "$dump:/tmp/$case_name.flash" "$@" || return
    device_ready || { stop_simd; return; }
    timeout 180 $QUILLON ${RUN:-update} "$fw.fw" > "$case_name.raw" 2> "$case_name.err"
    rc=$?
    tr -d '\r' < "$case_name.raw" > "$case_name.out"
    # What the device did last while the tool ran: still there, or vanished.
    last=$(tail -n 1 "$SIMD_LOG")
    stop_simd || { fail "quillon-simd failed"; return; }
    echo "== $case_name: exit $rc"
    cat "$case_name.out" "$case_name.err"
    [ $rc -eq 124 ] && { fail "the tool timed out"; return; }
    [ $rc -eq "$want" ] || { fail "the tool exited $rc, not $want"; return; }
    cmp -s "$case_name.out" "$EXPECTED/$case_name.out" ||
        { fail "texts differ from the simulator's: $(tr '\n' '|' < "$EXPECTED/$case_name.out")"; return; }
    if [ "$want" -eq 0 ]; then
        cmp "/tmp/$case_name.flash" "$fw.bin" || { fail "flash differs from the image"; return; }
    else
        grep -q "완료" "$case_name.out" && { fail "a failed run said 완료"; return; }
        [ "$last" = "quillon-simd: device 0 down" ] || { fail "the device did not vanish"; return; }
    fi
    ok
}
