#!/usr/bin/env bash
# grid2nc and nc2grid against the tools meteorologists use: exports read by
# ncdump, CDO, GDAL and xarray; imports of files CDO and GDAL wrote, checked
# value for value against what the tool itself reads. Skipped (status 0) when
# a tool is not installed. BUILD_DIR names the build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${BUILD_DIR:-build}")
py=/usr/bin/python3  # Debian's python, where python3-xarray lives

for tool in ncdump ncgen ncap2 ncatted ncrcat cdo gdalinfo gdal_translate gdaltransform gdal_create; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "client-tests: $tool is not installed; skipped"
    exit 0
  fi
done
if ! "$py" -c 'import xarray, netCDF4' >/dev/null 2>&1; then
  echo "client-tests: python3-xarray or python3-netcdf4 is not installed; skipped"
  exit 0
fi

cmake --build "$build" --target text2grid gridinfo griddiff gridplot grid2nc nc2grid grid2grib grib2grid \
  >/dev/null
program() { find "$build" -type f -name "$1" -perm -u+x | head -n 1; }
text2grid=$(program text2grid)
gridinfo=$(program gridinfo)
grid2nc=$(program grid2nc)
nc2grid=$(program nc2grid)
grid2grib=$(program grid2grib)
grib2grid=$(program grib2grid)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
ok() { echo "client-tests: ok   $*"; }
bad() { echo "client-tests: FAIL $*" >&2; failures=$((failures + 1)); }
check() {  # check "what" command...
  local what=$1
  shift
  if "$@"; then ok "$what"; else bad "$what"; fi
}
dump() { "$gridinfo" "$1" --dump "$2"; }

# --- Grid files to export: the bundled example (CED, two times, TMPK on three
# levels and PMSL) and a 10 x 8 Lambert grid with a 12-hour forecast.
sed -e "3s#.*#$root/examples/input.txt#" -e "4s#.*#^$work/ced.grd#" \
  "$root/examples/answers.txt" >ced.answers
"$text2grid" <ced.answers >/dev/null
awk 'BEGIN { for (j = 0; j < 8; j++) for (i = 0; i < 10; i++) print 280 + j * 0.5 + i * 0.25 }' \
  >lcc.values
printf '%s\n' 10 8 "$work/lcc.values" "^$work/lcc.grd" 0 1 1 "20.0 -120.0 50.0 -70.0" LCC \
  "25.0 -95.0 25.0" 910823/1200F012 TMPK 1 1 0 850 >lcc.answers
"$text2grid" <lcc.answers >/dev/null
"$grid2nc" ced.grd ced.nc >/dev/null
"$grid2nc" lcc.grd lcc.nc >/dev/null
"$grid2nc" ced.grd ced-classic.nc --classic >/dev/null

# --- ncdump
check "ncdump reads the netCDF-4 export" \
  grep -q 'TMPK:standard_name = "air_temperature"' <(ncdump -h ced.nc)
check "ncdump reads the classic export" \
  grep -q 'crs:grid_mapping_name = "latitude_longitude"' <(ncdump -h ced-classic.nc)
check "ncdump shows the Lambert grid mapping" \
  grep -q 'crs:grid_mapping_name = "lambert_conformal_conic"' <(ncdump -h lcc.nc)
check "ncdump: missing values are _FillValue" \
  grep -q 'TMPK:_FillValue = -9999.f' <(ncdump -h lcc.nc)

# --- CDO
check "cdo sinfon: variables, lonlat grid, pressure levels" \
  "$py" - <(cdo -s sinfon ced.nc 2>&1) <<'EOF'
import sys
text = open(sys.argv[1]).read()
need = ["TMPK", "PMSL", "lonlat", "points=48 (8x6)", "lon : -100 to -86 by 2 degrees_east",
        "lat : 30 to 37.5 by 1.5 degrees_north", "pressure : 500 to 850 hPa", "2 steps"]
missing = [n for n in need if n not in text]
sys.exit(f"missing {missing} in:\n{text}" if missing else 0)
EOF
check "cdo sinfon: Lambert mapping and forecast reference time" \
  "$py" - <(cdo -s sinfon lcc.nc 2>/dev/null) <<'EOF'
import sys
text = open(sys.argv[1]).read()
need = ["mapping : lambert_conformal_conic", "points=80 (10x8)", "ForecastRefTime =  1991-08-23T12:00:00"]
missing = [n for n in need if n not in text]
sys.exit(f"missing {missing} in:\n{text}" if missing else 0)
EOF
check "cdo showtimestamp: valid times" \
  test "$(cdo -s showtimestamp ced.nc | xargs)" = "1991-08-23T12:00:00 1991-08-24T00:00:00"
