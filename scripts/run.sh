#!/usr/bin/env bash
# Installs what is missing, builds the editor in Release and starts it. Arguments are passed
# on: a diagram path opens that diagram.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/run" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOV_TESTS=OFF >/dev/null
cmake --build "$root/build/run" --target zovaran -j "$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Zovaran is built ($root/build/run/zovaran) but there is no display to show it on:"
  echo "neither DISPLAY nor WAYLAND_DISPLAY is set. Run this command from a desktop session."
  exit 1
fi
exec "$root/build/run/zovaran" "$@"
