#!/usr/bin/env bash
# No OpenGL error in any frame, seen from outside the program: the gl_watch shim drains GL's
# error flags at every swap while the program is driven with drags, wheel steps, "r" and
# resizes. Also prints the frame rate and the time to the first frame.
source "$(dirname "$0")/lib.sh"

# First prove that the watcher sees an error at all: it raises one itself on request.
start_watched "$PHOTOS" PLUVINA_WATCH_INJECT_ERROR=1
press q
expect_exit 0
watch_final
[ "$(watch_field gl_errors)" -ge 1 ] && [ "$(watch_field first_error)" = 0x500 ] ||
    fail "the watcher missed an injected GL_INVALID_ENUM: $(cat "$WATCH_REPORT")"

start_watched "$PHOTOS"
drag 1 200 200 360 280
drag 3 200 300 440 300
drag 2 100 100 300 300
pointer_to 320 240
xdotool click 4 click 4 click 5
press r
press r
frames_before=$(watch_field frames)
for size in "800 600" "320 200" "1000 300" "640 480"; do
    xdotool windowsize "$WIN" $size
    sleep 0.6
done
drag 1 300 300 250 200
press r
sleep 1.2 # the watcher rewrites its report about once a second
frames_after=$(watch_field frames)
[ "${frames_after:-0}" -gt "${frames_before:-0}" ] ||
    fail "no new frames after the resizes ($frames_before -> $frames_after)"
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended during the input"

press q
expect_exit 0
expect_quiet_stdout
watch_final
frames=$(watch_field frames)
[ "$frames" -gt 0 ] || fail "no frame was drawn"
[ "$(watch_field gl_errors)" = 0 ] ||
    fail "GL errors during the run: $(cat "$WATCH_REPORT")"
echo "glerror: ok: $frames frames, $(watch_field fps) fps," \
    "first frame after $(watch_field first_frame_ms) ms, longest gap $(watch_field max_gap_ms) ms"
