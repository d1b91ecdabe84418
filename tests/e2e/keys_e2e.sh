#!/usr/bin/env bash
# The keys, pressed for real: p and space pause and resume (the drops freeze, the banner
# shows, frames go on), h shows the key list, s saves a new PNG each time, f switches to the
# screen's size and back, other keys do nothing and Escape ends the program with status 0.
source "$(dirname "$0")/lib.sh"

# Without photographs the background is plain grey; screenshots go to the working folder.
printf 'keep' >"$WORK/pluvina-001.png"
ln -s nowhere "$WORK/pluvina-002.png" # a link that leads nowhere takes its name too
start_app "$WORK" --photos "$(empty_dir)"

# white_in <x0 y0 x1 y1> <at least>: a fresh screenshot shows that much text there.
white_in() {
    stats "$(shot text)" "$1" "$2" "$3" "$4"
    [ "$WHITE" -ge "$5" ]
}
no_white_in() { ! white_in "$@" 1; }
# changed <a> <b>: pixels that differ between two screenshots, the overlay lines left out.
changed() {
    /usr/bin/convert "$1" -crop 640x420+0+30 "$WORK/c1.ppm"
    /usr/bin/convert "$2" -crop 640x420+0+30 "$WORK/c2.ppm"
    /usr/bin/compare -metric AE "$WORK/c1.ppm" "$WORK/c2.ppm" null: 2>&1 || true
}
size_is() { [ "$(xdotool getwindowgeometry "$WIN" | sed -n 's/.*Geometry: //p')" = "$1" ]; }

# Move the fountains down and right, off the middle where the pause banner shows.
drag 1 150 150 450 400
poll 10 no_white_in 280 225 360 250 || fail "the middle is not clear before the pause"
press p
poll 10 white_in 280 225 360 250 10 || fail "no pause banner in the middle"
a=$(shot paused-a)
sleep 1
b=$(shot paused-b)
stats "$a" 0 30 640 450
[ "$CYAN" -gt 100 ] || fail "no drops to watch ($CYAN cyan pixels)"
[ "$(changed "$a" "$b")" = 0 ] || fail "the drops moved while paused ($(changed "$a" "$b") pixels)"

# Frames are still drawn while paused: the key list comes and goes.
press h # seven lines from just below the running time downwards: the last ones count
poll 10 white_in 55 90 300 130 50 || fail "h shows no key list"
press h
poll 10 no_white_in 55 25 300 135 || fail "the key list stays after the second h"
press space
poll 10 no_white_in 280 225 360 250 || fail "the banner stays after space"
sleep 0.5
[ "$(changed "$a" "$(shot resumed)")" -gt 0 ] || fail "the drops stay frozen after space"

# s: a new file each time, an existing name never overwritten nor written through.
press s
press s
poll 10 test -s "$WORK/pluvina-004.png" || fail "two presses of s did not make two files"
[ "$(cat "$WORK/pluvina-001.png")" = keep ] && [ ! -e "$WORK/nowhere" ] ||
    fail "an earlier file was overwritten or a link written through"
for n in 3 4; do
    [ "$(probe "$WORK/pluvina-00$n.png" size)" = "640 480" ] || fail "pluvina-00$n.png is no 640x480 PNG"
done
grep -qx "pluvina: saved pluvina-004.png" "$WORK/stderr" || fail "s did not say where: $(cat "$WORK/stderr")"
sleep 0.5
[ ! -e "$WORK/pluvina-005.png" ] || fail "one press of s saved more than one frame"

# f: the screen's size, then the window's again.
screen=$(xdotool getdisplaygeometry | tr ' ' x)
press f
poll 10 size_is "$screen" || fail "f did not fill the $screen screen"
press f
poll 10 size_is 640x480 || fail "the second f did not bring the window back"

press Q
press x
press r
sleep 0.5
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended on a key that should be ignored"
press Escape
expect_exit 0
expect_quiet_stdout
echo "keys: ok"
