#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests (plain and under ASan+UBSan), a
# short run of each fuzz target, then the Windows program end to end under Wine. Exits
# non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORTHOLUX_BUILD_DIR:-$root/build}
jobs=${ORTHOLUX_JOBS:-2}

"$root/scripts/deps.sh"

status=0
passed=0
failed=0

run_ctest() {  # dir label [env...]
    local dir=$1 label=$2 log
    shift 2
    log=$(mktemp)
    echo "== $label"
    set +e
    env "$@" ctest --test-dir "$dir" --output-on-failure -j "$jobs" 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    set -e
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    rm -f "$log"
    if [ "$rc" -ne 0 ] || [ -z "$line" ]; then status=1; fi
    if [ -n "$line" ]; then
        local total=${line##* } bad
        bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    fi
}

configure_and_build() {  # dir args...
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

configure_and_build "$build/host"
run_ctest "$build/host" "host build"

configure_and_build "$build/asan" -DORTHOLUX_SANITIZE=ON
run_ctest "$build/asan" "ASan+UBSan" ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1

# The libFuzzer targets (clang) run 20 s each on their seed corpora; see fuzz/.
configure_and_build "$build/fuzz" -DORTHOLUX_FUZZ=ON -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++
run_ctest "$build/fuzz" "libFuzzer targets"

configure_and_build "$build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DORTHOLUX_HOST_BUILD="$build/host"
run_ctest "$build/win" "Windows build under Wine"

# One closing line over all the runs.
echo "ortholux: $passed passed, $failed failed"
exit "$status"
