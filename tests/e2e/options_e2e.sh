#!/usr/bin/env bash
# The command line: runs that end by themselves (--frames, --benchmark), the screenshot the
# program writes, the photographs found beside the program or named by --photos, GLUT's own
# options passed on, and wrong options refused with status 2.
source "$(dirname "$0")/lib.sh"
empty=$(empty_dir)

# Started from an empty folder, the photographs beside the program are found, and the last
# of 300 frames is saved as a PNG that shows the scene.
run_to_end "$empty" 120 --frames 300 --screenshot "$WORK/last.png"
[ "$STATUS" -eq 0 ] || fail "--frames ended with $STATUS: $(cat "$WORK/stderr")"
expect_quiet_stdout
[ ! -s "$WORK/stderr" ] || fail "messages with the photographs beside it: $(cat "$WORK/stderr")"
[ "$(probe "$WORK/last.png" size)" = "640 480" ] || fail "screenshot is $(probe "$WORK/last.png" size)"
read -r R G B < <(probe "$WORK/last.png" rowmedian 240 400 175)
[ "$B" -gt $((R + 10)) ] && [ "$B" -gt "$G" ] || fail "no sky at the top of the photograph ($R $G $B)"
read -r R G B < <(probe "$WORK/last.png" rowmedian 200 440 440)
[ "$R" -gt $((B + 30)) ] || fail "no floor tiles in the screenshot ($R $G $B)"
stats "$WORK/last.png" 0 30 640 450
[ "$CYAN" -gt 100 ] || fail "no drops in the screenshot ($CYAN cyan pixels)"

# A screenshot that cannot be written: status 1 and one line naming it.
run_to_end "$empty" 120 --frames 2 --screenshot "$WORK"
[ "$STATUS" -eq 1 ] && grep -q "^pluvina: $WORK: " "$WORK/stderr" || fail "unwritable screenshot: $STATUS"

# --benchmark prints one line of JSON whose figures agree with each other.
run_to_end "$empty" 120 --benchmark 2
[ "$STATUS" -eq 0 ] || fail "--benchmark ended with $STATUS: $(cat "$WORK/stderr")"
[ "$(wc -l <"$WORK/stdout")" -eq 1 ] || fail "benchmark output: $(cat "$WORK/stdout")"
python3 - "$WORK/stdout" <<'PY' || fail "benchmark figures: $(cat "$WORK/stdout")"
import json, sys
r = json.load(open(sys.argv[1]))
t = r["frame_ms"]
assert r["frames"] >= 10, "too few frames"
# The frames' gaps span at least the 2 s asked for, and at most one gap more.
gaps = r["frames"] - 1
assert gaps * 1000 / (2000 + t["max"] + 1) - 0.1 <= r["fps"] <= gaps / 2 + 0.1, "fps and frames disagree"
assert 0 < r["first_frame_ms"] < 60000
assert r["photos_ms"] == r["first_frame_ms"], "the sample photographs show from the first frame"
assert r["photos_started_ms"] is None and t["max_loading"] == 0, "no photograph was named"
assert 0 < t["p50"] <= t["p95"] <= t["p99"] <= t["max"] < 2000
PY

# --photos names the folder; each photograph that cannot be shown gets one line.
printf 'not a picture' >"$WORK/p6155955.bmp"
run_to_end "$empty" 120 --photos "$WORK" --frames 3 --size 320x200 --vsync -geometry +5+5
[ "$STATUS" -eq 0 ] || fail "--photos run ended with $STATUS"
expect_quiet_stdout
grep -qx "pluvina: $WORK/p6155961.bmp: .*" "$WORK/stderr" || fail "no line for the missing photograph"
grep -qx "pluvina: $WORK/p6155955.bmp: .*" "$WORK/stderr" || fail "no line for the bad photograph"
# Xvfb's GL has no swap control: --vsync says so, once, and the program runs on.
[ "$(wc -l <"$WORK/stderr")" -le 3 ] || fail "too many messages: $(cat "$WORK/stderr")"

# Photographs that are no files and a screenshot target that is full: the run still ends,
# with one line for each.
odd="$WORK/odd"
mkdir "$odd"
mkfifo "$odd/p6155961.bmp"
mkdir "$odd/p6155955.bmp"
run_to_end "$odd" 60 --frames 2 --size 2x2 --screenshot /dev/full
[ "$STATUS" -eq 1 ] || fail "odd files: status $STATUS"
expect_quiet_stdout
[ "$(grep -c "^pluvina: p61559[56][15].bmp: not a regular file$" "$WORK/stderr")" -eq 2 ] &&
    grep -qx "pluvina: /dev/full: No space left on device" "$WORK/stderr" ||
    fail "odd files: $(cat "$WORK/stderr")"
mkfifo "$odd/shot.png" # nobody reads it: refused, not waited on
run_to_end "$odd" 60 --frames 1 --size 2x2 --screenshot shot.png
[ "$STATUS" -eq 1 ] && grep -qx "pluvina: shot.png: No such device or address" "$WORK/stderr" ||
    fail "a FIFO as screenshot: status $STATUS, $(cat "$WORK/stderr")"

# Window size: --size, or GLUT's own -geometry, seen in the saved frame.
for args in "--size 320x200" "-geometry 300x180+10+10" "-geometry 300x180 --size 200x100"; do
    want=$(sed -E 's/.* ([0-9]+)x([0-9]+).*/\1 \2/' <<<"${args##*--size}")
    # shellcheck disable=SC2086
    run_to_end "$empty" 120 $args --frames 2 --screenshot "$WORK/size.png"
    [ "$STATUS" -eq 0 ] && [ "$(probe "$WORK/size.png" size)" = "$want" ] ||
        fail "$args: status $STATUS, picture $(probe "$WORK/size.png" size), expected $want"
done

# --fullscreen: the frames fill the screen.
run_to_end "$empty" 120 --fullscreen --frames 200 --screenshot "$WORK/full.png"
[ "$(probe "$WORK/full.png" size)" = "$(xdotool getdisplaygeometry)" ] || fail "--fullscreen: $STATUS"

# Help and version on standard output; wrong options: one line on standard error, status 2.
run_to_end "$empty" 30 --help
[ "$STATUS" -eq 0 ] && grep -q -- "--benchmark SECONDS" "$WORK/stdout" || fail "--help"
run_to_end "$empty" 30 --version
[ "$STATUS" -eq 0 ] && grep -qx "pluvina [0-9.]*" "$WORK/stdout" || fail "--version"
for args in "--bogus" "-x" "stray" "--size" "--size 640x1" "-geometry 1x1+0+0" "--size 10" "--frames -3" \
    "--frames 2x" "--benchmark nan" "--benchmark 0" "--screenshot a.png" "--vsync=1" \
    "--frames 5 --benchmark 1"; do
    # shellcheck disable=SC2086
    run_to_end "$empty" 30 $args
    [ "$STATUS" -eq 2 ] || fail "'$args' ended with $STATUS, expected 2"
    [ "$(wc -l <"$WORK/stderr")" -eq 1 ] && grep -q "^pluvina: .*--help" "$WORK/stderr" ||
        fail "'$args' message: $(cat "$WORK/stderr")"
    expect_quiet_stdout
done
echo "options: ok"
