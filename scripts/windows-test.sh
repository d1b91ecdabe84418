#!/usr/bin/env bash
# Tests the Windows build under Wine on an X display (Xvfb when there is none).
# Usage: scripts/windows-test.sh tests <Windows build> <Linux build>
#   its unit and GL tests through CTest (the toolchain's emulator runs each .exe); CTest
#   writes <Windows build>/junit.xml
# Usage: scripts/windows-test.sh program <Windows build> <Linux build>
#   the program itself for a few frames, whose screenshot must show what the Linux
#   program's shows
# Needs no stdin.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${PLUVINA_WINDOWS_TEST_X:-}" ]; then
    PLUVINA_WINDOWS_TEST_X=1 exec scripts/with-x.sh "$0" "$@"
fi
root=$PWD
mode=$1
windows=$(cd "$2" && pwd)
linux=$(cd "$3" && pwd)
prefix=$windows/wine
frames=${PLUVINA_WINDOWS_FRAMES:-5}

scripts/wine.sh "$prefix" --serve
trap 'scripts/wine.sh "$prefix" --stop' EXIT
if [ "$mode" = tests ]; then
    ctest --test-dir "$windows" --output-on-failure -j1 --output-junit "$windows/junit.xml" </dev/null
    exit 0
fi

echo "== the Windows program, $frames frames, against the Linux program's"
shots=$windows/shots
rm -rf "$shots"
mkdir -p "$shots"
# Both start in the folder of their sample photographs and draw the same frames; only the
# drops move between runs of different speed, so most of the picture must match.
(cd "$windows/app" && "$root/scripts/wine.sh" "$prefix" ./pluvina.exe --frames "$frames" \
    --screenshot "$shots/windows.png") </dev/null
(cd "$linux/app" && ./pluvina --frames "$frames" --screenshot "$shots/linux.png") </dev/null
size=$(identify -format '%wx%h' "$shots/windows.png")
[ "$size" = "$(identify -format '%wx%h' "$shots/linux.png")" ] ||
    { echo "windows-test: the screenshots differ in size ($size)" >&2; exit 1; }
# Pixels more than 10% apart in any channel, against the picture's size.
differing=$(compare -metric AE -fuzz 10% "$shots/windows.png" "$shots/linux.png" \
    "$shots/difference.png" 2>&1 || true)
total=$(( ${size%x*} * ${size#*x} ))
echo "windows-test: $differing of $total pixels differ (at most 2% may: the drops)"
[ "${differing%.*}" -ge 0 ] 2>/dev/null && [ $((100 * ${differing%.*})) -le $((2 * total)) ] ||
    { echo "windows-test: the Windows program draws another picture (see $shots)" >&2; exit 1; }
