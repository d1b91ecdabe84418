#!/usr/bin/env bash
# Writes the release files into dist/:
#   pluvina_<version>_<arch>.deb         the program, its manual page and sample photographs
#   libpluvina-dev_<version>_<arch>.deb  headers, static and shared libraries, the CMake
#                                        package and pkg-config files
#   pluvina-<version>-win64.zip          pluvina.exe, the sample photographs, the README
# Usage: scripts/package.sh [static build] [shared build] [Windows build]
# (defaults build, build-shared, build-windows; all configured and built already; the zip is
# left out when the Windows build is missing). The Debian packages' dependencies are worked
# out by dpkg-shlibdeps from what the binaries link, plus the -dev packages the headers and
# the CMake and pkg-config files ask for.
set -euo pipefail
cd "$(dirname "$0")/.."
static=${1:-build}
shared=${2:-build-shared}
windows=${3:-build-windows}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$static/CMakeCache.txt")
arch=$(dpkg --print-architecture)
maintainer="Pluvina developers <pluvina@localhost>"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p dist

# install_component <build> <component> <root>: that part of a build, installed under /usr.
install_component() {
    DESTDIR="$3" cmake --install "$1" --prefix /usr --component "$2" >/dev/null
}

# shlib_depends <root> <files...>: the packages the binaries need, as dpkg-shlibdeps sees it.
shlib_depends() {
    local root=$1
    shift
    mkdir -p "$stage/shlibs/debian"
    printf 'Source: pluvina\n\nPackage: pluvina\nArchitecture: any\n' >"$stage/shlibs/debian/control"
    (cd "$stage/shlibs" && dpkg-shlibdeps -O --ignore-missing-info -l"$root/usr/lib" "$@" 2>/dev/null) |
        sed -n 's/^shlibs:Depends=//p'
}

# build_deb <root> <package> <depends> <description>
build_deb() {
    local root=$1 package=$2 depends=$3 description=$4
    mkdir -p "$root/DEBIAN" "$root/usr/share/doc/$package"
    cp README.md "$root/usr/share/doc/$package/README.md"
    cat >"$root/DEBIAN/control" <<EOF
Package: $package
Version: $version
Architecture: $arch
Maintainer: $maintainer
Section: graphics
Priority: optional
Installed-Size: $(du -sk "$root/usr" | cut -f1)
Depends: $depends
Homepage: https://localhost/pluvina
Description: $description
EOF
    # Shared libraries: the loader's cache is brought up to date after installing.
    if compgen -G "$root/usr/lib/*.so.*" >/dev/null; then
        echo "activate-noawait ldconfig" >"$root/DEBIAN/triggers"
    fi
    fakeroot dpkg-deb --build -Zxz "$root" "dist/${package}_${version}_${arch}.deb" >/dev/null
    echo "package: dist/${package}_${version}_${arch}.deb"
}

echo "== Debian packages of $version ($arch)"
program=$stage/pluvina
install_component "$static" pluvina_program "$program"
gzip -9n "$program/usr/share/man/man1/pluvina.1"
strip --strip-unneeded "$program/usr/bin/pluvina"
build_deb "$program" pluvina "$(shlib_depends "$program" "$program/usr/bin/pluvina")" \
    "OpenGL demo: two fountains of drops in front of two photographs
 An OpenGL window in which two fountains throw translucent drops in front of two
 photographs. The camera is moved with the mouse; the photographs can be the
 user's own (JPEG, PNG or BMP)."

dev=$stage/libpluvina-dev
install_component "$static" pluvina_development "$dev"
# The shared build's libraries and CMake package join the static ones; pkg-config keeps the
# static build's files, which also name what a static link needs (Requires.private).
cp -a "$dev/usr/lib/pkgconfig" "$stage/pkgconfig"
install_component "$shared" pluvina_development "$dev"
install_component "$shared" pluvina_runtime "$dev"
rm -rf "$dev/usr/lib/pkgconfig"
mv "$stage/pkgconfig" "$dev/usr/lib/pkgconfig"
strip --strip-unneeded "$dev"/usr/lib/libpluvina_*.so.*.*.*
strip --strip-debug "$dev"/usr/lib/libpluvina_*.a
libs=$(shlib_depends "$dev" "$dev"/usr/lib/libpluvina_*.so.*.*.*)
build_deb "$dev" libpluvina-dev \
    "$libs, libgl-dev, libglu1-mesa-dev, freeglut3-dev, libjpeg62-turbo-dev, libspng-dev, zlib1g-dev, libheif-dev, libwebp-dev, liblcms2-dev, pkg-config" \
    "scene, texture and photograph libraries over fixed-function OpenGL (development)
 libgr (drawables, GL state guards, geometry, textures, BMP reader), libutils,
 the vela GLUT framework and libphoto (JPEG, PNG, BMP, HEIF, AVIF and WebP
 photographs to textures, in sRGB): headers, static and shared libraries, a CMake package
 (find_package(pluvina)) and pkg-config files."

if [ -x "$windows/app/pluvina.exe" ]; then
    echo "== Windows zip"
    zipdir=$stage/pluvina-$version-win64
    mkdir -p "$zipdir"
    cp "$windows/app/pluvina.exe" "$windows/app/p6155961.bmp" "$windows/app/p6155955.bmp" \
        README.md "$zipdir/"
    x86_64-w64-mingw32-strip --strip-unneeded "$zipdir/pluvina.exe"
    rm -f "dist/pluvina-$version-win64.zip"
    (cd "$stage" && zip -qr9 "$OLDPWD/dist/pluvina-$version-win64.zip" "pluvina-$version-win64")
    echo "package: dist/pluvina-$version-win64.zip"
fi