check "cdo showtimestamp: forecast valid time" \
  test "$(cdo -s showtimestamp lcc.nc 2>/dev/null | xargs)" = "1991-08-24T00:00:00"

# --- GDAL
gdalinfo -json NETCDF:ced.nc:PMSL >ced.gdal.json
gdalinfo -json NETCDF:lcc.nc:TMPK >lcc.gdal.json
check "gdalinfo: CED corners (pixel edges) and geographic CRS" \
  "$py" - ced.gdal.json <<'EOF'
import json, sys
d = json.load(open(sys.argv[1]))
c = d["cornerCoordinates"]
# Points -100..-86 by 2 and 30..37.5 by 1.5: edges half a step outside.
want = {"upperLeft": [-101.0, 38.25], "lowerRight": [-85.0, 29.25]}
bad = [(k, c[k], v) for k, v in want.items() if any(abs(a - b) > 1e-9 for a, b in zip(c[k], v))]
wkt = d["coordinateSystem"]["wkt"]
if bad or "GEOGCRS" not in wkt or "6371200" not in wkt:
    sys.exit(f"corners {bad}, wkt {wkt[:200]}")
EOF
check "gdalinfo: Lambert projection and corners" \
  "$py" - lcc.gdal.json lcc.nc <<'EOF'
import json, sys, netCDF4
d = json.load(open(sys.argv[1]))
wkt = d["coordinateSystem"]["wkt"]
ds = netCDF4.Dataset(sys.argv[2])
x, y = ds["x"][:], ds["y"][:]
dx, dy = x[1] - x[0], y[1] - y[0]
c = d["cornerCoordinates"]
want = {"lowerLeft": [x[0] - dx / 2, y[0] - dy / 2], "upperRight": [x[-1] + dx / 2, y[-1] + dy / 2]}
bad = [(k, c[k], v) for k, v in want.items() if any(abs(a - b) > 1e-2 for a, b in zip(c[k], v))]
if "Lambert" not in wkt or 'PARAMETER["Latitude of 1st standard parallel",25' not in wkt or bad:
    sys.exit(f"corners {bad}\n{wkt}")
