#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal
# build with warnings as errors, and a build with AddressSanitizer and
# UndefinedBehaviorSanitizer. The locale-sensitive tests run once more under
# a locale with a decimal comma, and once under a Turkish one, whose letter
# case differs from ASCII's for "i" and "I".
set -euo pipefail
cd "$(dirname "$0")"
. scripts/ensure-packages.sh
vantu_ensure_packages
vantu_ensure_locale

jobs=$(nproc)

echo "== layers and format =="
scripts/check-layers.sh
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 300)
}

echo "== normal build =="
run_suite build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTU_WERROR=ON
echo "== decimal-comma locale =="
(cd build/release && LC_ALL=de_DE.UTF-8 VANTU_EXPECT_DECIMAL_COMMA=1 ctest -L locale --output-on-failure)
echo "== Turkish locale =="
(cd build/release && LC_ALL=tr_TR.UTF-8 VANTU_EXPECT_DECIMAL_COMMA=1 VANTU_EXPECT_TURKISH_CASE=1 \
  ctest -L locale --output-on-failure)
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
run_suite build/asan -DCMAKE_BUILD_TYPE=Debug -DVANTU_WERROR=ON -DVANTU_SANITIZE=ON -DVANTU_BENCH=OFF
