#!/usr/bin/env bash
# Page store and EMF benchmark: builds bench/report/store_bench.cpp against the report engine
# of a build directory, runs it (coder MB/s, store, play), then times `tabulon-cli qrp-render`
# on the report file it wrote (whole process, PNG files included; best of 3).
#   bench/report/run.sh [build-dir] [pages]          (defaults: build, 20)
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
pages="${2:-20}"
cmake --build "$build" --target tabulon_reportengine tabulon-cli >/dev/null
out="$build/bench-report"
mods="Qt6Widgets Qt6PrintSupport Qt6Gui Qt6Core"
g++ -std=c++20 -O2 -DNDEBUG -Isrc $(pkg-config --cflags $mods) -fPIC bench/report/store_bench.cpp \
    "$build/src/reportengine/libtabulon_reportengine.a" $(pkg-config --libs $mods) -o "$out"
qrp="$build/bench-report.qrp"
"$out" "$qrp" "$pages"
png="$(mktemp -d)"
trap 'rm -rf "$png"' EXIT
best=""
for run in 1 2 3; do
  start=$(date +%s.%N)
  "$build/src/cli/tabulon-cli" qrp-render "$qrp" --png "$png" >/dev/null
  end=$(date +%s.%N)
  t=$(echo "$end - $start" | bc)
  if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
done
printf 'tabulon-cli qrp-render (%d pages, 150 dpi, PNG files, whole process): %.2f s, %.1f pages/s\n' \
  "$pages" "$best" "$(echo "$pages / $best" | bc -l)"
