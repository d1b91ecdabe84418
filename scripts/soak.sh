#!/usr/bin/env bash
# A bounded soak run: the program under X with the gl_watch shim, fed a steady random stream
# of drags (left, middle, right), wheel steps, "r" and window resizes (down to 1x1, up to
# 2000x200, and back), then ended with "q". It must stay alive throughout, keep drawing
# (the shim's frame count grows between checks), raise no GL error and exit with status 0.
# Usage: scripts/soak.sh [build folder]    (default: build)
# Environment: PLUVINA_SOAK_SECONDS (default 60), PLUVINA_SOAK_SEED (default: random).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    exec "$root/scripts/with-x.sh" bash "$0" "$build"
fi
export PLUVINA_GL_WATCH=${PLUVINA_GL_WATCH:-$build/tools/libgl_watch.so}
source "$root/tests/e2e/lib.sh" "$build/app/pluvina" "$build/tests/shot_probe" "$build/app"

seconds=${PLUVINA_SOAK_SECONDS:-60}
seed=${PLUVINA_SOAK_SEED:-$(( $(date +%s) % 32768 ))}
RANDOM=$seed
echo "soak: $seconds s, seed $seed"

W=640 H=480
resize() {
    W=$1 H=$2
    xdotool windowsize "$WIN" "$W" "$H"
}
# visit <w> <h>: resize; a window with a side of 1 pixel only for half a second, then back.
# GLUT draws no frame at all while a side is 1 pixel (a bare GLUT program does the same), so
# staying there would stall the frame count that the loop checks.
visit() {
    local w0=$W h0=$H
    s="$1 $2"
    resize "$1" "$2"
    sleep 0.5
    if [ "$1" -le 1 ] || [ "$2" -le 1 ]; then
        alive "resize to $1x$2"
        resize "$w0" "$h0"
        sleep 0.2
    fi
}
rnd() { echo $(( RANDOM % $1 )); } # 0 .. n-1
# Keys go to the window under the pointer (Xvfb runs no window manager), so aim at it.
key_here() {
    pointer_to $(( W / 2 )) $(( H / 2 ))
    xdotool key "$1"
}

alive() {
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended during the soak (after $1)"
}

now() { date +%s.%N; }
launched=$(now)
start_watched "$PHOTOS"
started=$SECONDS
last_check=$SECONDS
last_frames=$(watch_field frames)
actions=0
resizes=0
# Taken in turn, so that every size comes up in a run of a few dozen actions.
sizes=("1 1" "2000 200" "640 480" "200 900" "1 300" "320 240" "1024 768" "3 700" "2 2" "640 480")
while (( SECONDS - started < seconds )); do
    began=$(now)
    case $(rnd 10) in
    0 | 1 | 2 | 3)
        b=$(( 1 + $(rnd 3) ))
        drag "$b" "$(rnd "$W")" "$(rnd "$H")" "$(rnd "$W")" "$(rnd "$H")"
        what="drag with button $b" ;;
    4 | 5)
        pointer_to "$(rnd "$W")" "$(rnd "$H")"
        xdotool click $(( 4 + $(rnd 2) ))
        what="wheel step" ;;
    6 | 7)
        key_here r
        what="key r" ;;
    *)
        visit ${sizes[$((resizes % ${#sizes[@]}))]}
        resizes=$((resizes + 1))
        what="resize to ${s/ /x}" ;;
    esac
    actions=$((actions + 1))
    echo "$(echo "$began - $launched" | bc) $what" >>"$WORK/actions"
    sleep 0.05
    alive "$what"
    # The shim rewrites its report about once a second: the count must have grown since the
    # last check a few seconds ago.
    if (( SECONDS - last_check >= 4 )); then
        frames=$(watch_field frames)
        (( ${frames:-0} > ${last_frames:-0} )) ||
            fail "no new frame for $((SECONDS - last_check)) s (frames $frames, after $what)"
        last_frames=$frames
        last_check=$SECONDS
    fi
done

# A short run may not have come round to every size yet.
while ((resizes < ${#sizes[@]})); do
    visit ${sizes[$resizes]}
    resizes=$((resizes + 1))
    alive "resize to ${s/ /x}"
done
resize 640 480
sleep 0.5
alive "the last resize"
key_here q
wait_exit 20 0
expect_quiet_stdout
watch_final
[ "$(watch_field gl_errors)" = 0 ] || fail "GL errors during the soak: $(cat "$WATCH_REPORT")"
# What was going on when the longest pause between two frames began.
gap_start=$(echo "$(watch_field max_gap_at) - $(watch_field max_gap_ms) / 1000" | bc -l)
during=$(awk -v t="$gap_start" '$1 <= t + 0.05 { $1 = ""; last = $0 } END { print last }' \
    "$WORK/actions")
echo "soak: ok: $actions actions ($resizes resizes) in $((SECONDS - started)) s," \
    "$(watch_field frames) frames, $(watch_field fps) fps;" \
    "longest pause between frames $(watch_field max_gap_ms) ms (during:${during:- start-up})"
