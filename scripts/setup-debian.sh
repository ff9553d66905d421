#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running the engine need; packages
# already installed are left alone. Uses sudo when not run as root.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libsdl2-dev libfreetype-dev libfontconfig-dev fonts-liberation
    libgtest-dev libbenchmark-dev libstb-dev zlib1g-dev
    mingw-w64 clang libclang-rt-14-dev
    xvfb x11-utils xdotool imagemagick python3 valgrind xfonts-base
    vorbis-tools
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep "install ok installed" >/dev/null; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
