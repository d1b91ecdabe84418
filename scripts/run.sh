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
export PLUVINA_SHOT="$root/build/screenshot.png"
"$root/scripts/with-x.sh" bash -c '
    set -u
    program=$(pwd)/pluvina
    "$program" "$@" &
    pid=$!
    win=""
    # The window is titled with the program path; GLUT sets no _NET_WM_PID to search by.
    for _ in $(seq 1 100); do
        for w in $(xdotool search --onlyvisible --name pluvina 2>/dev/null || true); do
            [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$program" ] && win=$w
        done
        [ -n "$win" ] && break
        sleep 0.1
    done
    if [ -z "$win" ]; then echo "run: no window appeared" >&2; kill $pid 2>/dev/null; exit 1; fi
    # No window manager under Xvfb: bring the window from (-1, -1) to the corner.
    xdotool windowmove "$win" 0 0
    sleep 3
    xwd -silent -id "$win" | /usr/bin/convert xwd:- "$PLUVINA_SHOT"
    xdotool mousemove --window "$win" 320 240 key q
    for _ in $(seq 1 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    if kill -0 $pid 2>/dev/null; then echo "run: the program did not end on q" >&2; kill $pid; exit 1; fi
    wait $pid
' bash "$@"
echo "screenshot: $PLUVINA_SHOT"
