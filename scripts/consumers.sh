#!/usr/bin/env bash
# Builds the example consumers (examples/) outside the tree against an installed package and
# runs them: find_package with components (the geometry kit alone with GLUT hidden; a BMP
# drawn through vela), add_subdirectory into a parent with its own `utils` target,
# pkg-config with a plain Makefile, and a plugin loaded with dlopen.
# Usage: scripts/consumers.sh <install prefix> <work folder> <picture.bmp> [--no-subproject]
# The subproject builds the libraries again from this tree; --no-subproject skips it.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(realpath "$1")
work=$2
picture=$(realpath "$3")
shift 3
jobs=$(nproc)
rm -rf "$work"
mkdir -p "$work"
# configure_build <name> [cmake args...]: configures and builds examples/<name> in $work/<name>
configure_build() {
    local name=$1
    shift
    cmake -S "examples/$name" -B "$work/$name" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$work/$name" -j"$jobs" >/dev/null
}
pkg_flags=""
[ -e "$prefix/lib/libpluvina_gr.a" ] && pkg_flags=--static

echo "-- find_package(pluvina COMPONENTS gr), GLUT hidden: examples/geometry"
# --no-warn-unused-cli: CMake would otherwise note that nothing asked for GLUT, which is the point.
configure_build geometry -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_DISABLE_FIND_PACKAGE_GLUT=ON \
    --no-warn-unused-cli
"$work/geometry/geometry"

echo "-- find_package(pluvina COMPONENTS vela photo): examples/textured_quad"
configure_build textured_quad -DCMAKE_PREFIX_PATH="$prefix"
# A few frames of the picture; it checks what it shows, then ends.
scripts/with-x.sh "$work/textured_quad/textured_quad" "$picture" 30 </dev/null

echo "-- pkg-config and a plain Makefile: examples/pkgconfig"
mkdir -p "$work/pkgconfig"
PKG_CONFIG_PATH="$prefix/lib/pkgconfig" make -s -C "$work/pkgconfig" \
    -f "$PWD/examples/pkgconfig/Makefile" PKG_CONFIG="pkg-config $pkg_flags"
"$work/pkgconfig/bmp_info" "$picture"

echo "-- a plugin linking pluvina::gr, loaded with dlopen: examples/plugin"
configure_build plugin -DCMAKE_PREFIX_PATH="$prefix"
"$work/plugin/plugin_host" "$work/plugin/picture_plugin.so" "$picture"

if [ "${1:-}" != --no-subproject ]; then
    echo "-- add_subdirectory into a parent with its own utils target: examples/subproject"
    configure_build subproject -DPLUVINA_SOURCE_DIR="$PWD"
    "$work/subproject/subproject"
fi
