#!/usr/bin/env bash
# Makes the release files (scripts/package.sh) and tries the Debian packages as a user would:
# installs them on this machine with apt-get, runs /usr/bin/pluvina for a few frames from a
# folder without photographs (it must find its samples and say nothing on standard error),
# builds and runs the example consumers against /usr (find_package and pkg-config), and
# removes the packages again, also when a step fails. Refuses to touch packages of the same
# names installed before. Needs root or sudo; no stdin.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/package.sh build build-shared build-windows
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
arch=$(dpkg --print-architecture)
debs=("$PWD/dist/pluvina_${version}_${arch}.deb" "$PWD/dist/libpluvina-dev_${version}_${arch}.deb")
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
for p in pluvina libpluvina-dev; do
    if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        echo "package-test: $p is installed already; not touching it" >&2
        exit 1
    fi
done
work=$(mktemp -d)
remove() {
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq pluvina libpluvina-dev \
        >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap remove EXIT

echo "== installing ${debs[*]##*/}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${debs[@]}" >/dev/null
dpkg -L pluvina | grep -qx /usr/share/man/man1/pluvina.1.gz

echo "== /usr/bin/pluvina --frames 3, in an empty folder"
(cd "$work" && "$OLDPWD/scripts/with-x.sh" /usr/bin/pluvina --frames 3 \
    --screenshot "$work/shot.png" 2>"$work/stderr") </dev/null
if [ -s "$work/stderr" ]; then
    echo "package-test: the installed program complained:" >&2
    cat "$work/stderr" >&2
    exit 1
fi
[ -s "$work/shot.png" ]

echo "== the example consumers against /usr"
scripts/consumers.sh /usr "$work/consumers" build/app/p6155961.bmp --no-subproject </dev/null

echo "== removing the packages"
remove
trap - EXIT
! [ -e /usr/bin/pluvina ] && ! [ -e /usr/lib/cmake/pluvina ]