EOF
# The corner grid points' latitude and longitude as GDAL's own transformation gives them.
lcc_srs=$("$py" -c 'import json,sys; print(json.load(open(sys.argv[1]))["coordinateSystem"]["wkt"])' lcc.gdal.json)
read -r x1 y1 x2 y2 < <("$py" -c '
import sys, netCDF4
d = netCDF4.Dataset(sys.argv[1]); x, y = d["x"][:], d["y"][:]
print(repr(float(x[0])), repr(float(y[0])), repr(float(x[-1])), repr(float(y[-1])))' lcc.nc)
printf '%s %s\n%s %s\n' "$x1" "$y1" "$x2" "$y2" |
  gdaltransform -s_srs "$lcc_srs" -t_srs '+proj=longlat +R=6371200 +no_defs' >lcc.corners
check "gdaltransform: the Lambert export's corner points are the grid's corners" \
  "$py" - lcc.corners <<'EOF'
import sys
rows = [list(map(float, l.split()[:2])) for l in open(sys.argv[1])]
want = [(-120.0, 20.0), (-70.0, 50.0)]  # lon, lat of points (1,1) and (10,8)
bad = [(r, w) for r, w in zip(rows, want) if abs(r[0] - w[0]) > 1e-6 or abs(r[1] - w[1]) > 1e-6]
sys.exit(f"corners {bad}" if bad else 0)
EOF
gdal_translate -q -of XYZ -co SIGNIFICANT_DIGITS=9 -b 2 NETCDF:ced.nc:PMSL ced.pmsl.xyz
check "GDAL reads the CED export value for value" \
  "$py" - ced.pmsl.xyz <(dump ced.grd 8) <<'EOF'
import sys
import numpy as np
gdal = np.array([float(l.split()[2]) for l in open(sys.argv[1])], np.float32)  # north row first
ours = np.array([float(l) for l in open(sys.argv[2])], np.float32)  # as the dump
sys.exit(f"{gdal} != {ours}" if len(ours) != 48 or not np.array_equal(gdal, ours) else 0)
EOF

# --- xarray
check "xarray decodes times, the grid mapping and the values" \
  "$py" - ced.nc lcc.nc <(dump ced.grd 1) <(dump lcc.grd 1) <<'EOF'
import sys, numpy as np, xarray as xr
ced = xr.open_dataset(sys.argv[1], decode_coords="all")
lcc = xr.open_dataset(sys.argv[2], decode_coords="all")
assert list(ced.time.values) == [np.datetime64("1991-08-23T12:00"), np.datetime64("1991-08-24T00:00")], ced.time
assert lcc.time.values[0] == np.datetime64("1991-08-24T00:00"), lcc.time
assert lcc.forecast_reference_time.values == np.datetime64("1991-08-23T12:00")
assert lcc.forecast_period.values[0] == np.timedelta64(12, "h"), lcc.forecast_period
assert "crs" in ced.TMPK.coords and "crs" in lcc.TMPK.coords  # grid_mapping decoded
assert lcc.crs.attrs["grid_mapping_name"] == "lambert_conformal_conic"
assert lcc.crs.attrs["standard_parallel"] == 25.0
assert ced.TMPK.attrs["units"] == "K" and ced.pressure.attrs["units"] == "hPa"
# Grid 1 is 910823/1200 850 hPa TMPK; the dump is top row first.
ours = np.array([float(l) for l in open(sys.argv[3])]).reshape(6, 8)[::-1]
theirs = ced.TMPK.sel(pressure=850).isel(time=0).values
assert np.array_equal(theirs.astype(np.float32), ours.astype(np.float32)), (theirs, ours)
ours = np.array([float(l) for l in open(sys.argv[4])]).reshape(8, 10)[::-1]
assert np.array_equal(lcc.TMPK.values[0, 0].astype(np.float32), ours.astype(np.float32))
assert abs(float(lcc.lat.values[0, 0]) - 20.0) < 1e-6 and abs(float(lcc.lon.values[-1, -1]) + 70.0) < 1e-6
EOF

# --- Imports: fields generated by CDO on a regular grid with pressure levels,
# and a Lambert grid GDAL wrote.
printf 'zaxistype = pressure\nsize = 3\nlevels = 100000 85000 50000\n' >zaxis.txt
cdo -s -f nc -settaxis,2024-01-01,00:00:00,6hour -setzaxis,zaxis.txt -duplicate,2 \
  -add -enlarge,r36x18 -stdatm,0,1500,5500 -random,r36x18,42 cdo.nc
"$nc2grid" cdo.nc cdo.grd >cdo.import 2>&1
"$gridinfo" cdo.grd --json >cdo.json
for name in P T; do
  cdo -s -outputtab,name,date,time,lev,lat,lon -selname,$name cdo.nc >cdo.$name.where
  cdo -s -outputf,%.9g,1 -selname,$name cdo.nc >cdo.$name.values
done
for n in $(seq 1 12); do dump cdo.grd "$n" >cdo.dump.$n; done
check "nc2grid imports CDO's fields value for value" \
  "$py" - <<'EOF'
import json
import numpy as np
# gridinfo's document: number, time, level and parameter of every grid.
doc = json.load(open("cdo.json"))
grids = {(g["time1"]["text"], g["level1"], g["param"]): g["number"] for g in doc["grids"]}
nav = doc["navigation"]
lat1, lon1 = nav["lower_left"]["lat"], nav["lower_left"]["lon"]
lat2, lon2 = nav["upper_right"]["lat"], nav["upper_right"]["lon"]
assert (lat1, lon1, lat2, lon2) == (-85.0, 0.0, 85.0, 350.0), nav
assert all(g["vcoord"] == "PRES" for g in doc["grids"]), doc["grids"]
assert len(grids) == 12, grids
names = {"P": "PRES", "T": "TMPK"}  # by standard_name and units through the table
checked = 0
for name, param in names.items():
    where = [l.split() for l in open(f"cdo.{name}.where") if not l.startswith("#")]
    values = [float(l) for l in open(f"cdo.{name}.values")]
    assert len(where) == len(values) == 2 * 3 * 648
    for (n, date, hhmmss, lev, lat, lon), v in zip(where, values):
        text = date[2:4] + date[5:7] + date[8:10] + "/" + hhmmss[0:2] + hhmmss[3:5]
        grid = grids[(text, int(float(lev)) // 100, param)]
        dump = [float(x) for x in open(f"cdo.dump.{grid}")]
        j = round((float(lat) - lat1) / 10)  # row from the south, from 0
        i = round((float(lon) - lon1) / 10)
        ours = dump[(17 - j) * 36 + i]  # the dump is top row first
        assert np.float32(ours) == np.float32(v), (name, date, lev, lat, lon, ours, v)
        checked += 1
print(f"{checked} values")
EOF

# --- Years: read in 1950-2049 without any option. The 2024 CDO file keeps
# 2024 through nc2grid and grid2nc; a December 2026 conversion (a four-digit
# year typed in the answers, a 6-hour forecast) reads as 2026 in CDO and
# xarray; --first-year 1921 and T2G_FIRST_YEAR=1921 give the old reading.
"$grid2nc" cdo.grd cdo-again.nc >/dev/null
check "a 2024 CDO file keeps 2024 through nc2grid and grid2nc" \
  test "$(cdo -s showtimestamp cdo-again.nc | xargs)" = "$(cdo -s showtimestamp cdo.nc | xargs)"
check "the CDO times are 2024" \
  test "$(cdo -s showtimestamp cdo-again.nc | xargs | cut -c1-4)" = 2024
sed -e "3s#.*#$root/examples/input.txt#" -e "4s#.*#^$work/y2026.grd#" \
  -e "s#^910823/1200\$#20261215/1200F006#" -e "s#^910824/0000\$#261216/0000#" \
  "$root/examples/answers.txt" >y2026.answers
"$text2grid" <y2026.answers >/dev/null
"$grid2nc" y2026.grd y2026.nc >/dev/null
T2G_FIRST_YEAR=1921 "$grid2nc" y2026.grd y1926.nc >/dev/null
"$grid2nc" y2026.grd y1926-option.nc --first-year 1921 >/dev/null
check "cdo showtimestamp: December 2026 valid times" \
  test "$(cdo -s showtimestamp y2026.nc 2>/dev/null | xargs)" = "2026-12-15T18:00:00 2026-12-16T00:00:00"
check "cdo showtimestamp: T2G_FIRST_YEAR=1921 gives 1926" \
  test "$(cdo -s showtimestamp y1926.nc 2>/dev/null | xargs)" = "1926-12-15T18:00:00 1926-12-16T00:00:00"
check "cdo showtimestamp: --first-year 1921 gives 1926" \
  test "$(cdo -s showtimestamp y1926-option.nc 2>/dev/null | xargs)" = "1926-12-15T18:00:00 1926-12-16T00:00:00"
check "xarray reads the December 2026 export as 2026" \
  "$py" - <<'PY'
import numpy as np, xarray as xr
ds = xr.open_dataset("y2026.nc")
assert [str(t)[:16] for t in ds["time"].values] == ["2026-12-15T18:00", "2026-12-16T00:00"], ds["time"].values
ref = ds["forecast_reference_time"].values
assert str(np.atleast_1d(ref)[0])[:16] == "2026-12-15T12:00", ref
PY
check "gridinfo lists 2026 and selects the forecast by its valid time" \
  test "$("$gridinfo" y2026.grd --csv --time 2026-12-15T18:00Z | cut -d, -f4,28,29 | sort -u | xargs)" = \
  "2026-12-15T12:00Z,2026-12-15T18:00Z,360 time1_iso,valid_iso,forecast_minutes"

cat >lcc.asc <<'EOF'
ncols 4
nrows 3
xllcorner -500000
yllcorner 100000
cellsize 250000
NODATA_value -1
1.5 2.5 3.5 4.5
5 6 -1 8
9 10 11 12.25
EOF
gdal_srs='+proj=lcc +lat_1=33 +lat_2=45 +lat_0=40 +lon_0=-97 +datum=WGS84 +units=m +no_defs'
gdal_translate -q -of netCDF -a_srs "$gdal_srs" lcc.asc gdal.nc
"$nc2grid" gdal.nc gdal.grd >gdal.import 2>&1
gdal_translate -q -of XYZ -co SIGNIFICANT_DIGITS=9 gdal.nc gdal.xyz
printf '%s\n' '-375000 225000' '375000 725000' |
  gdaltransform -s_srs "$gdal_srs" -t_srs EPSG:4326 -output_xy >gdal.corners  # lon lat
check "nc2grid imports GDAL's Lambert grid value for value, corners where GDAL puts them" \
  "$py" - <(dump gdal.grd 1) <("$gridinfo" gdal.grd --json) <<'EOF'
import json, sys
import numpy as np
gdal = [float(l.split()[2]) for l in open("gdal.xyz")]  # north row first, as the dump
gdal = np.array([-9999.0 if v == -1 else v for v in gdal], np.float32)  # nodata is missing
ours = np.array([float(l) for l in open(sys.argv[1])], np.float32)
assert len(ours) == 12 and np.array_equal(gdal, ours), (gdal, ours)
nav = json.load(open(sys.argv[2]))["navigation"]
assert nav["projection"] == "LCC", nav
assert [a["value"] for a in nav["angles"]] == [33.0, -97.0, 45.0], nav
lat1, lon1 = nav["lower_left"]["lat"], nav["lower_left"]["lon"]
lat2, lon2 = nav["upper_right"]["lat"], nav["upper_right"]["lon"]
(glon1, glat1), (glon2, glat2) = [tuple(map(float, l.split()[:2])) for l in open("gdal.corners")]
for a, b in ((lat1, glat1), (lon1, glon1), (lat2, glat2), (lon2, glon2)):
    assert abs(a - b) < 1e-5, (a, b)  # 32-bit reals: about 1e-6 degrees
EOF
check "nc2grid warns that GDAL's earth is not the sphere" grep -q 'not the 6,371,200 m sphere' gdal.import

# --- GRIB2: grid2grib's messages read by ecCodes' tools, CDO, GDAL and
# xarray's cfgrib; grib2grid's imports of GRIB2 files CDO made.
if command -v grib_ls >/dev/null 2>&1 && "$py" -c 'import cfgrib' >/dev/null 2>&1; then
  "$grid2grib" ced.grd ced.grib2 >/dev/null
  "$grid2grib" lcc.grd lcc.grib2 >/dev/null
  "$grid2grib" ced.grd ced-ieee.grib2 --packing ieee >/dev/null
  "$grid2grib" lcc.grd lcc-ieee.grib2 --packing ieee >/dev/null
  grib_ls -p shortName,typeOfLevel,level,dataDate,dataTime,stepRange,gridType,packingType \
    ced.grib2 | awk 'NF == 8 && $1 != "shortName"' | sed -n '1p;4p;5p' >ced.grib_ls
  printf '%s\n' "t isobaricInhPa 850 19910823 1200 0 regular_ll grid_ccsds" \
    "prmsl meanSea 0 19910823 1200 0 regular_ll grid_ccsds" \
    "t isobaricInhPa 850 19910824 0 0 regular_ll grid_ccsds" >ced.grib_ls.want
  check "grib_ls: parameter, level, date, step, grid and packing of the messages" \
    diff -w ced.grib_ls.want ced.grib_ls
  check "grib_dump: Lambert template on the 6,371,200 m sphere, a 12-hour forecast" \
    "$py" - <(grib_dump -O lcc.grib2) <<'EOF'
import sys
text = open(sys.argv[1]).read()
need = ["gridDefinitionTemplateNumber = 30", "shapeOfTheEarth = 1",
        "scaledValueOfRadiusOfSphericalEarth = 6371200", "Latin1 = 25000000", "LoV = 265000000",
        "forecastTime = 12", "typeOfProcessedData = 1", "scaledValueOfFirstFixedSurface = 85000"]
missing = [n for n in need if n not in text]
sys.exit(f"missing {missing}" if missing else 0)
EOF
  check "grib_get_data: the values and first points of gridinfo --dump" \
    "$py" - <(grib_get_data -F %.9g -w count=1 ced-ieee.grib2) <(dump ced.grd 1) \
    <(grib_get_data -F %.9g lcc-ieee.grib2) <(dump lcc.grd 1) <<'EOF'
import sys
import numpy as np
def rows(path):
    return np.array([[float(x) for x in l.split()] for l in open(path) if l.strip()[:1] in "-0123456789"])
cases = ((sys.argv[1], sys.argv[2], 8, (30.0, 260.0)), (sys.argv[3], sys.argv[4], 10, (20.0, 240.0)))
for data, dump, nx, corner in cases:
    d = rows(data)  # lat lon value from the first point (south-west), rows eastward
    ours = np.array([float(l) for l in open(dump)], np.float32)  # top row first
    ours = ours.reshape(-1, nx)[::-1].ravel()
    assert np.array_equal(d[:, 2].astype(np.float32), ours), (d[:, 2], ours)
    assert abs(d[0, 0] - corner[0]) < 1e-6 and abs(d[0, 1] - corner[1]) < 1e-6, d[0]
EOF
  check "cdo sinfon: GRIB2 lonlat grid and pressure levels" \
    "$py" - <(cdo -s sinfon ced.grib2 2>&1) <<'EOF'
import sys
text = open(sys.argv[1]).read()
need = ["GRIB2", "lonlat", "points=48 (8x6)", "plev : 85000 to 50000 Pa", "2 steps"]
missing = [n for n in need if n not in text]
sys.exit(f"missing {missing} in:\n{text}" if missing else 0)
EOF
  check "cdo showtimestamp: GRIB2 valid times" \
    test "$(cdo -s showtimestamp ced.grib2 2>/dev/null | xargs)" = \
    "1991-08-23T12:00:00 1991-08-24T00:00:00"
  check "cdo showtimestamp: GRIB2 forecast valid time" \
    test "$(cdo -s showtimestamp lcc.grib2 2>/dev/null | xargs)" = "1991-08-24T00:00:00"
  # GDAL 3.6 reads no CCSDS packing (template 5.42): the IEEE export.
  gdalinfo -json lcc-ieee.grib2 >lcc.grib.json 2>/dev/null
  check "gdalinfo: the GRIB2 Lambert grid's corner points where PROJ puts the grid's corners" \
    "$py" - lcc.grib.json <<'EOF'
import json, subprocess, sys
d = json.load(open(sys.argv[1]))
x0, dx, _, y0, _, dy = d["geoTransform"]
wkt = d["coordinateSystem"]["wkt"]
assert "Lambert" in wkt and "6371200" in wkt, wkt
nx, ny = d["size"]
# Pixel centres of the first point of the bottom row and the last of the top row.
pts = [(x0 + dx / 2, y0 + dy * (ny - 0.5)), (x0 + dx * (nx - 0.5), y0 + dy / 2)]
out = subprocess.run(["gdaltransform", "-s_srs", wkt, "-t_srs", "+proj=longlat +R=6371200 +no_defs"],
                     input="".join(f"{x!r} {y!r}\n" for x, y in pts), capture_output=True,
                     text=True).stdout
got = [tuple(map(float, l.split()[:2])) for l in out.splitlines()]
want = [(-120.0, 20.0), (-70.0, 50.0)]
bad = [(g, w) for g, w in zip(got, want) if abs(g[0] - w[0]) > 1e-5 or abs(g[1] - w[1]) > 1e-5]
sys.exit(f"corners {bad}" if bad or len(got) != 2 else 0)
EOF
  check "xarray with cfgrib: times, steps, levels and values" \
    "$py" - ced-ieee.grib2 lcc-ieee.grib2 <(dump ced.grd 1) <<'EOF'
import sys, numpy as np, xarray as xr
ced = xr.open_dataset(sys.argv[1], engine="cfgrib", indexpath="",
                      backend_kwargs={"filter_by_keys": {"typeOfLevel": "isobaricInhPa"}})
lcc = xr.open_dataset(sys.argv[2], engine="cfgrib", indexpath="")
assert list(ced.time.values) == [np.datetime64("1991-08-23T12:00"),
                                 np.datetime64("1991-08-24T00:00")], ced.time
assert sorted(ced.isobaricInhPa.values.tolist()) == [500, 700, 850]
assert lcc.step.values == np.timedelta64(12, "h"), lcc.step
assert lcc.valid_time.values == np.datetime64("1991-08-24T00:00"), lcc.valid_time
assert lcc.t.attrs["GRIB_gridType"] == "lambert"
ours = np.array([float(l) for l in open(sys.argv[3])], np.float32).reshape(6, 8)[::-1]  # south first
theirs = ced.t.sel(isobaricInhPa=850).isel(time=0).values.astype(np.float32)
if ced.latitude.values[0] > ced.latitude.values[-1]:
    theirs = theirs[::-1]
assert np.array_equal(theirs, ours), (theirs, ours)
EOF
  "$grib2grid" ced.grib2 ced-back.grd >/dev/null
  "$grib2grid" lcc-ieee.grib2 lcc-back.grd >/dev/null
  check "grib2grid: identifiers and navigation back, values exact in IEEE packing" \
    "$py" - <("$gridinfo" ced.grd --json) <("$gridinfo" ced-back.grd --json) \
    <(dump lcc.grd 1) <(dump lcc-back.grd 1) <<'EOF'
import json, sys
a, b = json.load(open(sys.argv[1])), json.load(open(sys.argv[2]))
assert a["navigation"] == b["navigation"], (a["navigation"], b["navigation"])
ids = lambda d: [(g["time1"]["text"], g["level1"], g["vcoord"], g["param"]) for g in d["grids"]]
assert ids(a) == ids(b), (ids(a), ids(b))
assert open(sys.argv[3]).read() == open(sys.argv[4]).read()
EOF
  # CDO's own GRIB2 (its topography remapped to a global grid and to a
  # regional grid scanned north first) imports with the values CDO reads.
  cdo -s -f grb2 -settaxis,2024-01-01,00:00:00 -remapbil,r36x18 -topo topo-global.grib2 2>/dev/null
  printf '%s\n' "gridtype = lonlat" "xsize = 12" "ysize = 8" "xfirst = -30" "xinc = 2.5" \
    "yfirst = 35" "yinc = 2.5" >box.txt
  cdo -s -f grb2 -settaxis,2024-01-01,00:00:00 -invertlat -remapbil,box.txt -topo \
    topo-box.grib2 2>/dev/null
  for f in topo-global topo-box; do
    "$grib2grid" $f.grib2 $f.grd --name ZSFC --first-year 1950 >/dev/null
    cdo -s -outputtab,lat,lon $f.grib2 >$f.where
    cdo -s -outputf,%.9g,1 $f.grib2 >$f.values
    dump $f.grd 1 >$f.dump
    "$gridinfo" $f.grd --json >$f.json
  done
  check "grib2grid imports CDO's GRIB2 value for value" \
    "$py" - <<'EOF'
import json
import numpy as np
checked = 0
for f in ("topo-global", "topo-box"):
    nav = json.load(open(f"{f}.json"))["navigation"]
    lat1, lon1 = nav["lower_left"]["lat"], nav["lower_left"]["lon"]
    dx, dy, nx, ny = nav["spacing"]["dx"], nav["spacing"]["dy"], nav["nx"], nav["ny"]
    where = [l.split() for l in open(f"{f}.where") if not l.startswith("#")]
    values = [float(l) for l in open(f"{f}.values")]
    dump = [float(l) for l in open(f"{f}.dump")]  # the last row first
    assert len(where) == len(values) == len(dump) == nx * ny, f
    for (lat, lon), v in zip(where, values):
        i = round(((float(lon) - lon1) % 360) / dx)
        j = round((float(lat) - lat1) / dy)
        ours = dump[(ny - 1 - j) * nx + i]
        assert np.float32(ours) == np.float32(v), (f, lat, lon, ours, v)
        checked += 1
print(f"{checked} values")
EOF
else
  echo "client-tests: ecCodes' tools or python3-cfgrib are not installed; GRIB2 checks skipped"
fi
# --- Imports of files others changed or wrote, each the way a user met it.
values() { "$gridinfo" "$1" --dump "$2" | xargs; }
params_of() { "$gridinfo" "$1" --json | "$py" -c "import json,sys; print(sorted({g['$2'] for g in json.load(sys.stdin)['grids']}))"; }
# grid2nc's hints (t2g_*) hold only while the CF metadata they came with does.
ncap2 -O -s 'TMPK=TMPK-273.15f' ced.nc tmpc.nc && ncatted -O -a units,TMPK,o,c,degC tmpc.nc
"$nc2grid" tmpc.nc tmpc.grd >tmpc.import 2>&1
check "NCO's degC over an export's TMPK is filed as TMPC" test "$(params_of tmpc.grd param)" = "['PMSL', 'TMPC']"
check "... with a warning" grep -q 't2g_parameter TMPK (K) no longer matches its units degC' tmpc.import
ncap2 -O -s 'pressure=pressure*100' ced.nc pa.nc && ncatted -O -a units,pressure,o,c,Pa pa.nc
"$nc2grid" pa.nc pa.grd >pa.import 2>&1
check "NCO's pressure axis in Pa is filed in hPa" test "$(params_of pa.grd level1)" = "[0, 500, 700, 850]"
check "... with a warning" grep -q 't2g_vcoord (PRES) no longer matches its units "Pa"' pa.import
gdal_translate -q -of netCDF -b 2 NETCDF:ced.nc:TMPK band.nc
"$nc2grid" band.nc band.grd >band.import 2>&1
check "one band GDAL took out of an export has no level: 0 NONE, not 0 PRES" \
  grep -q 'grid 1 written: - 0 NONE TMPK' band.import
# Values: _Unsigned bytes, units other than the table's.
cat >units.cdl <<'EOF'
netcdf units {
dimensions: lat = 2 ; lon = 3 ;
variables:
  float lat(lat) ; lat:units = "degrees_north" ;
  float lon(lon) ; lon:units = "degrees_east" ;
  byte cover(lat, lon) ; cover:_Unsigned = "true" ;
  float pmsl(lat, lon) ; pmsl:standard_name = "air_pressure_at_mean_sea_level" ; pmsl:units = "Pa" ;
  float tmpk(lat, lon) ; tmpk:units = "degC" ;
data:
  lat = 10, 11 ; lon = 20, 21, 22 ;
  cover = 0, 100, -56, -6, -128, 127 ;
  pmsl = 101325, 101000, 100900, 99000, 102000, 101500 ;
  tmpk = 10, 11, 12, 24.5, 0, 15 ;
}
EOF
ncgen -k classic -o units.nc units.cdl
"$nc2grid" units.nc units.grd >units.import 2>&1
check "_Unsigned bytes read as xarray reads them (north row first)" \
  test "$(values units.grd 1)" = "$("$py" -c 'import xarray as xr; print(*xr.open_dataset("units.nc").cover.values[::-1].ravel())')"
check "pmsl in Pa is filed as PMSL in hPa" test "$(values units.grd 2)" = "990 1020 1015 1013.25 1010 1009"
check "tmpk in degC is filed as TMPK in K" \
  test "$(values units.grd 3)" = "297.65 273.15 288.15 283.15 284.15 285.15"
# A Lambert grid on the Paris meridian, placed as pyproj places it.
cat >paris.cdl <<'EOF'
netcdf paris {
dimensions: y = 3 ; x = 4 ;
variables:
  int crs ; crs:grid_mapping_name = "lambert_conformal_conic" ;
    crs:standard_parallel = 45.89891889, 47.69601444 ; crs:longitude_of_central_meridian = 0. ;
    crs:latitude_of_projection_origin = 46.8 ; crs:longitude_of_prime_meridian = 2.33722917 ;
    crs:false_easting = 600000. ; crs:false_northing = 2200000. ; crs:earth_radius = 6371200. ;
  double y(y) ; y:standard_name = "projection_y_coordinate" ; y:units = "m" ;
  double x(x) ; x:standard_name = "projection_x_coordinate" ; x:units = "m" ;
  float t(y, x) ; t:grid_mapping = "crs" ; t:standard_name = "air_temperature" ; t:units = "K" ;
data:
  y = 2000000, 2100000, 2200000 ; x = 500000, 600000, 700000, 800000 ;
  t = 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 ;
}
EOF
ncgen -k classic -o paris.nc paris.cdl
"$nc2grid" paris.nc paris.grd >paris.import 2>&1
check "a Lambert grid's prime meridian is applied, as pyproj's from_cf does" \
  "$py" - <("$gridinfo" paris.grd --json) <<'EOF'
import json, sys, netCDF4, pyproj
nav = json.load(open(sys.argv[1]))["navigation"]
crs = pyproj.CRS.from_cf(netCDF4.Dataset("paris.nc")["crs"].__dict__)
to_greenwich = pyproj.Transformer.from_crs(crs, "+proj=longlat +R=6371200 +no_defs", always_xy=True)
for corner, (x, y) in (("lower_left", (500000, 2000000)), ("upper_right", (800000, 2200000))):
    lon, lat = to_greenwich.transform(x, y)
    ours = nav[corner]
    assert abs(ours["lat"] - lat) < 1e-5 and abs(ours["lon"] - lon) < 1e-5, (corner, ours, lon, lat)
EOF
# GDAL's Web Mercator: CF attributes of an ellipsoidal Mercator, crs_wkt of
# the spherical one GDAL used.
gdal_create -q -of netCDF -outsize 20 10 -bands 1 -burn 5 -a_srs EPSG:3857 \
  -a_ullr -1000000 6000000 1000000 5000000 webmerc.nc
"$nc2grid" webmerc.nc webmerc.grd >webmerc.import 2>&1
printf '%s\n' '-950000 5050000' '950000 5950000' |
  gdaltransform -s_srs EPSG:3857 -t_srs EPSG:4326 -output_xy >webmerc.corners
check "GDAL's Web Mercator lands where GDAL puts it" \
  "$py" - <("$gridinfo" webmerc.grd --json) <<'EOF'
import json, sys
nav = json.load(open(sys.argv[1]))["navigation"]
(lon1, lat1), (lon2, lat2) = [tuple(map(float, l.split()[:2])) for l in open("webmerc.corners")]
ours = nav["lower_left"], nav["upper_right"]
for got, lat, lon in ((ours[0], lat1, lon1), (ours[1], lat2, lon2)):
    assert abs(got["lat"] - lat) < 1e-5 and abs(got["lon"] - lon) < 1e-5, (got, lat, lon)
EOF

# --- Exports that others join and read back.
"$grid2nc" ced.grd first.nc --time 910823/1200 >/dev/null
"$grid2nc" ced.grd second.nc --time 910824/0000 >/dev/null
check "ncrcat joins two exports along their time dimension" ncrcat -O first.nc second.nc joined.nc
check "... which CDO reads as two steps" \
  test "$(cdo -s showtimestamp joined.nc | xargs)" = "1991-08-23T12:00:00 1991-08-24T00:00:00"
"$nc2grid" joined.nc joined.grd >joined.import 2>&1
check "... and nc2grid imports as the eight grids" test "$(params_of joined.grd number)" = "[1, 2, 3, 4, 5, 6, 7, 8]"
check "CDO reads a forecast export without a warning" test -z "$(cdo -s sinfon lcc.nc 2>&1 >/dev/null)"
cdo -s -f nc copy lcc.nc lcc-cdo.nc
"$nc2grid" lcc-cdo.nc lcc-cdo.grd >lcc-cdo.import 2>&1
check "CDO's copy of a forecast (leadtime, no reference time) is filed as the forecast" \
  grep -q 'grid 1 written: 910823/1200F012 850 PRES TMPK' lcc-cdo.import
"$grid2nc" ced.grd range.nc --time-range 1991-08-24T00:00Z,910824/0600 >/dev/null
check "grid2nc --time-range exports the grids valid in the range" \
  test "$(cdo -s showtimestamp range.nc | xargs)" = "1991-08-24T00:00:00"
check "grid2nc refuses --deflate with --classic" \
  test "$("$grid2nc" ced.grd deflated.nc --classic --deflate 2 >/dev/null 2>&1; echo $?)" = 2

# --- Hostile input: mutants of grid, netCDF and GRIB2 files into every reader
# (a short run of the probe; README, Reliability, gives the long one).
check "the hostile-input probe flags no crash, hang or damage (8 mutants per seed)" \
  "$py" "$root/scripts/probe.py" --build "$build" --count 8 --seed 20261208

if ((failures > 0)); then
  echo "client-tests: $failures check(s) failed" >&2
  exit 1
fi
echo "client-tests: all checks passed"
