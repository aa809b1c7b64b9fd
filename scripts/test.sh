#!/usr/bin/env bash
# Installs what is missing, builds the editor and its tests twice (normal, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs the whole suite in both; then builds the
# tests of the layers that draw on several threads with ThreadSanitizer and runs them too.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_suite build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOV_BENCH=ON
run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DZOV_SANITIZE=ON
run_suite build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOV_TSAN=ON
