#!/usr/bin/env bash
# Runs one fuzz target for a bounded time from its seed corpus; new inputs go
# to a scratch corpus, never into the repository. A crash fails the run and
# leaves the input that caused it beside the scratch corpus.
# Usage: run_target.sh TARGET SEED_CORPUS SECONDS
set -euo pipefail
target=$1 seeds=$2 seconds=$3
work=$(dirname "$target")/corpus/$(basename "$target")
mkdir -p "$work"
cd "$(dirname "$work")"
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
  "$work" "$seeds"
