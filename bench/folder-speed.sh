#!/usr/bin/env bash
# A folder of 24-megapixel JPEGs corrected three ways, side by side in one
# run: fovella-cli with two jobs, libvips (`vips mapim` with the same
# correction as a precomputed bilinear map, JPEG quality 95 in and out) when
# libvips-tools is installed, and a pure decode + encode of the same files,
# the bound of any JPEG-to-JPEG correction. Prints files per second (median
# of the rounds), the ratios, and the peak memory of fovella-cli with one job.
#
#   bench/folder-speed.sh [FILES [ROUNDS]]    (after make build; default 8 3)
#
# libvips gets its better arrangement of two: one file at a time on all its
# threads, or two files at a time on one thread each.
set -euo pipefail
cd "$(dirname "$0")/.."

files=${1:-8}
rounds=${2:-3}
build=${BUILD:-build}
cli=$build/apps/fovella-cli
tool=$build/bench/fovella-folder-tool
for program in "$cli" "$tool"; do
  [ -x "$program" ] || { echo "folder-speed: $program is missing; run make build first" >&2; exit 1; }
done
command -v bc >/dev/null || { echo "folder-speed: needs bc (scripts/install-deps.sh --bench)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/fovella-folder-speed.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$tool" make "$work/in" "$files"

# Seconds that a command takes.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

# The median of the arguments.
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

fovella_run() {
  rm -rf "$work/out"
  "$cli" -j 2 -q 95 --quiet --overwrite all --out-dir "$work/out" "$work/in"
}
recode_run() {
  rm -rf "$work/out"
  "$tool" recode "$work/in" "$work/out" 2
}
vips_one_at_a_time() {
  rm -rf "$work/out" && mkdir "$work/out"
  for f in "$work"/in/*.JPG; do
    vips mapim "$f" "$work/out/$(basename "$f")[Q=95]" "$work/map.v" --interpolate bilinear
  done
}
vips_two_at_a_time() {
  rm -rf "$work/out" && mkdir "$work/out"
  printf '%s\n' "$work"/in/*.JPG | VIPS_CONCURRENCY=1 xargs -P 2 -I{} sh -c \
    'vips mapim "$1" "$2/out/$(basename "$1")[Q=95]" "$2/map.v" --interpolate bilinear' _ {} "$work"
}

have_vips=false
if command -v vips >/dev/null; then
  have_vips=true
  "$tool" map "$work/map.raw"
  vips rawload "$work/map.raw" "$work/map.v" 6000 4000 2 --format float
  rm "$work/map.raw"
fi

declare -a fovella recode vips1 vips2
for ((r = 0; r < rounds; ++r)); do
  fovella+=("$(seconds fovella_run)")
  recode+=("$(seconds recode_run)")
  if $have_vips; then
    vips1+=("$(seconds vips_one_at_a_time)")
    vips2+=("$(seconds vips_two_at_a_time)")
  fi
done

rate() { echo "$files / $1" | bc -l; }
fovella_rate=$(rate "$(median "${fovella[@]}")")
recode_rate=$(rate "$(median "${recode[@]}")")

echo "Folder of $files JPEGs, 6000 x 4000, quality 95; median of $rounds rounds; $(nproc) processors"
printf '  %-44s %6.2f files/s\n' "fovella-cli -j 2" "$fovella_rate"
printf '  %-44s %6.2f files/s\n' "decode + encode only, 2 threads" "$recode_rate"
if $have_vips; then
  vips1_rate=$(rate "$(median "${vips1[@]}")")
  vips2_rate=$(rate "$(median "${vips2[@]}")")
  printf '  %-44s %6.2f files/s\n' "vips mapim, one file at a time" "$vips1_rate"
  printf '  %-44s %6.2f files/s\n' "vips mapim, two at a time, one thread each" "$vips2_rate"
  vips_rate=$(echo "if ($vips1_rate > $vips2_rate) $vips1_rate else $vips2_rate" | bc -l)
  printf '  fovella-cli / libvips (the better):        %6.2f\n' "$(echo "$fovella_rate / $vips_rate" | bc -l)"
else
  echo "  (vips not installed: apt-get install libvips-tools for the comparison)"
fi
printf '  fovella-cli / decode + encode:             %6.2f\n' "$(echo "$fovella_rate / $recode_rate" | bc -l)"

# Peak memory of one job on one file.
if [ -x /usr/bin/time ]; then
  rm -rf "$work/out"
  kb=$(/usr/bin/time -f %M "$cli" -j 1 -q 95 --quiet --out-dir "$work/out" "$work/in/IMG_0001.JPG" 2>&1 >/dev/null | tail -1)
  printf '  peak memory of one job (fovella-cli -j 1):  %6d MB\n' "$((kb / 1024))"
else
  echo "  (GNU time not installed: apt-get install time for the peak memory)"
fi
