#!/usr/bin/env bash
# Builds the JET reader's fuzz target with clang (preset `fuzz`, into build-fuzz), replays the
# saved regressions, then fuzzes for about a minute from a corpus seeded with the test databases.
# Exits non-zero when the fuzzer finds a crash, a leak, a timeout or an out-of-memory input
# (the input is kept under build-fuzz/artifacts/).
#   fuzz/smoke.sh [seconds]         default 60
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target jet_fuzzer
fuzzer=build-fuzz/fuzz/jet_fuzzer
corpus=build-fuzz/corpus
artifacts=build-fuzz/artifacts
mkdir -p "$corpus" "$artifacts"
# Seeds: every test database up to 1 MiB (larger ones only slow the mutations down).
find tests/data -type f \( -name '*.mdb' -o -name '*.accdb' \) -size -1025k -print0 |
  while IFS= read -r -d '' f; do cp -n "$f" "$corpus/seed-$(basename "$f")"; done
common=(-rss_limit_mb=2048 -timeout=10 -error_exitcode=77 -timeout_exitcode=78)
regressions=(fuzz/regressions/*)
if [ -e "${regressions[0]}" ]; then
  echo "Replaying ${#regressions[@]} saved regression inputs"
  "$fuzzer" "${common[@]}" "${regressions[@]}"
fi
echo "Fuzzing for ${seconds}s"
"$fuzzer" "${common[@]}" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$corpus"
