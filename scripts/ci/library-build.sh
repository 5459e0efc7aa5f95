#!/usr/bin/env bash
# The library-first build, as a host developer meets it:
#  1. a plain configure of the project with the optional packages hidden
#     (CLI11, iconv, GoogleTest, GDAL, benchmark) succeeds and says, one line
#     per part, what it skipped and why; the library builds;
#  2. a C host that pulls the project in with add_subdirectory
#     (tests/consumer) builds the library alone, keeps the host's settings,
#     links, and reads the sample chart;
#  3. the ci preset, which requires its parts, refuses to configure without
#     GoogleTest rather than skip the unit tests.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
work=build/library-check
rm -rf "$work"
mkdir -p "$work"
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
fail() { echo "library build: FAILED: $*" >&2; exit 1; }

# --- 1. plain configure, optional packages hidden ---------------------------
hidden=()
for package in CLI11 Iconv GTest GDAL benchmark PROJ; do
  hidden+=("-DCMAKE_DISABLE_FIND_PACKAGE_$package=ON")
done
cmake -S . -B "$work/plain" -G Ninja -DREADDATA14_WERROR=ON "${launcher[@]}" "${hidden[@]}" >"$work/plain.log" 2>&1 ||
  { cat "$work/plain.log"; fail "the plain configure stopped"; }
sed -n '/what this build holds:/,/^-- Configuring done/p' "$work/plain.log" | grep -v '^-- Configuring done'
for part in "chart14 *skipped: CLI11" "GDAL driver *skipped: GDAL" "unit tests *skipped: GoogleTest" \
            "library *built"; do
  grep -Eq -- "-- +$part" "$work/plain.log" || fail "the configure did not say: $part"
done
cmake --build "$work/plain" --target readdata14 readdata14_static -j "$(nproc)" >"$work/plain-build.log" 2>&1 ||
  { tail -n 40 "$work/plain-build.log"; fail "the library did not build"; }
echo "plain build: the library built ($((SECONDS - start)) s)"

# --- 2. a host's build with the project inside ------------------------------
cmake -S tests/consumer -B "$work/host" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
  >"$work/host.log" 2>&1 || { cat "$work/host.log"; fail "the host's configure stopped"; }
# Nothing but the library and the host is built by default: none of the
# other parts' programs is a target.
others=$(ninja -C "$work/host" -t targets all | cut -d: -f1 |
         grep -Ex '(.*/)?(make_chart|chart14|print_chart|unit_tests|dump_chart|host_1_0|ogr_Chart14\.so|contours_bench)' || true)
[ -z "$others" ] || fail "a host's build holds more than the library: $(echo $others)"
# The host's READDATA14_WERROR=ON came through. The commands go through a
# file: under pipefail, grep -q leaving early kills ninja with SIGPIPE, and
# the pipeline fails on a machine where ninja was still writing.
ninja -C "$work/host" -t commands readdata14 >"$work/host-commands.txt"
grep -q -- '-Werror' "$work/host-commands.txt" || fail "the host's READDATA14_WERROR was overridden"
cmake --build "$work/host" -j "$(nproc)" >"$work/host-build.log" 2>&1 ||
  { tail -n 40 "$work/host-build.log"; fail "the host did not build"; }
out=$("$work/host/subproject_host" examples/sample_chart.txt) || fail "the host did not read the sample: $out"
echo "host: $out"

# --- 3. a preset requires its parts -----------------------------------------
if cmake --preset ci -B "$work/ci-without-gtest" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON >"$work/ci.log" 2>&1; then
  fail "the ci preset configured without GoogleTest"
fi
grep -q "GTest called with REQUIRED" "$work/ci.log" || { cat "$work/ci.log"; fail "the ci preset failed, but not for GoogleTest"; }
echo "ci preset: refuses to configure without GoogleTest"
echo "library build: passed in $((SECONDS - start)) s"
