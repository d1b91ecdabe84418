#!/usr/bin/env bash
# Mouse drags move and turn the camera. Run without the photographs, so the drops are the
# only thing drawn besides the overlay: the centroid of their cyan pixels shows where the
# fountains stand on screen.
source "$(dirname "$0")/lib.sh"

# centroid <name>: average of the cyan centroid over a few screenshots (the drops move).
centroid() {
    local sx=0 sy=0 n=0 i s
    for i in 1 2 3 4 5; do
        s=$(shot "$1-$i")
        stats "$s" 0 30 640 450
        [ "$CYAN" -gt 200 ] || fail "too few drop pixels ($CYAN) in $1-$i"
        sx=$(echo "$sx + $CX" | bc -l)
        sy=$(echo "$sy + $CY" | bc -l)
        n=$((n + 1))
        sleep 0.25
    done
    CX=$(echo "$sx / $n" | bc -l)
    CY=$(echo "$sy / $n" | bc -l)
}
between() { [ "$(echo "$1 >= $2 && $1 <= $3" | bc -l)" = 1 ]; }

start_app "$(empty_dir)" --photos "$(empty_dir)"
s=$(shot bare)
stats "$s" 0 30 640 450
[ "$CYAN" -gt 200 ] || fail "no drops visible without the photographs ($CYAN cyan pixels)"
[ "$(probe "$s" pixel 630 10)" = "46 46 46" ] || fail "background is $(probe "$s" pixel 630 10)"

centroid before
bx=$CX by=$CY
# The fountains spray from the origin, which starts at the middle of the window.
between "$bx" 270 370 || fail "drops centred at x=$bx, expected near 320"

# Without photographs only background shows where they would stand: the top band of the
# upright one (no drop rises that high on screen) and the near part of the floor.
stats "$s" 240 158 400 195
[ "$GREY" -eq "$TOTAL" ] || fail "something where the upright photograph would stand"
stats "$s" 140 455 540 480
[ "$GREY" -ge $((TOTAL * 9 / 10)) ] || fail "something where the floor would lie ($GREY of $TOTAL grey)"

# Left drag 160 right and 80 down: the scene follows the pointer by one scene unit per
# pixel; at the scene's distance that is about half a pixel on screen.
drag 1 200 200 360 280
centroid panned
px=$CX py=$CY
dx=$(echo "$px - $bx" | bc -l)
dy=$(echo "$py - $by" | bc -l)
# Near drops move further on screen than far ones and weigh more (they are bigger), so the
# centroid moves more than the half pixel per unit of the scene's middle; the direction holds.
between "$dx" 60 200 || fail "left drag moved the drops by dx=$dx (expected about +80..+160)"
# The drops' own vertical spread changes as the fountains fill, so only the sense is checked.
between "$dy" 12 "$dx" || fail "left drag moved the drops by ($dx, $dy), not right and down"

# Middle drag and wheel only redraw: the drops stay where the left drag left them (a left
# button the program still thought held would pan them along, by some 180 px). Their own
# spray moves the centroid by up to about 35 px between samples.
drag 2 360 280 120 120
xdotool click 4 click 5
sleep 0.3
centroid redrawn
between "$CX" "$(echo "$px - 70" | bc -l)" "$(echo "$px + 70" | bc -l)" ||
    fail "middle drag or wheel moved the drops: x $px -> $CX"
px=$CX py=$CY

# Right drag 240 to the right: a 60 degree turn about the viewing axis. The drops, now off
# centre, swing about the window's centre and keep their distance from it.
drag 3 200 300 440 300
centroid turned
r0=$(echo "sqrt(($px - 320)^2 + ($py - 240)^2)" | bc -l)
r1=$(echo "sqrt(($CX - 320)^2 + ($CY - 240)^2)" | bc -l)
moved=$(echo "sqrt(($CX - $px)^2 + ($CY - $py)^2)" | bc -l)
between "$moved" 40 200 || fail "right drag moved the drops by $moved px (expected a turn)"
between "$r1" "$(echo "$r0 * 0.7" | bc -l)" "$(echo "$r0 * 1.3" | bc -l)" ||
    fail "right drag changed the distance from the centre: $r0 -> $r1"
# Dragged to the right, the scene turns counter-clockwise on screen: drops at the lower right
# of the centre swing up past it.
between "$CY" 0 "$(echo "$py - 30" | bc -l)" || fail "right drag turned the wrong way: y $py -> $CY"

press q
expect_exit 0
expect_quiet_stdout
echo "drag: ok"
