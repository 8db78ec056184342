#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan, and runs each for SECONDS (default
# 60) from its seed corpus, two at a time; any crash or sanitizer report fails, its output shown
# in full. New inputs go to a scratch corpus, not into the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/install-deps.sh fuzz
dir="${BUILD_DIR:-build-fuzz}"
CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_FUZZ=ON \
    -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF -DQUILLON_WERROR=ON \
    -DQUILLON_SANITIZE=address,undefined >/dev/null
names=()
for corpus in fuzz/corpus/*/; do names+=("$(basename "$corpus")"); done
# Only the fuzz targets: the fuzzing tree has no use for the programs.
cmake --build "$dir" -j2 --target "${names[@]/#/fuzz_}" >/dev/null
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
logs=$(mktemp -d)
# An interrupted run stops the fuzzers it started.
trap 'kill $(jobs -p) 2>/dev/null || true; wait || true; rm -rf "$logs"' EXIT
trap 'exit 130' INT TERM

# Two at a time (libFuzzer runs on one core); each says how it went, a failure in full.
failed=0
for ((i = 0; i < ${#names[@]}; i += 2)); do
    pids=()
    for name in "${names[@]:i:2}"; do
        # New inputs go to a scratch corpus; the output to logs/.
        mkdir "$logs/$name.corpus"
        "$dir/fuzz_$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
            -print_final_stats=1 "$logs/$name.corpus" "fuzz/corpus/$name" >"$logs/$name" 2>&1 &
        pids+=($!)
    done
    for j in "${!pids[@]}"; do
        name=${names[i + j]}
        echo "== fuzz_$name for ${seconds}s"
        if wait "${pids[j]}"; then
            tail -n 3 "$logs/$name"
        else
            cat "$logs/$name"
            echo "fuzz_$name failed"
            failed=1
        fi
    done
done
exit $failed
