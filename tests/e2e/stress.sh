#!/usr/bin/env bash
# Runs the whole end-to-end suite N times in a row and reports every failure with its log:
# a test that fails one run in ten has a race to find, not a time-out to raise.
#
#   tests/e2e/stress.sh [RUNS] [WINDOWS_BUILD_DIR]     (defaults: 10, build/win)
#
# Each run gets its own session-folder prefix under /tmp; after a run, a session folder or a
# process of its Wine prefixes still there counts as a failure (the next run must start
# clean). Logs go to <build>/e2e-stress/. Display numbers come from ORTHOLUX_E2E_DISPLAYS.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-10}
build=$(cd "${2:-$root/build/win}" && pwd) || exit 2
jobs=${ORTHOLUX_JOBS:-2}
logs=$build/e2e-stress
mkdir -p "$logs"
stamp=$(date +%s)

# Processes whose WINEPREFIX lies in a session folder of this run (wineserver, programs).
leftover_processes() {  # tmp-prefix
    local pid
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        { tr '\0' '\n' <"/proc/$pid/environ" | grep -q "^WINEPREFIX=/tmp/$1" &&
            echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline")"; } 2>/dev/null
    done
}

failures=0
started=$(date +%s)
for run in $(seq 1 "$runs"); do
    prefix="h-stress-$stamp-$run-"
    log="$logs/run-$run.log"
    t0=$(date +%s)
    ORTHOLUX_E2E_TMP_PREFIX=$prefix ctest --test-dir "$build" -L e2e -j "$jobs" \
        --output-on-failure >"$log" 2>&1
    rc=$?
    seconds=$(($(date +%s) - t0))
    problems=()
    [ "$rc" -eq 0 ] || problems+=("ctest exit $rc")
    grep -q '100% tests passed' "$log" || problems+=("not every test passed")
    left=$(ls -d /tmp/"$prefix"* 2>/dev/null)
    [ -z "$left" ] || problems+=("session folders left: $left")
    procs=$(leftover_processes "$prefix")
    [ -z "$procs" ] || problems+=("processes left: $procs")
    if [ ${#problems[@]} -eq 0 ]; then
        echo "run $run/$runs: passed in ${seconds}s"
    else
        failures=$((failures + 1))
        echo "run $run/$runs: FAILED in ${seconds}s: ${problems[*]}"
        echo "---- $log"
        grep -E 'Failed|\*\*\*|FAIL:|ERROR:' "$log" | sed 's/^/  /'
        sed -n '/The following tests FAILED/,$p' "$log"
        # The failing modules' own output (ctest --output-on-failure put it in the log).
        grep -n -A40 -E '^(FAIL|ERROR):' "$log" | head -200
    fi
done
wall=$(($(date +%s) - started))
echo "e2e stress: runs $runs, failures $failures, wall time ${wall}s"
echo "$((runs - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
