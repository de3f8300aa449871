#!/usr/bin/env bash
# Installs what Pagewell needs on Debian 12 and builds it into build/.
#   scripts/bootstrap.sh [extra cmake options]
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
    build-essential cmake ninja-build pkg-config ccache
    libcurl4-openssl-dev zlib1g-dev libssl-dev libxml2-dev libzip-dev
    libchm-dev libchm-bin fp-utils
    libcli11-dev libcpp-httplib-dev nlohmann-json3-dev libgtest-dev libgmock-dev
    qt6-base-dev qt6-webengine-dev libgl-dev
    fonts-wqy-microhei xvfb xauth epubcheck python3-chm dbus-daemon
)

missing=()
for package in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
        missing+=("$package")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
ninja -C build
