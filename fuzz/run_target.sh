#!/usr/bin/env bash
# Runs one fuzz target for SECONDS on a fresh working corpus, reading its seeds, its regression
# inputs (fuzz/regressions/NAME, when there are any) and its dictionary. A finding ends the run
# with a non-zero status and is kept in WORK_DIR/findings.
#
#   run_target.sh BINARY SEEDS_DIR WORK_DIR SECONDS [libFuzzer flags...]
set -euo pipefail
binary=$1 seeds=$2 work=$3 seconds=$4
shift 4
name=$(basename "$binary")
name=${name#fuzz_}
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work"
mkdir -p "$work/corpus" "$work/findings"
corpora=("$work/corpus" "$seeds/$name")
if [ -d "$here/regressions/$name" ]; then corpora+=("$here/regressions/$name"); fi

# No input may take more than 1 GiB or 10 s. Inputs stay at 16 KiB or less, so a target runs
# millions of times: a drawing's header, directory, thumbnail header and colour table fit, and
# longer pixel data reaches no further code (the real drawings are cut there on loading).
exec "$binary" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 -max_len=16384 \
    -dict="$seeds/$name.dict" -artifact_prefix="$work/findings/" -print_final_stats=1 \
    "$@" "${corpora[@]}"
