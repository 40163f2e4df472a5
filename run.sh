#!/usr/bin/env bash
# Installs what is missing and builds the programs.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/ensure-packages.sh
vantu_ensure_packages

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)"
echo "Built in build/release."
