#!/usr/bin/env bash
# Photographs the user names (--upright, --floor): a JPEG stored sideways stands up, a PNG
# lies on the floor, both arrive while the scene already animates; a file that cannot be
# shown gets its line, and q ends the program while a large picture is still loading.
source "$(dirname "$0")/lib.sh"
dir="$WORK/photos"
mkdir -p "$dir"
cd "$dir"
# Seen upright: blue over red. Stored turned a quarter to the left, with EXIF orientation 6
# (turn a quarter to the right to view), as phones store them.
convert -size 400x150 xc:blue -size 400x150 xc:red -append -rotate -90 turned.jpg
python3 - turned.jpg <<'PY'
import struct, sys
d = open(sys.argv[1], "rb").read()
tiff = b"II*\0" + struct.pack("<IHHHIHHI", 8, 1, 0x0112, 3, 1, 6, 0, 0)
body = b"Exif\0\0" + tiff
open(sys.argv[1], "wb").write(d[:2] + b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body + d[2:])
PY
convert -size 300x300 xc:yellow -fill lime -draw "rectangle 0,0 149,299" floor.png
printf 'not a picture' >bad.jpg

run_to_end "$dir" 120 --upright turned.jpg --floor floor.png --frames 300 --screenshot shot.png
[ "$STATUS" -eq 0 ] && [ ! -s "$WORK/stderr" ] || fail "photos: status $STATUS, $(cat "$WORK/stderr")"
read -r R G B < <(probe shot.png rowmedian 250 390 190)
[ "$B" -gt $((R + 40)) ] || fail "the upright photograph's top is not blue ($R $G $B)"
read -r R G B < <(probe shot.png rowmedian 250 390 300)
[ "$R" -gt $((B + 40)) ] || fail "the upright photograph's bottom is not red ($R $G $B)"
read -r R G B < <(probe shot.png rowmedian 150 250 440)
[ "$G" -gt $((R + 40)) ] || fail "the floor's left half is not green ($R $G $B)"
read -r R G B < <(probe shot.png rowmedian 400 500 440)
[ "$R" -gt $((B + 40)) ] && [ "$G" -gt $((B + 40)) ] || fail "the floor's right half is not yellow ($R $G $B)"

# A file that cannot be shown: one line naming it; the other photograph still arrives, and
# the benchmark says when: started before the window, a small one is there from the first
# frame. Frames are paced to 60 a second only while a photograph is on its way: in a small
# window the free rate is far above that.
run_to_end "$dir" 120 --upright bad.jpg --floor floor.png --benchmark 2 --size 64x48
[ "$STATUS" -eq 0 ] || fail "bad photo: status $STATUS"
[ "$(wc -l <"$WORK/stderr")" -eq 1 ] && grep -q "^pluvina: bad.jpg: " "$WORK/stderr" ||
    fail "bad photo message: $(cat "$WORK/stderr")"
python3 - "$WORK/stdout" <<'PY' || fail "photos_ms: $(cat "$WORK/stdout")"
import json, sys
r = json.load(open(sys.argv[1]))
assert r["photos_started_ms"] < r["first_frame_ms"], "the photographs started late"
assert r["photos_ms"] == r["first_frame_ms"], "the photograph is late"
assert 0 <= r["frame_ms"]["max_loading"] <= r["frame_ms"]["max"], "gaps while loading"
assert r["fps"] > 150, "the frames stay paced once the photographs are there"
PY

# q while a 24-megapixel picture is still being decoded: the program ends at once.
python3 - big.png <<'PY'
import struct, sys, zlib
w, h = 6000, 4000
raw = (b"\0" + bytes(range(256)) * (w * 3 // 256) + bytes(w * 3 % 256)) * h
chunk = lambda t, d: struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
open(sys.argv[1], "wb").write(png + chunk(b"IDAT", zlib.compress(raw, 1)) + chunk(b"IEND", b""))
PY
start_cmd "$dir" 30 "$PLUVINA" --upright big.png --floor big.png
press q
wait_exit 2 0
[ ! -s "$WORK/stderr" ] || fail "messages at q: $(cat "$WORK/stderr")"
echo "photos: ok"
