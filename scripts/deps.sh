#!/usr/bin/env bash
# Installs what building and testing Ortholux needs on Debian 12, only where it is missing.
set -euo pipefail

packages=(
    cmake make g++ python3 python3-tk pkg-config
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
    wine wine64 xvfb xauth xdotool imagemagick x11-utils
    fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine locales libx11-dev
    # fuzz targets
    clang libclang-rt-14-dev
    # Linux tools, their Debian package and the file-manager test
    libpng-dev dpkg-dev file lintian python3-gi gir1.2-gnomedesktop-4.0 shared-mime-info
    bubblewrap
    # the Windows installer: wixl writes it, msibuild adds what wixl cannot
    wixl msitools
    # the contact sheet's page in a browser
    chromium chromium-driver python3-selenium
    # the fidelity measure of drawn pictures
    python3-numpy python3-pil
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# Wine must run with code page 932, which comes from a Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "Generating the ja_JP.UTF-8 locale"
    "${sudo_cmd[@]}" sh -c "grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen; locale-gen >/dev/null"
fi
