#!/usr/bin/env bash
# Builds and runs the whole test suite in four builds, warnings as errors:
#   build/       g++ RelWithDebInfo; then installed into a temporary prefix,
#                which is moved, and the consumer example examples/embed/ is
#                built against it (CMake package and pkg-config) and run
#   build-san/   g++ Debug under AddressSanitizer and UndefinedBehaviorSanitizer
#   build-rel/   g++ Release
#   build-clang/ clang++ RelWithDebInfo
# Fails on any failure. T2G_BUILDS (e.g. "plain san") runs a subset.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)
root=$PWD
builds=${T2G_BUILDS:-"plain san rel clang"}

# ccache, when present, makes a repeated run (CI after a session) cheap; paths
# are hashed relative to the tree so that another clone of it hits as well.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi

phase_start=$SECONDS
phase() {  # the time each build took, for the CI log
  echo "== $1: $((SECONDS - phase_start)) s"
  phase_start=$SECONDS
}

# configure_build_test DIR cmake-options...
configure_build_test() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DT2G_WERROR=ON "${launcher[@]}" "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

# The installed package, used from a prefix moved after installing.
check_install() {
  local tmp
  tmp=$(mktemp -d)
  cmake --install build --prefix "$tmp/installed" >/dev/null
  mv "$tmp/installed" "$tmp/moved"
  local prefix=$tmp/moved
  # No internal header is installed.
  for internal in dm/state.h dm/internal.h grid/marks.h pack/descriptor_flags.h \
                  services/unit_pool.h; do
    if [[ -e $prefix/include/text2grid/$internal ]]; then
      echo "internal header installed: $internal" >&2
      return 1
    fi
  done
  mkdir -p "$tmp/examples" && cp examples/input.txt "$tmp/examples/"
  # The moved programs find their message files and parameter table beside
  # themselves, not at the install path or in the source tree: both copies in
  # the moved tree are marked, and the marks must show.
  sed -i 's/^17 ! File already exists/17 ! File (moved) already exists/' \
    "$prefix/share/text2grid/errors/FL.ERR"
  sed -i 's/^TMPK \(| [a-z_ ]*| \)K /TMPK \1Kmoved/' "$prefix/share/text2grid/tables/parameters.tbl"
  (cd "$tmp" && env -u MORERR -u MORTBL "$prefix/bin/text2grid" <"$root/examples/answers.txt" \
    >/dev/null 2>&1 || true)
  local refused
  refused=$(cd "$tmp" && env -u MORERR -u MORTBL "$prefix/bin/text2grid" \
    <"$root/examples/answers.txt" 2>&1 || true)
  grep -q 'File (moved) already exists' <<<"$refused" ||
    { echo "moved text2grid: not the moved message files: $refused" >&2; return 1; }
  env -u MORERR -u MORTBL "$prefix/bin/gridinfo" "$tmp/examples/example.grd" | grep -q ' Kmoved ' ||
    { echo "moved gridinfo: not the moved parameter table" >&2; return 1; }
  # The Python package, from the moved prefix, for Debian's python3.
  local site
  site=$(find "$prefix" -type d -name dist-packages | head -n 1)
  (cd "$tmp" && PYTHONPATH=$site /usr/bin/python3 -c "
import xarray as xr
ds = xr.open_dataset('examples/example.grd', engine='text2grid')
assert ds['TMPK'].shape == (2, 3, 6, 8), ds
") || { echo "installed Python package: the example does not open" >&2; return 1; }

  env -u MORERR -u MORTBL "$prefix/bin/grid2grib" "$tmp/examples/example.grd" "$tmp/moved.grib2" \
    >/dev/null || { echo "moved grid2grib: no GRIB2 parameter table beside it" >&2; return 1; }
  if [[ ! -f src/gridfile/CMakeLists.txt ]]; then
    echo "(no src/gridfile library yet: the consumer example is not built)"
    rm -rf "$tmp"
    return 0
  fi
  # Through find_package. The consumer needs no environment variable, prints
  # nothing, and the test hooks are not in the installed libraries: the kill
  # hook's variable does not kill it (a kill would exit 137).
  cmake -S examples/embed -B "$tmp/embed" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
  cmake --build "$tmp/embed"
  (cd "$tmp" && env -u MORERR T2G_TEST_KILL_AT_CHANGE=1 "$tmp/embed/embed" cmake.grd \
    >"$tmp/cmake.out" 2>&1) || { echo "embed failed: $?" >&2; cat "$tmp/cmake.out" >&2; return 1; }
  [[ ! -s $tmp/cmake.out ]] || { echo "embed printed:" >&2; cat "$tmp/cmake.out" >&2; return 1; }
  "$prefix/bin/gridinfo" "$tmp/cmake.grd" | grep -q TMPK
  if compgen -G "$tmp/cmake.grd.*" >/dev/null; then
    echo "embed left a temporary file" >&2
    return 1
  fi
  # No generic folder on a consumer's include path: everything under text2grid/.
  [[ $(ls "$prefix/include") == text2grid ]] ||
    { echo "installed headers outside include/text2grid/" >&2; return 1; }
  # The installed libraries hold no test hook.
  if nm -C --defined-only "$prefix"/lib*/libt2g_*.a 2>/dev/null | grep -q ' T platform::testing::'; then
    echo "a test hook is in an installed library" >&2
    return 1
  fi
  # Through pkg-config.
  local pc
  pc=$(find "$prefix" -name text2grid.pc -printf '%h')
  local cflags libs msgdir
  cflags=$(PKG_CONFIG_PATH=$pc pkg-config --cflags text2grid)
  libs=$(PKG_CONFIG_PATH=$pc pkg-config --libs text2grid)
  msgdir=$(PKG_CONFIG_PATH=$pc pkg-config --variable=messagedir text2grid)
  test -f "$msgdir/DM.ERR"
  # shellcheck disable=SC2086
  g++ -std=c++20 -o "$tmp/embed_pc" examples/embed/main.cpp $cflags $libs
  (cd "$tmp" && env -u MORERR "$tmp/embed_pc" pc.grd)
  cmp "$tmp/cmake.grd" "$tmp/pc.grd"
  rm -rf "$tmp"
}

for b in $builds; do
  case $b in
    plain)
      configure_build_test build -DCMAKE_BUILD_TYPE=RelWithDebInfo
      check_install
      ;;
    san)
      cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug -DT2G_SANITIZE=ON -DT2G_WERROR=ON \
        "${launcher[@]}"
      cmake --build build-san -j "$jobs"
      ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp" \
        ctest --test-dir build-san --output-on-failure -j "$jobs"
      ;;
    rel)
      configure_build_test build-rel -DCMAKE_BUILD_TYPE=Release
      ;;
    clang)
      configure_build_test build-clang -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++
      ;;
    *)
      echo "unknown build: $b" >&2
      exit 2
      ;;
  esac
  phase "$b"
done
