#!/usr/bin/env bash
# Sets up, builds and runs the demo from the folder that holds its two photographs.
# With a display it simply opens the window. Without one it runs the program under Xvfb,
# saves a screenshot after a few seconds, prints its path and ends the program with "q".
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh
cd build/app
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec ./pluvina "$@"
fi
shot="$root/build/screenshot.png"
"$root/scripts/with-x.sh" bash -c '
    ./pluvina "$@" &
    pid=$!
    for _ in $(seq 1 100); do
        win=$(xdotool search --sync --onlyvisible --pid $pid 2>/dev/null | head -n1 || true)
        [ -n "$win" ] && break
        sleep 0.1
    done
    sleep 3
    /usr/bin/import -window root "'"$shot"'"
    xdotool search --pid $pid | head -n1 | xargs -r -I{} xdotool windowactivate --sync {} 2>/dev/null || true
    xdotool key q
    wait $pid
' bash "$@"
echo "screenshot: $shot"
