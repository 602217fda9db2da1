#!/usr/bin/env bash
# Builds the Windows release from scratch in a build folder of its own and writes
# dist/Ortholux-<version>-win64.zip: the stripped viewer, command-line tool and shell handlers
# (OrtholuxShell.dll), the help files, a Japanese README.txt and the licence. Two runs from one
# commit give the same bytes: no link times in the PE headers, and zip entries sorted with one
# fixed time (the commit's, or SOURCE_DATE_EPOCH when set). The same files also go into the
# installer dist/Ortholux-<version>-x64.msi (tools/release_msi.py, with wixl), stamped with
# that time too.
#
#   ORTHOLUX_PACKAGE_BUILD_DIR  build folder, emptied first (default build/package)
#   ORTHOLUX_DIST_DIR           where the zip goes (default dist)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${ORTHOLUX_PACKAGE_BUILD_DIR:-$root/build/package}
dist=${ORTHOLUX_DIST_DIR:-$root/dist}
jobs=${ORTHOLUX_JOBS:-2}

"$root/scripts/deps.sh"

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}

rm -rf "$work"
cmake -S "$root" -B "$work/host" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/host" -j "$jobs" --target ortholux-hlpc >/dev/null
# Stripped by the linker: strip itself would write the time into the PE header.
cmake -S "$root" -B "$work/win" -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXE_LINKER_FLAGS=-s \
    -DCMAKE_SHARED_LINKER_FLAGS=-s \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DORTHOLUX_HOST_BUILD="$work/host" \
    >/dev/null
cmake --build "$work/win" -j "$jobs" --target Ortholux ortholux-preview OrtholuxShell \
    >/dev/null

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/win/CMakeCache.txt")
[ -n "$version" ] || { echo "package.sh: no project version in $work/win" >&2; exit 1; }
bin=$work/win/bin
files=(--binary "Ortholux.exe=$bin/Ortholux.exe"
       --binary "ortholux-preview.exe=$bin/ortholux-preview.exe"
       --binary "OrtholuxShell.dll=$bin/OrtholuxShell.dll"
       --binary "Ortholux.hlp=$bin/Ortholux.hlp"
       --text "README.txt=$root/res/release/README.txt"
       --text "LICENSE.txt=$root/LICENSE")
# The help as one HTML page, for systems without a WinHelp engine.
[ -f "$bin/Ortholux.html" ] && files+=(--binary "Ortholux.html=$bin/Ortholux.html")

zip=$dist/Ortholux-$version-win64.zip
python3 "$root/tools/release_zip.py" "$zip" --epoch "$epoch" --version "$version" "${files[@]}"
msi=$dist/Ortholux-$version-x64.msi
python3 "$root/tools/release_msi.py" "$msi" --epoch "$epoch" --version "$version" "${files[@]}"
echo "$msi: $(stat -c %s "$msi") bytes"
echo "$zip: $(stat -c %s "$zip") bytes; Ortholux.exe $(stat -c %s "$bin/Ortholux.exe"), OrtholuxShell.dll $(stat -c %s "$bin/OrtholuxShell.dll") bytes stripped"
