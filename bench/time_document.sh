#!/usr/bin/env bash
# Times `velora document` on generated prose of 1 MB and 10 MB beside `wc -w` on the same files,
# and reports the 10 MB / 1 MB ratio (segmentation is linear: the ratio should stay near 10).
#
#   bench/time_document.sh [BUILD_DIR]     (default: build/release; configure it with
#                                            cmake --preset release -B BUILD_DIR)
set -euo pipefail

generator_name=velora_bench_segment_text
. "$(dirname "$0")/timing_setup.sh"

"$generator" --generate 1048576 >"$work/1mb.txt"
"$generator" --generate 10485760 >"$work/10mb.txt"

# Best of three runs, in seconds.
best_of_three() {
    local best=""
    for _ in 1 2 3; do
        local start end elapsed
        start=$(date +%s.%N)
        "$@" >/dev/null
        end=$(date +%s.%N)
        elapsed=$(echo "$end - $start" | bc -l)
        if [[ -z $best ]] || (($(echo "$elapsed < $best" | bc -l))); then best=$elapsed; fi
    done
    printf '%.3f' "$best"
}

declare -A seconds
for size in 1mb 10mb; do
    seconds[document_$size]=$(best_of_three "$velora" document "$work/$size.txt")
    seconds[wc_$size]=$(best_of_three wc -w "$work/$size.txt")
done

bytes_10mb=$(stat -c %s "$work/10mb.txt")
printf '%-28s %10s %10s\n' "" "1 MB" "10 MB"
printf '%-28s %9ss %9ss\n' "velora document" "${seconds[document_1mb]}" "${seconds[document_10mb]}"
printf '%-28s %9ss %9ss\n' "wc -w" "${seconds[wc_1mb]}" "${seconds[wc_10mb]}"
printf 'velora document, 10 MB: %.1f MB/s\n' \
    "$(echo "$bytes_10mb / 1048576 / ${seconds[document_10mb]}" | bc -l)"
printf '10 MB / 1 MB time ratio: %.2f (target: at most 11)\n' \
    "$(echo "${seconds[document_10mb]} / ${seconds[document_1mb]}" | bc -l)"
