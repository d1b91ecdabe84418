#!/usr/bin/env bash
# Cross-builds the project for 64-bit Windows into a folder (default build-windows): the
# libraries Debian has no Windows build of come from scripts/windows-deps.sh (cached in
# <folder>/deps), the rest from Debian's MinGW-w64 packages. JPEG and PNG are the photograph
# formats built for Windows; a format whose library has no Windows build there stays off.
# Usage: scripts/setup-windows.sh [folder] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
shift $(($# > 0 ? 1 : 0))
scripts/setup.sh --packages-only
prefix=$(scripts/windows-deps.sh "$dir/deps")
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/windows-x86_64.cmake \
    -DPLUVINA_WINDOWS_DEPS="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DPLUVINA_BUILD_BENCHMARKS=OFF -DPLUVINA_BUILD_DOCS=OFF -DPLUVINA_FORMAT_TARGETS=OFF \
    -DPLUVINA_INSTALL=OFF -DPLUVINA_PHOTO_HEIF=OFF -DPLUVINA_PHOTO_WEBP=OFF \
    -DPLUVINA_PHOTO_COLOUR=OFF "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
