#!/usr/bin/env bash
# Builds the libraries that the Windows build needs and Debian ships no Windows build of
# (freeglut, libjpeg-turbo with its SIMD code, libspng, and for the tests GoogleTest), static, from Debian's own source
# packages, with the MinGW-w64 toolchain. zlib comes from Debian's libz-mingw-w64-dev.
# Usage: scripts/windows-deps.sh <folder>   (for example build-windows/deps)
# Installs into <folder>/prefix and prints nothing else on standard output but that path.
# Everything is cached in <folder>: the package lists, the sources and each library's stamp;
# a second run only checks the stamps. The sources come with `apt-get source`, from a deb-src
# stanza with the same URIs and suites as this machine's own package sources, kept in
# <folder>/apt so that the system's apt configuration is left alone.
# A library that needs more formats on Windows gets one more build_<name> function here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 1 ] || { echo "usage: $0 <folder>" >&2; exit 2; }
mkdir -p "$1"
deps=$(cd "$1" && pwd)
prefix=$deps/prefix
toolchain=$root/cmake/windows-x86_64.cmake
jobs=$(nproc)

# apt <arguments...>: apt-get with its sources, lists and cache in $deps/apt.
apt() {
    apt-get -q -o Dir::Etc::SourceList="$deps/apt/sources.list" \
        -o Dir::Etc::SourceParts="$deps/apt/sources.list.d" \
        -o Dir::State::Lists="$deps/apt/lists" -o Dir::Cache="$deps/apt/cache" \
        -o Debug::NoLocking=1 -o APT::Sandbox::User="$(id -un)" "$@"
}

# The machine's own sources, each turned into a deb-src entry (one-line and deb822 forms).
source_lists() {
    mkdir -p "$deps/apt/sources.list.d" "$deps/apt/lists/partial" "$deps/apt/cache/archives/partial"
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list \
        /etc/apt/sources.list.d/*.list 2>/dev/null >"$deps/apt/sources.list" || true
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] || continue
        sed -E 's/^Types:.*\bdeb\b.*/Types: deb-src/' "$f" >"$deps/apt/sources.list.d/$(basename "$f")"
    done
}

# fetch <source package>: unpacks it (Debian's patches applied) once; prints its folder.
fetch() {
    local dir
    dir=$(find "$deps/src" -maxdepth 1 -type d -name "$1-[0-9]*" 2>/dev/null | head -n1)
    if [ -z "$dir" ]; then
        if [ ! -e "$deps/apt/updated" ]; then
            source_lists
            apt update >&2
            touch "$deps/apt/updated"
        fi
        mkdir -p "$deps/src"
        (cd "$deps/src" && apt source "$1" >&2)
        dir=$(find "$deps/src" -maxdepth 1 -type d -name "$1-[0-9]*" | head -n1)
    fi
    [ -n "$dir" ] || { echo "windows-deps: no source of $1" >&2; exit 1; }
    echo "$dir"
}

# cmake_install <name> <source folder> <cmake arguments...>: a static Release build, installed.
cmake_install() {
    local name=$1 src=$2
    shift 2
    cmake -S "$src" -B "$deps/build-$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DPLUVINA_WINDOWS_DEPS="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >&2
    cmake --build "$deps/build-$name" -j"$jobs" >&2
    cmake --install "$deps/build-$name" >&2
}

build_freeglut() {
    # As a replacement for GLUT it installs GL/glut.h and names itself so, as CMake's
    # FindGLUT expects.
    cmake_install freeglut "$(fetch freeglut)" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
        -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_REPLACE_GLUT=ON
}

build_libjpeg_turbo() {
    cmake_install libjpeg-turbo "$(fetch libjpeg-turbo)" -DENABLE_SHARED=OFF \
        -DENABLE_STATIC=ON -DREQUIRE_SIMD=ON -DWITH_JPEG8=ON
}

build_libspng() {
    # Its static-only configuration fails; the shared one also builds spng_static, which is
    # what the program links, with SPNG_STATIC defined so that the header asks for no DLL.
    cmake_install libspng "$(fetch libspng)" -DSPNG_SHARED=ON -DSPNG_STATIC=ON \
        -DBUILD_EXAMPLES=OFF
    cat >"$prefix/lib/pkgconfig/spng.pc" <<EOF
prefix=$prefix
Name: spng
Description: PNG decoding and encoding library (static, for Windows)
Version: $(sed -n 's/^Version: //p' "$deps/build-libspng/tests/libspng.pc" 2>/dev/null || echo 0)
Cflags: -I\${prefix}/include -DSPNG_STATIC
Libs: -L\${prefix}/lib -lspng_static -lz
EOF
}

build_googletest() {
    # The tests' framework, from the sources Debian's libgtest-dev ships.
    cmake_install googletest /usr/src/googletest -DBUILD_GMOCK=OFF
}

# Header-only: stb (the screenshot's PNG encoder) is the same for every system.
mkdir -p "$prefix/include"
ln -sfn /usr/include/stb "$prefix/include/stb"

for package in freeglut libjpeg_turbo libspng googletest; do
    stamp=$prefix/.built-$package
    if [ ! -e "$stamp" ] || [ "$stamp" -ot "$0" ]; then
        echo "== Windows dependency: $package" >&2
        start=$SECONDS
        "build_$package"
        mkdir -p "$prefix"
        touch "$stamp"
        echo "windows-deps: $package built in $((SECONDS - start)) s" >&2
    fi
done
echo "$prefix"
