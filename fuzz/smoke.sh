#!/usr/bin/env bash
# Builds a fuzz target with clang (preset `fuzz`, into build-fuzz), replays its saved
# regressions, then fuzzes for a while from a corpus seeded with the test databases. Exits
# non-zero when the fuzzer finds a crash, a leak, a timeout or an out-of-memory input (the input
# is kept under build-fuzz/artifacts-<target>/).
#   fuzz/smoke.sh [seconds] [target]     default 60, jet_fuzzer (the reader); sql_fuzzer: DAO and SQL
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
target="${2:-jet_fuzzer}"
case "$target" in
  jet_fuzzer) regressions_dir=fuzz/regressions ;;
  sql_fuzzer) regressions_dir=fuzz/regressions-sql ;;
  *) echo "unknown fuzz target: $target" >&2; exit 1 ;;
esac
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "$target"
fuzzer="build-fuzz/fuzz/$target"
corpus="build-fuzz/corpus-$target"
artifacts="build-fuzz/artifacts-$target"
mkdir -p "$corpus" "$artifacts"
# Seeds: every test database up to 1 MiB (larger ones only slow the mutations down).
find tests/data -type f \( -name '*.mdb' -o -name '*.accdb' \) -size -1025k -print0 |
  while IFS= read -r -d '' f; do cp -n "$f" "$corpus/seed-$(basename "$f")"; done
common=(-rss_limit_mb=2048 -timeout=10 -error_exitcode=77 -timeout_exitcode=78)
regressions=("$regressions_dir"/*)
if [ -e "${regressions[0]}" ]; then
  echo "Replaying ${#regressions[@]} saved regression inputs"
  "$fuzzer" "${common[@]}" "${regressions[@]}"
fi
echo "Fuzzing $target for ${seconds}s"
"$fuzzer" "${common[@]}" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$corpus"
