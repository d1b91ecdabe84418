#!/usr/bin/env bash
# Sets up, builds and runs the demo. Builds only the program and its sample photographs
# (scripts/test.sh builds the rest), then runs it in the caller's working directory, where
# the "s" key saves its screenshots; the photographs are found beside the program.
# With a display it opens the window. Without one it draws the scene for a few seconds under
# Xvfb, lets the program save the last frame as a PNG, and says where.
# Usage: scripts/run.sh [program options...]   (scripts/run.sh --help lists them)
set -euo pipefail
here=$(pwd)
cd "$(dirname "$0")/.."
root=$(pwd)
PLUVINA_TARGETS="pluvina sample_photos" scripts/setup.sh
program="$root/${BUILD_DIR:-build}/app/pluvina"
cd "$here"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$program" "$@"
fi
shot="$root/${BUILD_DIR:-build}/screenshot.png"
figures=$("$root/scripts/with-x.sh" "$program" --benchmark 3 --screenshot "$shot" "$@")
echo "run: no display, so the scene was drawn for 3 s under Xvfb: $figures"
echo "screenshot: $shot"
