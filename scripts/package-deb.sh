#!/usr/bin/env bash
# Builds the Debian package ortholux-tools (the two Linux tools, the thumbnailer's key file,
# man pages) from this tree and checks it with lintian. Prints the package's path last.
# Usage: scripts/package-deb.sh [BUILD_DIR]   (default build/deb)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/deb}
jobs=${ORTHOLUX_JOBS:-2}

"$root/scripts/deps.sh" >&2

# Debian's hardening flags, all of them, as a package build would use them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cflags="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS="$cflags" \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j "$jobs" --target ortholux-preview ortholux-thumbnailer \
    man_ortholux-preview.1 man_ortholux-thumbnailer.1 >/dev/null
rm -rf "$build/package"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/package/ortholux-tools_*.deb)

# Errors fail the build; warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$deb" >&2
echo "$deb"
