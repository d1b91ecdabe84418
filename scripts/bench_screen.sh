#!/usr/bin/env bash
# What a person sees: the program itself (its --benchmark line: first frame, photos_ms, frame
# rate and gaps) with a 24-megapixel JPEG and PNG named, against the photo library alone on the
# same files (PhotoTexture::prepare, bench/photo_time) and against what most programs do
# (stb_image + gluBuild2DMipmaps, bench/photo_time), every case once per round, the rounds one
# after the other in one run; prints the medians and the ratios. The photograph is painted by
# tools/make_photos (a landscape with texture and a sensor's noise, 6000 x 4000) and encoded by
# ImageMagick: JPEG at quality 90 with 4:2:0 sampling, PNG at zlib level 6.
# Usage: scripts/bench_screen.sh [build folder]
# Environment: PLUVINA_BENCH_RUNS rounds (default 5), PLUVINA_BENCH_SECONDS per program run
# (default 6), PLUVINA_BENCH_BUSY busy processes running beside it (default 0).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    exec "$root/scripts/with-x.sh" bash "$0" "$build"
fi
cmake --build "$build" --target pluvina photo_time make_photos sample_photos gl_watch >/dev/null
dir="$build/bench-results/screen"
mkdir -p "$dir"
if [ ! -s "$dir/land.png" ]; then
    echo "== painting the 24-megapixel photograph"
    "$build/tools/make_photos" "$dir/land.ppm" 6000x4000
    convert "$dir/land.ppm" -quality 90 -sampling-factor 4:2:0 "$dir/land.jpg"
    convert "$dir/land.ppm" -define png:compression-level=6 "png:$dir/land.png.tmp" &&
        mv "$dir/land.png.tmp" "$dir/land.png"
    rm -f "$dir/land.ppm"
fi
screen=$(xdpyinfo | sed -n 's/ *dimensions: *\([0-9]*\)x\([0-9]*\) pixels.*/\1 \2/p')
longest=$(tr ' ' '\n' <<<"$screen" | sort -n | tail -n1)

busy=()
stop_busy() { for p in "${busy[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap stop_busy EXIT
for _ in $(seq 1 "${PLUVINA_BENCH_BUSY:-0}"); do
    bash -c 'while :; do :; done' &
    busy+=($!)
done

echo "== machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), screen ${screen/ /x}," \
    "${#busy[@]} busy processes beside it"
echo "files: $(stat -c '%n %s bytes' "$dir/land.jpg" "$dir/land.png" | sed "s|$dir/||" | paste -sd,)"
seconds=${PLUVINA_BENCH_SECONDS:-6}
results="$dir/results.txt"
: >"$results"
program() { # program <case> [options...]: one run of the program, its line kept
    echo "$1 $(cd "$build/app" && ./pluvina --benchmark "$seconds" "${@:2}")" >>"$results"
}
# watched <case> [options...]: as program, under the gl_watch shim, whose frame count (written
# about once a second) is read four times a second: the frame rate from a second after the
# photographs are on screen to the end is kept as the case "<case>-after".
watched() {
    local report="$dir/watch.txt" counts="$dir/watch-counts.txt"
    rm -f "$report"
    : >"$counts"
    (cd "$build/app" && LD_PRELOAD="$build/tools/libgl_watch.so" PLUVINA_WATCH_REPORT="$report" \
        ./pluvina --benchmark "$seconds" "${@:2}" >"$dir/line.txt") &
    local pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        [ -f "$report" ] && cat "$report" >>"$counts"
        sleep 0.25
    done
    wait "$pid"
    echo "$1 $(cat "$dir/line.txt")" >>"$results"
    python3 - "$dir/line.txt" "$counts" "$1" >>"$results" <<'PY'
import json, re, sys
shown = json.load(open(sys.argv[1]))["photos_ms"]
seen = sorted({(float(s), int(f)) for f, s in
               re.findall(r"frames=(\d+) .*?seconds=([\d.]+)", open(sys.argv[2]).read())})
after = [(s, f) for s, f in seen if shown is not None and s * 1000 > shown + 1000]
if len(after) >= 2:
    print("%s-after %.1f" % (sys.argv[3], (after[-1][1] - after[0][1]) / (after[-1][0] - after[0][0])))
PY
}
alone() { # alone <case> <road> <file>
    echo "$1 $("$build/bench/photo_time" "$2" "$dir/$3" "$longest")" >>"$results"
}
for round in $(seq 1 "${PLUVINA_BENCH_RUNS:-5}"); do
    watched samples
    program jpeg --upright "$dir/land.jpg"
    alone library-jpeg prepare land.jpg
    alone stb-jpeg stb-glu land.jpg
    program png --floor "$dir/land.png"
    alone library-png prepare land.png
    alone stb-png stb-glu land.png
    watched both --upright "$dir/land.jpg" --floor "$dir/land.png"
    echo "round $round done, load $(cut -d' ' -f1 /proc/loadavg)"
done
python3 - "$results" "$seconds" <<'PY'
import json, statistics, sys
seconds = float(sys.argv[2])
runs = {}
for line in open(sys.argv[1]):
    case, rest = line.split(" ", 1)
    runs.setdefault(case, []).append(json.loads(rest) if rest.startswith("{") else float(rest))
med = lambda xs: statistics.median(xs)
def prog(case, key):
    return med([r[key] if r[key] is not None else float("nan") for r in runs[case]])
print("medians of %d rounds (ms)" % len(runs["samples"]))
for case in ("samples", "jpeg", "png", "both"):
    print("  program, %-7s first frame %7.1f  photos on screen %7.1f  fps %6.1f  longest gap %6.1f"
          ", while loading %6.1f"
          % (case, prog(case, "first_frame_ms"), prog(case, "photos_ms"), prog(case, "fps"),
             med([r["frame_ms"]["max"] for r in runs[case]]),
             med([r["frame_ms"]["max_loading"] for r in runs[case]])))
for kind in ("jpeg", "png"):
    print("  %-4s library alone %7.1f  stb_image + GLU %7.1f"
          % (kind, med(runs["library-" + kind]), med(runs["stb-" + kind])))
for kind in ("jpeg", "png"):
    print("%s on screen: %.2f times faster than stb_image + GLU (goal 5 for JPEG, 1.5 for PNG)"
          % (kind.upper(), med(runs["stb-" + kind]) / prog(kind, "photos_ms")))
slower = max(med(runs["library-jpeg"]), med(runs["library-png"]))
print("both at once: %.2f times first frame + the slower one's own time (goal 1.1)"
      % (prog("both", "photos_ms") / (prog("samples", "first_frame_ms") + slower)))
print("first frame with both named: %.2f times the one with the samples (goal 1.2)"
      % (prog("both", "first_frame_ms") / prog("samples", "first_frame_ms")))
after = lambda case: med(runs[case + "-after"]) if case + "-after" in runs else float("nan")
print("frame rate from a second after the photographs are on screen: %.1f fps with both named,"
      " %.1f with the samples" % (after("both"), after("samples")))
PY
