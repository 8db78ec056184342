#!/usr/bin/env bash
# Installs what is missing, builds the one program it runs, and runs the main job on a shipped
# example.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_TARGETS=quillon scripts/build.sh
build/quillon inspect examples/scanner-model3.fw
build/quillon update examples/scanner-model3.fw --simulate
