#!/usr/bin/env bash
# Runs a command with an X display: the current one if $DISPLAY is set, otherwise a private
# Xvfb (with GLX, Mesa's software renderer) that is stopped when the command ends.
# Usage: scripts/with-x.sh command [args...]
set -euo pipefail
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$@"
fi
dir=$(mktemp -d "${TMPDIR:-/tmp}/with-x.XXXXXX")
xvfb_pid=""
cmd_pid=""
cleanup() {
    [ -n "$cmd_pid" ] && kill "$cmd_pid" 2>/dev/null
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
# -displayfd: the server takes the first free display number itself (under its lock file, so
# runs started at once never race for one) and writes it to the pipe once it accepts clients.
# -noreset: without it the server resets whenever its last client leaves, and a program
# connecting during that reset is refused.
mkfifo "$dir/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset +extension GLX \
    3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
xvfb_pid=$!
n=""
# A server that dies closes the pipe (read ends at once); one that hangs is stopped above.
read -r -t 20 n <"$dir/display" || true
if ! [[ "$n" =~ ^[0-9]+$ ]]; then
    echo "with-x: Xvfb did not start:" >&2
    cat "$dir/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$n"
# In the background (keeping stdin), so that a signal stops the command and the server at
# once instead of after the command ends.
"$@" <&0 &
cmd_pid=$!
status=0
wait "$cmd_pid" || status=$?
cmd_pid=""
exit "$status"
