#!/usr/bin/env bash
# A long run of one fuzz target: scripts/fuzz_campaign.sh TARGET SECONDS [MAX-RUNS] [EXTRA-SEED-FOLDER]
# Works in out/fuzz/TARGET (its growing corpus, crashes, log); the seed corpus in fuzz/corpus is
# only read. Ends after SECONDS or MAX-RUNS executions (default 10 million), whichever is first.
set -euo pipefail
target=$1; seconds=$2; runs=${3:-10000000}; extra=${4:-}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$here/out/fuzz/$target
mkdir -p "$work/corpus"
exec nice -n 10 "$here/build-fuzz/bin/fuzz_$target" -max_total_time="$seconds" -runs="$runs" -timeout=25 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$here/fuzz/corpus/$target" \
  ${extra:+"$extra"} >"$work/log" 2>&1
