#!/usr/bin/env bash
# Builds text2grid and converts the bundled example (examples/answers.txt
# answers the dialogue; examples/input.txt holds the values) into
# examples/example.grd, printing the dialogue and the progress lines, then
# lists the new file with gridinfo.
#   BUILD_DIR  build folder (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
scripts/setup.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target text2grid gridinfo
rm -f examples/example.grd
status=0
"$build/src/driver/text2grid" <examples/answers.txt || status=$?
if ((status == 0)); then
  echo "examples/example.grd written ($(stat -c %s examples/example.grd) bytes)"
  echo
  "$build/src/gridtools/gridinfo" examples/example.grd
else
  echo "text2grid ended with status $status" >&2
fi
exit "$status"
