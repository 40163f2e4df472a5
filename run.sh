#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vantu (any arguments are passed
# on, e.g. an image to open). Without a display Vantu starts offscreen for a
# few seconds, to show that it comes up.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/ensure-packages.sh
vantu_ensure_packages

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/release/bin/vantu "$@"
fi
echo "No display: starting Vantu offscreen for 5 seconds."
status=0
QT_QPA_PLATFORM=offscreen timeout 5 build/release/bin/vantu "$@" || status=$?
if [ "$status" -eq 124 ]; then
  echo "Vantu started and ran until stopped."
  exit 0
fi
exit "$status"
