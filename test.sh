#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal
# build with warnings as errors, and a build with AddressSanitizer and
# UndefinedBehaviorSanitizer. The locale-sensitive tests run once more under
# a locale with a decimal comma, and once under a Turkish one, whose letter
# case differs from ASCII's for "i" and "I". Last, the fuzz targets are built
# with clang and each runs for a few seconds from its seed corpus.
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

echo "== fuzz targets (clang, libFuzzer) =="
# Only the fuzz targets and the cores they test are built. Each target starts
# from its committed seeds (read, never written: new inputs go to a scratch
# folder) and runs a few seconds; a crash, a leak or a failed check fails.
# A fixed random seed makes the inputs tried the same on every run, so a
# failure here is the change's and can be repeated.
cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DVANTU_FUZZ=ON >/dev/null
cmake --build build/fuzz -j "$jobs"
fuzz_scratch=$(mktemp -d)
trap 'rm -rf "$fuzz_scratch"' EXIT
fuzzed=0
for source in fuzz/fuzz_*.cpp; do
  target=$(basename "$source" .cpp)
  seeds=fuzz/corpus/$target
  [ -d "$seeds" ] || { echo "no seed corpus $seeds"; exit 1; }
  mkdir -p "$fuzz_scratch/$target"
  if ! build/fuzz/fuzz/"$target" -seed=1 -max_total_time=5 -timeout=20 \
      -artifact_prefix="$PWD/build/fuzz/$target-" \
      "$fuzz_scratch/$target" "$seeds" >"$fuzz_scratch/$target.log" 2>&1; then
    tail -n 60 "$fuzz_scratch/$target.log"
    echo "$target failed (the input is kept as build/fuzz/$target-*)"
    exit 1
  fi
  echo "$target: $(grep -o 'Done [0-9]* runs' "$fuzz_scratch/$target.log" || echo done)"
  fuzzed=$((fuzzed + 1))
done
echo "fuzz: $fuzzed passed, 0 failed"
