#!/usr/bin/env bash
# Report benchmark: the field-definition report of a 255-field table (DAO test double) to PDF and
# to a report file, in process (first run and median) and as a whole process; and tabulon-cli
# report on a real file (jp_sample.mdb, Wide46: 46 fields, 2 pages).
#   bench/report/print.sh [build-dir]
set -euo pipefail
build=${1:-build}
bench="$build/tests/report_bench"
cli="$build/src/cli/tabulon-cli"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "== in process"
"$bench" --pdf "$out/r.pdf" --runs 11
"$bench" --qrp "$out/r.qrp" --runs 11

# Whole process: start, fonts, report, write, exit; mean of 10 runs.
whole() {
  local label=$1; shift
  local t0 t1
  "$@" >/dev/null 2>&1   # warm the page cache
  t0=$(date +%s%N)
  for _ in 1 2 3 4 5 6 7 8 9 10; do "$@" >/dev/null 2>&1; done
  t1=$(date +%s%N)
  echo "$label: $(( (t1 - t0) / 10000000 )) ms a run (mean of 10)"
}
echo "== whole process"
whole "report_bench --pdf (255 fields, 6 pages)" "$bench" --pdf "$out/w.pdf" --runs 1
whole "report_bench --qrp (255 fields, 6 pages)" "$bench" --qrp "$out/w.qrp" --runs 1
whole "tabulon-cli report jp_sample.mdb Wide46 --pdf" "$cli" report tests/data/jp_sample.mdb Wide46 --pdf "$out/c.pdf"
whole "tabulon-cli report jp_sample.mdb Wide46 --qrp" "$cli" report tests/data/jp_sample.mdb Wide46 --qrp "$out/c.qrp"
