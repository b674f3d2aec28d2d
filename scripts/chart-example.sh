#!/usr/bin/env bash
# Builds the chart example: a 60 x 40 Lambert grid over North America holding
# sea-level pressure with a low over the Great Plains and the 10 m wind
# (grid-relative UREL, VREL) turning round it, made with text2grid from
# generated values; then draws it with coastlines, isobars and wind arrows
# into examples/example-chart.png (the README's picture).
#   BUILD_DIR  build folder (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target text2grid gridplot >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each grid from the top row down; PMSL, then UREL, then VREL.
awk -v nx=60 -v ny=40 'BEGIN {
  ci = 34; cj = 22; s = 9
  for (v = 0; v < 3; v++) for (j = ny; j >= 1; j--) for (i = 1; i <= nx; i++) {
    dx = i - ci; dy = j - cj; g = exp(-(dx * dx + dy * dy) / (2 * s * s))
    if (v == 0) printf "%.2f\n", 1016 - 28 * g + 0.12 * (j - cj)
    else if (v == 1) printf "%.2f\n", -2.2 * dy * g + 4
    else printf "%.2f\n", 2.2 * dx * g
  }
}' >"$work/chart.txt"
printf '%s\n' 60 40 "$work/chart.txt" "^$work/chart.grd" 0 1 3 "20 -120 50 -60" LCC "33 -97 45" \
  200115/1200 PMSL UREL VREL 1 0 0 0 -1 -1 -1 -1 -1 -1 -1 -1 |
  MORERR=${MORERR:-$PWD/tables/errors} "$build/src/driver/text2grid" --quiet
gridplot=$(realpath "$build/src/plot/gridplot")
picture=$PWD/examples/example-chart.png
cd "$work"
"$gridplot" chart.grd --param PMSL --contour --contour-interval 4 --wind \
  --cmap cividis --size 720x520 --title "PMSL  Mean sea-level pressure (hPa), 10 m wind" \
  -o "$picture"
echo "examples/example-chart.png written ($(stat -c %s "$picture") bytes)"
