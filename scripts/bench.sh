#!/usr/bin/env bash
# Measures, on this machine, under X (a private Xvfb unless a display is given):
#  1. bench/frame_bench: the cost of one frame of the scene drawn by the program's own code
#     against a straight-OpenGL baseline of the same picture, and how it grows with the
#     number of drops and the window size; printed as medians and project / baseline ratios;
#  2. one photograph's upload through GLU against the generate-mipmap path, and the BMP
#     reader against a plain read() and a general-purpose decoder; a 24-megapixel JPEG and
#     PNG from file to texture, stage by stage, against stb_image + gluBuild2DMipmaps; a
#     12-megapixel HEIC and WebP from file to texture, and what the conversion into sRGB costs;
#  3. the real program at 640 x 480 with the gl_watch shim: frames per second and the time
#     from start to the first frame, over a few runs of PLUVINA_BENCH_SECONDS (default 10);
#  4. what a person sees with 24-megapixel photographs named (scripts/bench_screen.sh).
# Not part of the tests: timings on shared machines are too noisy to pass or fail on.
# Usage: scripts/bench.sh [build folder] [extra frame_bench arguments...]
# Environment: PLUVINA_BENCH_REPETITIONS (default 7), PLUVINA_BENCH_RUNS (default 3).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    exec "$root/scripts/with-x.sh" bash "$0" "$build" "$@"
fi
[ -x "$build/bench/frame_bench" ] || cmake --build "$build" --target frame_bench
out="$build/bench-results"
mkdir -p "$out"

echo "== machine"
echo "cores: $(nproc); cpu: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg); X: $DISPLAY"

echo "== frame cost (frame_bench; the photographs are read from $build/app)"
(cd "$build/app" && "$build/bench/frame_bench" \
    --benchmark_repetitions="${PLUVINA_BENCH_REPETITIONS:-7}" \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$out/frame_bench.json" --benchmark_out_format=json "$@" >/dev/null)
python3 - "$out/frame_bench.json" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
median = [b for b in runs if b.get("aggregate_name") == "median"]
spread = {b["run_name"]: b for b in runs if b.get("aggregate_name") == "cv"}
median.sort(key=lambda b: (b["family_index"], b["per_family_instance_index"]))
print("medians over the repetitions of each run's median frame time (ms); ratio = project /")
print("baseline; the unflushed baseline leaves out the scene's glFlush after each photograph")
print("%-18s %6s %9s %8s %9s %10s %7s %6s %14s" % (
    "case", "drops", "window", "project", "baseline", "unflushed", "ratio", "cv",
    "proj/unflushed"))
for b in median:
    width = round((b["pixels"] * 4 / 3) ** 0.5)
    name = b["run_name"].replace("BM_", "").replace("/real_time", "").replace("/min_time:1.000", "")
    cv = spread.get(b["run_name"], {}).get("ratio", 0.0)
    print("%-18s %6d %9s %8.3f %9.3f %10.3f %7.3f %5.1f%% %14.3f" % (
        name, b["drops"], "%dx%d" % (width, width * 3 // 4), b["project_ms"],
        b["baseline_ms"], b["noflush_ms"], b["ratio"], 100 * cv, b["ratio_noflush"]))
PY

echo "== one 512x512 photograph uploaded with mipmaps: GLU against generate-mipmap"
[ -x "$build/bench/texture_upload_bench" ] || cmake --build "$build" --target texture_upload_bench
(cd "$build/app" && "$build/bench/texture_upload_bench" --benchmark_repetitions=9 \
    --benchmark_report_aggregates_only=true 2>&1 | grep -E "median|levels" || true)

echo "== BMP reader: 4096x4096 24-bit file against read() and a general decoder"
[ -x "$build/bench/bmp_load_bench" ] || cmake --build "$build" --target bmp_load_bench
"$build/bench/bmp_load_bench" 2>&1 | tail -n 12

echo "== photographs: a 24-megapixel JPEG and PNG from file to texture, against stb_image + GLU"
if [ -d "$build/photo" ]; then
    [ -x "$build/bench/photo_bench" ] || cmake --build "$build" --target photo_bench
    "$build/bench/photo_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
fi
if [ -x "$build/bench/phone_photo_bench" ]; then
    echo "== photographs as phones keep them: 12-megapixel HEIC and WebP, and the colour stage"
    (cd "$out" && "$build/bench/phone_photo_bench" --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true)
fi

echo "== the program at 640x480 with the gl_watch shim, ${PLUVINA_BENCH_SECONDS:-10} s per run"
export PLUVINA_GL_WATCH=${PLUVINA_GL_WATCH:-$build/tools/libgl_watch.so}
for run in $(seq 1 "${PLUVINA_BENCH_RUNS:-3}"); do
    (
        source "$root/tests/e2e/lib.sh" "$build/app/pluvina" "$build/tests/shot_probe" "$build/app"
        start_watched "$PHOTOS"
        sleep "${PLUVINA_BENCH_SECONDS:-10}"
        press q
        wait_exit 20 0
        watch_final
        echo "run $run: $(cat "$WATCH_REPORT")"
    )
done

echo "== photographs on screen: the program, the library alone and stb_image + GLU"
if [ -d "$build/photo" ]; then
    PLUVINA_BENCH_SECONDS=6 "$root/scripts/bench_screen.sh" "$build"
fi
