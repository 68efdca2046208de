#!/usr/bin/env bash
# Opening SQL on a database with 20,000 tables and on one whose saved query holds a
# 128,000-term expression, against the files they were made from: `tabulon-cli query FILE
# "SELECT 1"`, whole process, median of 5 runs.
#   bench/sql/open.sh [build-dir]          (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
cli="$build/src/cli/tabulon-cli"
cmake --build "$build" --target tabulon-cli >/dev/null
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
xz -dc tests/data/damaged/many-tables.mdb.xz > "$tmp/many-tables.mdb"
xz -dc tests/data/damaged/long-saved-query.accdb.xz > "$tmp/long-saved-query.accdb"
median() { sort -n | sed -n 3p; }
for f in tests/data/jp_sample.mdb "$tmp/many-tables.mdb" tests/data/real/ASampleDatabase.accdb "$tmp/long-saved-query.accdb"; do
  t=$(for i in 1 2 3 4 5; do
        s=$(date +%s%N)
        "$cli" query "$f" "SELECT 1" >/dev/null
        e=$(date +%s%N)
        echo $(( (e - s) / 1000000 ))
      done | median)
  printf '%6s ms  SELECT 1 on %s\n' "$t" "$(basename "$f")"
done
