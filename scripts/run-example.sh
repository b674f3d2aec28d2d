#!/usr/bin/env bash
# Builds text2grid and converts the bundled example (examples/answers.txt
# answers the dialogue; examples/input.txt holds the values) into
# examples/example.grd, printing the dialogue and the progress lines, then
# lists the new file with gridinfo and shows it as an xarray Dataset through
# the Python package (build/python).
#   BUILD_DIR  build folder (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
scripts/setup.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target text2grid gridinfo
python=0
if cmake --build "$build" --target python_package >/dev/null 2>&1; then python=1; fi
rm -f examples/example.grd
status=0
"$build/src/driver/text2grid" <examples/answers.txt || status=$?
if ((status == 0)); then
  echo "examples/example.grd written ($(stat -c %s examples/example.grd) bytes)"
  echo
  "$build/src/gridtools/gridinfo" examples/example.grd
  if ((python)); then
    echo
    echo "PYTHONPATH=$build/python /usr/bin/python3 -c \"import xarray as xr; print(xr.open_dataset('examples/example.grd', engine='text2grid'))\""
    PYTHONPATH=$PWD/$build/python /usr/bin/python3 -c \
      "import xarray as xr; print(xr.open_dataset('examples/example.grd', engine='text2grid'))"
  fi
else
  echo "text2grid ended with status $status" >&2
fi
exit "$status"
