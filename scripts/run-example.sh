#!/usr/bin/env bash
# Builds text2grid and converts the bundled example (examples/answers.txt
# answers the dialogue; examples/input.txt holds the values) into
# examples/example.grd, printing the dialogue and the progress lines.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target text2grid
rm -f examples/example.grd
build/src/driver/text2grid < examples/answers.txt
