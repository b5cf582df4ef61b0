#!/usr/bin/env bash
# Installs what building the program and running its tests need on Debian 12.
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libcanberra-dev xdg-utils
    fonts-wqy-microhei xvfb xauth
)
if [ "${1:-}" = "--tests" ]; then
    packages+=(libgtest-dev libgmock-dev libbenchmark-dev)
fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${packages[@]}"
