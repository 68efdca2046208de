#!/usr/bin/env bash
# Preview benchmark: paging through a 20-page field-definition report in the preview window's
# page view, at 100 % and fitted to the width of a 1280 x 800 view; three runs.
#   bench/report/preview.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target preview_bench >/dev/null
for run in 1 2 3; do
  echo "== run $run"
  QT_QPA_PLATFORM=offscreen "$build/tests/preview_bench" --pages 20 --width 1280 --height 800
done
