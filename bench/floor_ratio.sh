#!/usr/bin/env bash
# The library with one and with two threads against the floor (one fread,
# std::from_chars on every token) and the stdio way (one fscanf per format),
# in one run, CPU and wall time, medians of alternating rounds, on three
# generated charts: the contour-rich 100 MB chart (make_chart --seed 1
# --size-mb 100: 36,115 closed contours), a 50 MB one of the same mix
# (seed 2), and a 100 MB chart with only 2,000 closed contours, as
# bench/run.sh reads.
#   bash bench/floor_ratio.sh        (ROUNDS=15 for more rounds)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset bench >/dev/null
cmake --build --preset bench -j2 --target floor_ratio make_chart >/dev/null

charts=$(mktemp -d)
trap 'rm -rf "$charts"' EXIT
make_chart=build/bench/tools/make_chart/make_chart
"$make_chart" --seed 1 --size-mb 100 -o "$charts/contour_rich_seed1_100MB.txt"
"$make_chart" --seed 2 --size-mb 50 -o "$charts/contour_rich_seed2_50MB.txt"
"$make_chart" --seed 14 --points 32 --size-mb 210 --contours 2000 -o "$charts/few_contours_100MB.txt"

build/bench/bench/floor_ratio --rounds "${ROUNDS:-7}" \
  "$charts/contour_rich_seed1_100MB.txt" "$charts/contour_rich_seed2_50MB.txt" \
  "$charts/few_contours_100MB.txt"
