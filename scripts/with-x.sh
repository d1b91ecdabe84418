#!/usr/bin/env bash
# Runs a command with an X display: the current one if $DISPLAY is set, otherwise a private
# Xvfb (with GLX, Mesa's software renderer) that is stopped when the command ends.
# Usage: scripts/with-x.sh command [args...]
set -euo pipefail
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$@"
fi
xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }; }
trap cleanup EXIT
# Several runs may start at once: take the first display number whose server comes up.
for n in $(seq 90 160); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    # -noreset: without it the server resets whenever its last client leaves (each xdpyinfo
    # probe), and a program connecting during that reset is refused.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset +extension GLX >"/tmp/xvfb-$n.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
        kill -0 "$xvfb_pid" 2>/dev/null || break
        DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break
        sleep 0.1
    done
    if kill -0 "$xvfb_pid" 2>/dev/null && DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
        export DISPLAY=":$n"
        break
    fi
    xvfb_pid=""
done
[ -n "$xvfb_pid" ] || { echo "with-x: no Xvfb display could be started" >&2; exit 1; }
"$@"
