#!/usr/bin/env bash
# Runs the text2grid program, as a process, on every input of the conversion
# fuzz corpora (the seeds and any folders given), laid out as conversion_fuzz
# reads them: the answers up to the first 0xFF byte, with the target's own
# input and output file names inserted after the first two answer lines, and
# the input value file after it. Fails when a run ends on a signal, with an
# exit status other than 0, 1 or 2 (86: a sanitizer report), or runs for more
# than 60 seconds.
#
#   fuzz/replay_conversion.sh TEXT2GRID [CORPUS_DIR...]
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
text2grid=$(realpath "$1")
shift
dirs=("$here/corpus/conversion_fuzz" "$@")
export MORERR=${MORERR:-$(dirname "$here")/tables/errors}
# A sanitizer build reports its findings with a status of its own.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}exitcode=86"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}exitcode=86:halt_on_error=1"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
count=0
tally=(0 0 0)
for dir in "${dirs[@]}"; do
  for input in "$dir"/*; do
    [[ -f $input ]] || continue
    rm -rf "${work:?}"/*
    cut=$(grep -obUaP '\xff' "$input" | head -n 1 | cut -d: -f1 || true)
    if [[ -n $cut ]]; then
      head -c "$cut" "$input" >"$work/stdin"
      tail -c +"$((cut + 2))" "$input" >"$work/values.txt"
    else
      cp "$input" "$work/stdin"
      : >"$work/values.txt"
    fi
    {
      head -n 2 "$work/stdin"
      printf '%s\n^%s\n' "$work/values.txt" "$work/grids.grd"
      tail -n +3 "$work/stdin"
    } >"$work/answers"
    status=0
    (cd "$work" && timeout 60 "$text2grid" <answers >stdout 2>stderr) || status=$?
    count=$((count + 1))
    if ((status > 2)); then
      echo "status $status: $input"
      failed=1
    else
      tally[status]=$((tally[status] + 1))
    fi
  done
done
echo "$count inputs replayed: status 0: ${tally[0]}, 1: ${tally[1]}, 2: ${tally[2]}"
exit "$failed"
