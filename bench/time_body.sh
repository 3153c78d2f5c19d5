#!/usr/bin/env bash
# Times `velora body` on multipart/alternative parts nested 10,000 and 20,000 deep and on one of
# about 10 MB (target: under 1 s each).
#
#   bench/time_body.sh [BUILD_DIR]     (default: build/release; configure it with
#                                       cmake --preset release -B BUILD_DIR)
set -euo pipefail

generator_name=velora_bench_body
. "$(dirname "$0")/timing_setup.sh"

printf '%-10s %10s %10s %12s\n' depth bytes seconds "peak memory"
for depth in 10000 20000 120000; do
    "$generator" --generate-nested "$depth" >"$work/nested.eml"
    timing=$( { /usr/bin/time -f '%e %M' timeout 600 "$velora" body "$work/nested.eml" >/dev/null; } 2>&1)
    printf '%-10s %10s %9ss %9s KB\n' "$depth" "$(stat -c %s "$work/nested.eml")" ${timing}
done
