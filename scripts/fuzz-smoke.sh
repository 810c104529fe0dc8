#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a short while on seeds
# from the shared test data; fails on any crash, leak or sanitizer report.
# The random seed is fixed, so that a run is repeatable (FUZZ_SEED=0 draws
# one, for longer explorations).
#   scripts/fuzz-smoke.sh [SECONDS_PER_TARGET]   (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
seed=${FUZZ_SEED:-1}
build=${FUZZ_BUILD:-build-fuzz}
testdata=${FOVELLA_TESTDATA:-../shared/testdata}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DFOVELLA_FUZZ=ON -DFOVELLA_TESTS=OFF -DFOVELLA_BENCH=OFF -DFOVELLA_WINDOW=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

seeds_of() {
  case $1 in
    bmp) echo "$testdata/bmp" ;;
    pcx) echo "$testdata/pcx" ;;
    tga) echo "$testdata/tga" ;;
    png) echo "$testdata/png" ;;
    tiff) echo "$testdata/tiff" ;;
    jpeg|exif|xmp|lines) echo "$testdata/jpeg" ;;
  esac
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in bmp pcx tga png jpeg tiff exif xmp lines; do
  corpus="$work/$target"
  mkdir -p "$corpus"
  seeds=$(seeds_of $target)
  [ -d "$seeds" ] && find "$seeds" -type f ! -name '*.tsv' ! -name '*.md' -exec cp {} "$corpus/" \;
  log="$work/$target.log"
  if ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 \
     "$build/fuzz/fuzz-$target" -seed="$seed" -max_total_time="$seconds" -rss_limit_mb=4096 \
       -print_final_stats=1 "$corpus" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    echo "fuzz-$target: $runs runs in ${seconds}s, no finding"
  else
    echo "fuzz-$target: FAILED"
    grep -E 'ERROR|SUMMARY|runtime error|==[0-9]+==' "$log" | head -n 20
    status=1
  fi
done
exit $status
