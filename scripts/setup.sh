#!/usr/bin/env bash
# Installs every Debian package that Kestrel needs to build, test and run.
# Idempotent: packages already present are not touched, and apt is only asked
# when something is missing. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-serialbus-dev qt6-charts-dev qt6-svg-dev
    qt6-qpa-plugins qt6-l10n-tools qt6-translations-l10n libgl-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    clang clang-format libclang-rt-14-dev
    libmuparser-dev libboost-dev
    python3-can python3-canmatrix can-utils
    fonts-noto-cjk fonts-dejavu-core fonts-liberation2
    xvfb xauth x11-apps
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
else
    sudo=(sudo)
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q "${missing[@]}"
