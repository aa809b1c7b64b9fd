#!/usr/bin/env bash
# Installs what is missing, builds the editor and its tests twice (normal, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs the whole suite in both; the tests that
# read back a real screen run once more on a private X server under a window manager. Then it
# builds the tests of the layers that draw on several threads with ThreadSanitizer and runs them.
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
# Skipped in the suite, where no display is named to them.
bash scripts/desktop-session.sh ctest --test-dir build/release -R '^test_desktop$' --output-on-failure
run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DZOV_SANITIZE=ON
run_suite build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOV_TSAN=ON
