#!/usr/bin/env bash
# Builds the report file and EMF player fuzz targets with clang (preset `fuzz`, into
# build-fuzz), replays their saved regressions, then fuzzes each for the given time from the
# seeds in fuzz/seeds. Exits non-zero when a fuzzer finds a crash, a leak, a timeout or an
# out-of-memory input (kept under build-fuzz/artifacts-report/).
#   fuzz/report_smoke.sh [seconds per target]      default 30
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target report_file_fuzzer emf_player_fuzzer
artifacts=build-fuzz/artifacts-report
mkdir -p "$artifacts"
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan-qt.supp:print_suppressions=0"
common=(-rss_limit_mb=2048 -timeout=10 -error_exitcode=77 -timeout_exitcode=78 -max_len=65536)
for kind in qrp emf; do
  target=report_file_fuzzer
  [ "$kind" = emf ] && target=emf_player_fuzzer
  corpus=build-fuzz/corpus-$kind
  mkdir -p "$corpus"
  cp -n fuzz/seeds/$kind/* "$corpus/"
  regressions=(fuzz/regressions-$kind/*)
  if [ -e "${regressions[0]}" ]; then
    echo "Replaying ${#regressions[@]} saved $kind regression inputs"
    "build-fuzz/fuzz/$target" "${common[@]}" "${regressions[@]}"
  fi
  echo "Fuzzing $target for ${seconds}s"
  "build-fuzz/fuzz/$target" "${common[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$artifacts/$kind-" "$corpus"
done
