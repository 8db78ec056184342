#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan, and runs each for SECONDS (default
# 60) from its seed corpus; any crash or sanitizer report fails. New inputs go to a scratch
# corpus, not into the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/install-deps.sh fuzz
dir="${BUILD_DIR:-build-fuzz}"
CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_FUZZ=ON \
    -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF -DQUILLON_WERROR=ON \
    -DQUILLON_SANITIZE=address,undefined >/dev/null
cmake --build "$dir" -j2 >/dev/null
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for target in fuzz/corpus/*/; do
    name=$(basename "$target")
    scratch=$(mktemp -d)
    echo "== fuzz_$name for ${seconds}s"
    "$dir/fuzz_$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 "$scratch" "$target" 2>&1 | tail -n 3
    status=${PIPESTATUS[0]}
    rm -rf "$scratch"
    [ "$status" -eq 0 ] || { echo "fuzz_$name failed"; exit 1; }
done
