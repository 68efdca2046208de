#!/usr/bin/env bash
# SQL layer benchmark: builds bench/sql/sql_bench.cpp against the engine of a build directory
# and runs it on perf_large.mdb, then tries the same queries in mdb-sql.
#   bench/sql/run.sh [build-dir]          (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
db="${PERF_LARGE:-$(../shared/fixtures/perf-large)}"
cmake --build "$build" --target tabulon_engine tabulon_jet >/dev/null
out="$build/bench-sql"
g++ -std=c++20 -O2 -DNDEBUG -Isrc/engine $(pkg-config --cflags Qt6Core) -fPIC bench/sql/sql_bench.cpp \
    "$build/src/engine/libtabulon_engine.a" "$build/src/engine/jet/libtabulon_jet.a" \
    $(pkg-config --libs Qt6Core) -lsqlite3 -o "$out"
"$out" "$db"

echo "mdb-sql on the same queries:"
start=$(date +%s.%N)
echo "SELECT * FROM Events" | mdb-sql -H -F -P "$db" 2>/dev/null | head -100 >/dev/null || true
end=$(date +%s.%N)
printf '  %.3f s: first 100 rows of SELECT * FROM Events (output cut after 100 lines)\n' "$(echo "$end - $start" | bc)"
for q in "SELECT kind, COUNT(*), SUM(amount) FROM Events GROUP BY kind" \
         "SELECT u.country, COUNT(*) FROM Events e INNER JOIN Users u ON e.user_id = u.user_id GROUP BY u.country"; do
  start=$(date +%s.%N)
  res=$(echo "$q" | timeout 600 mdb-sql -H -F -P "$db" 2>&1 | head -3 | tr '\n' ' ' || true)
  end=$(date +%s.%N)
  printf '  %.2f s: %s\n' "$(echo "$end - $start" | bc)" "${res:0:100}"
done
