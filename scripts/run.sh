#!/usr/bin/env bash
# Builds Ortholux and opens the sample drawing in it under Wine. With a display the viewer
# runs there until you close it; without one it runs in a virtual display (Xvfb), and a
# screenshot of its window is saved.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORTHOLUX_BUILD_DIR:-$root/build}
jobs=${ORTHOLUX_JOBS:-2}
drawing=${1:-$root/samples/sample.dwg}

"$root/scripts/deps.sh"

cmake -S "$root" -B "$build/host" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/host" -j "$jobs" --target ortholux-hlpc xdrop
cmake -S "$root" -B "$build/win" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DORTHOLUX_HOST_BUILD="$build/host" >/dev/null
cmake --build "$build/win" -j "$jobs"

if [ -n "${DISPLAY:-}" ]; then
    # A prefix of the project's own, with code page 932 from the Japanese locale.
    export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
    export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
    # Debian's Wine has no preloader: with address randomisation one start in several
    # thousand fails to map the Windows shared data page (see tests/e2e/harness/wineenv.py).
    norandom="setarch -R"
    [ -d "$WINEPREFIX" ] || { echo "Creating the Wine prefix $WINEPREFIX"; $norandom wineboot -i >/dev/null 2>&1; }
    # Marlett for the caption buttons, the IPA fonts for the Japanese faces (as in the tests).
    PYTHONPATH="$root/tests/e2e" PYTHONDONTWRITEBYTECODE=1 \
        python3 -c 'import sys; from harness import fonts; fonts.main(sys.argv[1])' "$WINEPREFIX"
    exec $norandom wine "$build/win/bin/Ortholux.exe" "$($norandom winepath -w "$drawing" 2>/dev/null)"
fi

ORTHOLUX_BIN_DIR="$build/win/bin" ORTHOLUX_XDROP="$build/host/bin/xdrop" \
    python3 "$root/scripts/run_headless.py" "$drawing" "$build/screenshot.png"
