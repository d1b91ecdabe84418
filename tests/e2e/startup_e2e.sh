#!/usr/bin/env bash
# Start-up: a 640 by 480 window titled with the program's path, cleared to the 0.18 grey,
# the overlay's two lines drawn in white, nothing on standard output, "q" ends it with 0.
source "$(dirname "$0")/lib.sh"

start_app "$PHOTOS"
[ "$(xdotool getwindowname "$WIN")" = "$PLUVINA" ] || fail "title is '$(xdotool getwindowname "$WIN")'"
geometry=$(xdotool getwindowgeometry "$WIN" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "640x480" ] || fail "window is $geometry"

s=$(shot start)
[ "$(probe "$s" size)" = "640 480" ] || fail "screenshot size $(probe "$s" size)"
# The top right corner shows only the background: 0.18 of 255 is 46.
[ "$(probe "$s" pixel 630 10)" = "46 46 46" ] || fail "background is $(probe "$s" pixel 630 10)"
stats "$s" 560 0 640 60
[ "$GREY" -eq "$TOTAL" ] || fail "top right corner not all background ($GREY of $TOTAL)"
# Running time, upper left: baseline 12.5 px below the top edge, 62.5 px from the left.
stats "$s" 55 0 200 16
[ "$WHITE" -ge 10 ] || fail "no running-time text at the top left ($WHITE white pixels)"
# Frames per second, lower left: baseline 6.25 px above the bottom edge.
stats "$s" 55 462 200 480
[ "$WHITE" -ge 10 ] || fail "no frames-per-second text at the bottom left ($WHITE white pixels)"
# Nothing white between the two lines where no text is drawn.
stats "$s" 0 200 40 280
[ "$WHITE" -eq 0 ] || fail "unexpected white pixels at the left edge"

press q
expect_exit 0
expect_quiet_stdout
echo "startup: ok"
