#!/usr/bin/env bash
# Builds every fuzz target of this folder with clang (libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for SECONDS (default 60) from its
# seed corpus in corpus/<target>/. Exits non-zero on any crash, leak, sanitizer
# report or timeout. Kept apart from the g++ build; objects go to $FUZZ_BUILD
# (default build-fuzz in the repository).
#
# To add a target: write <name>.cpp here, put seeds in corpus/<name>/ (or
# corpus/<name without _fuzz>/), and add
# one line to `targets` naming the library layers it links, lowest last (and
# after them any system libraries, as -lNAME).
#
# nc_import_fuzz.cpp is not run here: its seeds are files that crash the
# netCDF/HDF5 libraries, and under AddressSanitizer the report of such a crash
# inside the contained child cannot be told apart from one of ours. Its seeds
# are exercised through the containment by the nc tests instead.
set -euo pipefail

targets=(
  "dm_reader_fuzz: grid time dm pack services strings platform"
  "value_reader_fuzz: platform"
  "time_text_fuzz: time strings platform"
  "message_fuzz: services strings platform"
  "conversion_fuzz: driver gridfile base grid time dm pack services strings platform"
)

secs=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${FUZZ_BUILD:-$root/build-fuzz}
cxx=${CXX_FUZZ:-clang++-14}
command -v "$cxx" >/dev/null || cxx=clang++
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -I"$root/src"
       -DT2G_FUZZ_TABLE="\"$root/tables/parameters.tbl\""
       -fsanitize=address,undefined -fno-sanitize-recover=all)
mkdir -p "$out/obj" "$out/bin"

# One static library per layer: its sources without the tests, recompiled when
# a source or any header is newer than its object.
compile_layer() {
  local layer=$1 src obj pending=()
  for src in "$root/src/$layer"/*.cpp; do
    # Tests and program entry points are not library code (vexo_main.cpp is).
    [[ $src == *_test.cpp ]] && continue
    grep -q '^int main(' "$src" && continue
    obj="$out/obj/$layer-$(basename "${src%.cpp}").o"
    if [[ ! -f $obj || $src -nt $obj || -n $(find "$root/src" -name '*.h' -newer "$obj" -print -quit) ]]; then
      pending+=("$src")
    fi
  done
  if ((${#pending[@]})); then
    printf '%s\n' "${pending[@]}" | xargs -P "$(nproc)" -I{} sh -c \
      'exec "$0" "$@" -fsanitize=fuzzer-no-link -c "{}" -o "'"$out/obj/$layer"'-$(basename "{}" .cpp).o"' \
      "$cxx" "${flags[@]}"
  fi
  rm -f "$out/obj/lib$layer.a"
  ar rcs "$out/obj/lib$layer.a" "$out/obj/$layer"-*.o
}

status=0
declare -A built=()
for entry in "${targets[@]}"; do
  name=${entry%%:*}
  read -r -a layers <<<"${entry#*:}"
  libs=()
  for layer in "${layers[@]}"; do
    if [[ $layer == -l* ]]; then
      libs+=("$layer")
      continue
    fi
    if [[ -z ${built[$layer]:-} ]]; then
      compile_layer "$layer"
      built[$layer]=1
    fi
    libs+=("$out/obj/lib$layer.a")
  done
  echo "== building $name"
  "$cxx" "${flags[@]}" -fsanitize=fuzzer "$here/$name.cpp" "${libs[@]}" -o "$out/bin/$name"

  echo "== running $name for ${secs}s"
  work="$out/corpus/$name"
  mkdir -p "$work" "$out/artifacts"
  seeds="$here/corpus/$name"
  [[ -d $seeds || ! -d $here/corpus/${name%_fuzz} ]] || seeds="$here/corpus/${name%_fuzz}"
  mkdir -p "$seeds"
  if ! "$out/bin/$name" "$work" "$seeds" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$out/artifacts/$name-" -print_final_stats=1 >"$out/$name.log" 2>&1; then
    echo "!! $name failed; see $out/$name.log and $out/artifacts/" >&2
    tail -40 "$out/$name.log" >&2
    status=1
  elif grep -qE 'runtime error|ERROR: (Address|Leak|UndefinedBehavior)Sanitizer' "$out/$name.log"; then
    echo "!! $name: sanitizer report in $out/$name.log" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units|^Done' "$out/$name.log" || true
  fi
done
exit $status
