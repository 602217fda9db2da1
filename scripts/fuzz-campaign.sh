#!/usr/bin/env bash
# Runs fuzz targets for a given time each and prints, per target, the executions, coverage
# (cov: edges, ft: features), peak RSS and findings. Builds the fuzz build (clang) first.
#
#   bash scripts/fuzz-campaign.sh [-j JOBS] [-n RUNS] SECONDS [TARGET...]
#
# TARGET is a name such as bmp_decode (all targets when none is given); JOBS targets run at
# once (default 1: each takes a whole core); with RUNS, a target also stops after that many
# executions. Logs and findings: build/fuzz/campaign/TARGET/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORTHOLUX_BUILD_DIR:-$root/build}/fuzz
jobs=1
limits=()
while [ $# -gt 1 ]; do
    case $1 in
        -j) jobs=$2 ;;
        -n) limits=(-runs="$2") ;;
        *) break ;;
    esac
    shift 2
done
if [ $# -lt 1 ]; then
    echo "usage: $0 [-j JOBS] [-n RUNS] SECONDS [TARGET...]" >&2
    exit 2
fi
seconds=$1
shift

"$root/scripts/deps.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DORTHOLUX_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "${ORTHOLUX_JOBS:-2}" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for binary in "$build"/bin/fuzz_*; do targets+=("$(basename "${binary#"$build"/bin/fuzz_}")"); done
fi

campaign=$build/campaign
mkdir -p "$campaign"
for name in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    echo "fuzzing $name for ${seconds}s"
    bash "$root/fuzz/run_target.sh" "$build/bin/fuzz_$name" "$build/seeds" "$campaign/$name" \
        "$seconds" "${limits[@]}" >"$campaign/$name.log" 2>&1 &
done
wait || true

# libFuzzer's closing statistics and its last status line hold the figures.
status=0
printf '%-16s %12s %9s %6s %7s %8s %8s\n' target executions exec/s cov ft rss_MB findings
for name in "${targets[@]}"; do
    log=$campaign/$name.log
    stat() { sed -nE "s/^stat::$1: *([0-9]+).*/\1/p" "$log" | tail -n 1; }
    last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 || true)
    cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$last")
    ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$last")
    findings=$(find "$campaign/$name/findings" -type f 2>/dev/null | wc -l)
    if [ "$findings" -ne 0 ] || [ -z "$(stat number_of_executed_units)" ]; then status=1; fi
    printf '%-16s %12s %9s %6s %7s %8s %8s\n' "$name" "$(stat number_of_executed_units)" \
        "$(stat average_exec_per_sec)" "${cov:--}" "${ft:--}" "$(stat peak_rss_mb)" "$findings"
done
exit "$status"
