#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
set -euo pipefail
pkgs=(cmake ninja-build g++ clang ccache pkgconf libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libproj-dev libnetcdf-dev nlohmann-json3-dev
  libcairo2-dev fonts-dejavu-core  # gridplot: Cairo, and a font for its texts
  # the clients scripts/client-tests.sh checks grid2nc and nc2grid against
  netcdf-bin cdo gdal-bin python3-xarray python3-netcdf4 nco python3-pyproj
  # GRIB2 on ecCodes, with CCSDS packing; its tools and cfgrib for the client checks
  libeccodes-dev libeccodes-tools libaec-dev python3-cfgrib
  # the Python package and its xarray backend on Dask
  python3-pybind11 python3-numpy python3-dask python3-distributed python3-pytest
  # gridplot's coastlines and country borders
  gmt-gshhg-low gmt-dcw)
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
