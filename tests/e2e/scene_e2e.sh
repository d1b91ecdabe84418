#!/usr/bin/env bash
# The finished scene: the upright photograph behind the fountains (sky at the top, so it
# stands upright), the tiled floor below it in perspective, and cyan drops in front.
source "$(dirname "$0")/lib.sh"

rgb() { read -r R G B < <(probe "$1" pixel "$2" "$3"); }

start_app "$PHOTOS"

# scene_ok: a fresh screenshot shows the whole scene; else $why says what is missing. It is
# retried, since on a busy machine the first frames may come late.
scene_ok() {
    s=$(shot scene)

    # The upright square spans about x 236..404, y 156..324 on screen. It faces +z while the
    # light comes from +y, so it shows at ambient brightness only: dark, but recognisable.
    # Upright means the sky at the top, the green hills above the middle, the lake below.
    read -r R G B < <(probe "$s" rowmedian 240 400 175)
    [ "$B" -gt $((R + 10)) ] && [ "$B" -gt "$G" ] || { why="upright photograph: top is not sky blue ($R $G $B)"; return 1; }
    sky_blue=$B
    read -r R G B < <(probe "$s" rowmedian 240 400 256)
    [ "$G" -gt "$B" ] && [ "$G" -gt "$R" ] || { why="upright photograph: no green hills above the middle ($R $G $B)"; return 1; }
    read -r R G B < <(probe "$s" rowmedian 240 400 318)
    [ $((2 * B)) -lt $((3 * sky_blue)) ] && [ "$B" -lt "$sky_blue" ] || { why="upright photograph: bottom ($R $G $B) not the darker lake below a sky of blue $sky_blue"; return 1; }
    # No drop rises as high on screen as the top band of the photograph: all of it is picture.
    stats "$s" 240 158 400 195
    [ "$GREY" -eq 0 ] || { why="background showing through the top of the upright photograph"; return 1; }

    # The floor: terracotta and sand tiles, fully lit from above, from y 324 to the bottom.
    clay=0
    for p in "320 420" "200 460" "440 460" "300 360" "340 380"; do
        rgb "$s" $p
        [ "$R" -gt $((B + 30)) ] && clay=$((clay + 1))
    done
    [ "$clay" -ge 4 ] || { why="floor tiles not seen below the fountains ($clay of 5 samples)"; return 1; }
    # The floor narrows with distance: beside its far edge there is only background.
    [ "$(probe "$s" pixel 150 330)" = "46 46 46" ] || { why="floor wider than its perspective allows"; return 1; }

    # Drops are drawn in front of the photographs.
    stats "$s" 0 30 640 450
    [ "$CYAN" -gt 200 ] || { why="no drops in front of the photographs ($CYAN cyan pixels)"; return 1; }
}
why="no screenshot"
poll 5 scene_ok || fail "$why"

if [ -n "${PLUVINA_SCREENSHOT:-}" ]; then
    /usr/bin/convert "$s" "$PLUVINA_SCREENSHOT"
fi
press q
expect_exit 0
expect_quiet_stdout
echo "scene: ok"
