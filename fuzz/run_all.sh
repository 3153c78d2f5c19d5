#!/usr/bin/env bash
# Builds the fuzz preset and runs every libFuzzer target for SECONDS (default 600) with its seed
# corpus, two at a time. Findings are written to build/fuzz/findings/NAME/. A summary line per target
# says how many runs it made and whether it found a crash.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
parallel=${FUZZ_PARALLEL:-2}

targets=()
for source in fuzz/fuzz_*.cpp; do targets+=(--target "$(basename "$source" .cpp)"); done
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j "$(nproc)" "${targets[@]}" || exit 1

work=build/fuzz/work
findings=build/fuzz/findings
mkdir -p "$work" "$findings"

run_one() {
  local target=$1 name=${1#fuzz_}
  local corpus="$work/$name"
  mkdir -p "$corpus" "$findings/$name"
  [ -d "fuzz/corpus/$name" ] && cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null
  if [ "$name" = "mime_body" ] && [ -x fuzz/seed_from_corpora.sh ]; then
    fuzz/seed_from_corpora.sh "$corpus" >/dev/null 2>&1
  fi
  local log="$findings/$name/log.txt"
  "build/fuzz/fuzz/$target" "$corpus" -max_total_time="$seconds" -timeout=${FUZZ_TIMEOUT:-30} -rss_limit_mb=2048 \
      -artifact_prefix="$findings/$name/" -print_final_stats=1 >"$log" 2>&1
  local status=$?
  local runs
  runs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
  local cov
  cov=$(grep -E '#[0-9]+.*(DONE|pulse)' "$log" | tail -1 | grep -oE 'cov: [0-9]+' )
  if [ $status -eq 0 ]; then
    echo "$name: ${seconds}s, ${runs:-?} runs, ${cov:-cov: ?}, no crash"
  else
    echo "$name: FAILED (exit $status) after ${runs:-?} runs; see $log (once fixed, keep the input in tests/data/fuzz-findings/$name/)"
  fi
}
export -f run_one
export seconds work findings FUZZ_TIMEOUT

ls build/fuzz/fuzz/ | grep -E '^fuzz_[a-z_]+$' | xargs -P "$parallel" -I{} bash -c 'run_one {}'
