#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks, then configures and builds into build/.
# Usage: scripts/setup.sh [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri
          xvfb xauth xdotool x11-utils imagemagick
          libgtest-dev libgmock-dev libbenchmark-dev libstb-dev bc
          libturbojpeg0-dev libjpeg62-turbo-dev libspng-dev zlib1g-dev
          clang clang-format libclang-rt-14-dev valgrind python3 x11-apps doxygen)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
# PLUVINA_TARGETS (space-separated) builds only those targets, as scripts/run.sh does.
cmake --build "$BUILD_DIR" -j"$(nproc)" ${PLUVINA_TARGETS:+--target $PLUVINA_TARGETS}
