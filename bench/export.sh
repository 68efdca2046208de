#!/usr/bin/env bash
# Export benchmark: tabulon-cli against mdbtools and mdb-reader on perf_large.mdb (Events,
# 1,500,000 rows), best of 3 runs each, wall time and peak RSS; plus `tabulon-cli tables`
# (open + list; target < 20 ms).
#   bench/export.sh [path/to/tabulon-cli]      SKIP_EXPORT=1: only the open + list timing
# Needs: /usr/bin/time (package `time`), mdbtools, node with mdb-reader in $ORACLE_DIR
# (default /tmp/oracle: `npm install mdb-reader` there), the shared fixtures for perf_large.mdb.
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${1:-build/src/cli/tabulon-cli}"
db="${PERF_LARGE:-$(../shared/fixtures/perf-large)}"
table=Events
runs=3
oracle="${ORACLE_DIR:-/tmp/oracle}"

# best_of NAME CMD...: runs CMD $runs times (stdout discarded), prints and remembers the best
# wall time and the peak RSS of that run.
declare -A wall rss
best_of() {
  local name=$1; shift
  local best_t="" best_m="" t m
  for _ in $(seq "$runs"); do
    if ! /usr/bin/time -f '%e %M' -o /tmp/bench-time.$$ "$@" >/dev/null 2>/tmp/bench-err.$$; then
      echo "$name: failed: $(head -c 300 /tmp/bench-err.$$)"; rm -f /tmp/bench-*.$$; return 0
    fi
    read -r t m < /tmp/bench-time.$$
    if [ -z "$best_t" ] || awk -v a="$t" -v b="$best_t" 'BEGIN{exit !(a<b)}'; then best_t=$t; best_m=$m; fi
  done
  rm -f /tmp/bench-*.$$
  wall[$name]=$best_t; rss[$name]=$best_m
  printf '%-28s %8.2f s %10d KiB\n' "$name" "$best_t" "$best_m"
}

echo "perf_large.mdb ($(du -h "$db" | cut -f1)), table $table, best of $runs"
[ "${SKIP_EXPORT:-}" ] || best_of "tabulon-cli export" "$cli" export "$db" "$table"
[ "${SKIP_EXPORT:-}" ] || best_of "mdb-export" mdb-export "$db" "$table"
if [ -z "${SKIP_EXPORT:-}" ]; then
  if [ -f "$oracle/node_modules/mdb-reader/package.json" ]; then
    best_of "mdb-reader (node)" env ORACLE_DIR="$oracle" node bench/mdbreader-export.mjs "$db" "$table"
  else
    echo "mdb-reader: not installed in $oracle (npm install mdb-reader there)"
  fi
fi

# Open + list: many short runs, the median in milliseconds. Process start-up (dynamic loading of
# Qt) is measured with `--version` and subtracted, to show what opening and listing cost.
median_ms() {
  for _ in $(seq 21); do
    s=$(date +%s%N); "$@" >/dev/null; e=$(date +%s%N); echo $(( (e - s) / 1000 ))
  done | sort -n | sed -n 11p
}
tables_us=$(median_ms "$cli" tables "$db")
start_us=$(median_ms "$cli" --version)
printf '%-28s %8.1f ms (median of 21)\n' "tabulon-cli tables" "$(awk -v u="$tables_us" 'BEGIN{print u/1000}')"
printf '%-28s %8.1f ms (process start-up alone)\n' "tabulon-cli --version" "$(awk -v u="$start_us" 'BEGIN{print u/1000}')"
printf '%-28s %8.1f ms (target < 20 ms)\n' "  open + list" "$(awk -v a="$tables_us" -v b="$start_us" 'BEGIN{print (a-b)/1000}')"
# The same without process start-up: bench/open_list.cpp against the engine of the CLI's build.
build="${cli%/src/cli/tabulon-cli}"
if [ -f "$build/src/engine/libtabulon_engine.a" ]; then
  g++ -std=c++20 -O2 -DNDEBUG -Isrc/engine $(pkg-config --cflags Qt6Core) -fPIC bench/open_list.cpp \
      "$build/src/engine/libtabulon_engine.a" "$build/src/engine/jet/libtabulon_jet.a" \
      $(pkg-config --libs Qt6Core) -lsqlite3 -o "$build/bench-open-list"
  "$build/bench-open-list" "$db"
fi
printf '%-28s %8.1f ms\n' "mdb-tables -1" "$(awk -v u="$(median_ms mdb-tables -1 "$db")" 'BEGIN{print u/1000}')"

ours=${wall["tabulon-cli export"]:-}
if [ -n "$ours" ]; then
  for peer in "mdb-export" "mdb-reader (node)"; do
    [ -n "${wall[$peer]:-}" ] || continue
    awk -v p="$peer" -v a="${wall[$peer]}" -v b="$ours" -v ra="${rss[$peer]}" -v rb="${rss["tabulon-cli export"]}" \
      'BEGIN{printf "%-28s time x%.1f, memory x%.1f (peer / tabulon-cli)\n", p, (b>0?a/b:0), (rb>0?ra/rb:0)}'
  done
fi
