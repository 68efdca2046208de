#!/usr/bin/env bash
# Whole-database benchmark on perf_large.mdb (Events 1,500,000 rows, Users 10,000), measured in
# one run beside its yardsticks, best of N runs each, wall time and peak RSS:
#   1. tabulon-cli to-sqlite DB OUT (keys, indexes, relationships, meta table)
#   2. the mdbtools route: { mdb-schema DB sqlite; BEGIN; mdb-export -I sqlite DB T ...; COMMIT; } | sqlite3 OUT
#   3. the sqlite3 shell's .import of the exported Events CSV into a prepared table
#   4. tabulon-cli dump DB DIR --format jsonl against export of every table into files
#   bench/to_sqlite.sh [path/to/tabulon-cli] [runs]
# Needs: /usr/bin/time (package `time`), mdbtools, sqlite3, the shared fixtures (perf-large).
set -euo pipefail
cd "$(dirname "$0")/.."
cli="$(realpath "${1:-build/src/cli/tabulon-cli}")"
runs="${2:-3}"
db="${PERF_LARGE:-$(../shared/fixtures/perf-large)}"
work="$(mktemp -d /tmp/tabulon-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT

declare -A wall rss
# best_of NAME PREPARE CMD: runs PREPARE (untimed) then CMD (a shell command, timed) $runs times.
# Where CMD writes much, PREPARE syncs, so that it does not pay for the writes before it.
best_of() {
  local name=$1 prepare=$2 cmd=$3 best_t="" best_m="" t m
  for _ in $(seq "$runs"); do
    bash -c "$prepare"
    if ! /usr/bin/time -f '%e %M' -o "$work/time" bash -c "$cmd" >/dev/null 2>"$work/err"; then
      echo "$name: failed: $(head -c 300 "$work/err")"; return 0
    fi
    read -r t m < <(tail -n1 "$work/time")
    if [ -z "$best_t" ] || awk -v a="$t" -v b="$best_t" 'BEGIN{exit !(a<b)}'; then best_t=$t; best_m=$m; fi
  done
  wall[$name]=$best_t; rss[$name]=$best_m
  printf '%-34s %8.2f s %10.1f MiB\n' "$name" "$best_t" "$(awk -v m="$best_m" 'BEGIN{print m/1024}')"
}

tables=$("$cli" tables "$db")
echo "perf_large.mdb ($(du -h "$db" | cut -f1)); tables: $(echo $tables); best of $runs; load: $(cut -d' ' -f1-3 /proc/loadavg)"

best_of "tabulon-cli to-sqlite" "rm -f '$work/ours.sqlite'" "'$cli' to-sqlite '$db' '$work/ours.sqlite'"

route="{ mdb-schema '$db' sqlite; echo 'BEGIN;';"
for t in $tables; do route+=" mdb-export -I sqlite '$db' '$t';"; done
route+=" echo 'COMMIT;'; } | sqlite3 '$work/route.sqlite'"
best_of "mdbtools route" "rm -f '$work/route.sqlite'" "$route"

"$cli" export "$db" Events > "$work/events.csv"
schema="CREATE TABLE Events (id INTEGER PRIMARY KEY, ts DATETIME, user_id INTEGER, kind VARCHAR(20), amount REAL, note VARCHAR(100), flag BOOLEAN);"
best_of "sqlite3 .import of Events CSV" "rm -f '$work/import.sqlite'; sqlite3 '$work/import.sqlite' '$schema'" \
  "sqlite3 '$work/import.sqlite' -cmd '.mode csv' '.import --skip 1 $work/events.csv Events'"

best_of "tabulon-cli dump --format jsonl" "rm -rf '$work/dump'; sync" "'$cli' dump '$db' '$work/dump' --format jsonl"
export_all=""
for t in $tables; do export_all+="'$cli' export '$db' '$t' > '$work/export-$t.csv'; "; done
best_of "tabulon-cli export, every table" "rm -f '$work'/export-*.csv; sync" "$export_all"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.2f", a/b}'; }
echo
echo "to-sqlite vs mdbtools route: $(ratio "${wall[mdbtools route]}" "${wall[tabulon-cli to-sqlite]}") x faster (goal >= 2)"
echo "to-sqlite vs .import:        $(ratio "${wall[sqlite3 .import of Events CSV]}" "${wall[tabulon-cli to-sqlite]}") x (goal >= 1: no slower)"
echo "to-sqlite peak memory:       $(awk -v m="${rss[tabulon-cli to-sqlite]}" 'BEGIN{printf "%.1f", m/1024}') MiB (goal < 200)"
echo "dump jsonl vs export all:    $(ratio "${wall[tabulon-cli dump --format jsonl]}" "${wall[tabulon-cli export, every table]}") x (goal <= 1.5)"
# What each file holds: our keys and indexes against the route's.
echo "keys in ours:  $(sqlite3 "$work/ours.sqlite" "SELECT count(*) FROM sqlite_master WHERE type='index' OR sql LIKE '%PRIMARY KEY%'")" \
     "  in the route's: $(sqlite3 "$work/route.sqlite" "SELECT count(*) FROM sqlite_master WHERE type='index' OR sql LIKE '%PRIMARY KEY%'")"
echo "rows: ours $(sqlite3 "$work/ours.sqlite" 'SELECT count(*) FROM Events'), route $(sqlite3 "$work/route.sqlite" 'SELECT count(*) FROM Events')"
