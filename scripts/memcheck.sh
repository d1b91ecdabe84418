#!/usr/bin/env bash
# The whole program under Valgrind's memcheck, in X (a private Xvfb unless a display is
# given), driven for several seconds with drags, wheel steps, "r" and resizes and ended with
# "q"; then tools/memcheck_report.py judges the log and fails on invalid accesses and on
# leaks or uninitialised values of our own code.
# Usage: scripts/memcheck.sh [build folder]    (default: build)
# Leaves the log in <build folder>/memcheck/ (memcheck.xml, and valgrind.txt in text).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    exec "$root/scripts/with-x.sh" bash "$0" "$build"
fi

out="$build/memcheck"
mkdir -p "$out"
xml="$out/memcheck.xml"
rm -f "$xml" "$out/valgrind.txt"

# The judge first: it must tell our faults from the libraries' noise, on hand-made logs and
# on a real log of a small program whose own code leaks a block.
python3 "$root/tools/memcheck_report_test.py"
printf '%s\n' 'int main() { int* volatile p = new int[2]; p[0] = 1; p = nullptr; }' |
    g++ -x c++ -g -O0 -o "$out/canary" -
valgrind -q --xml=yes --xml-file="$out/canary.xml" --leak-check=full "$out/canary" 2>/dev/null
if python3 "$root/tools/memcheck_report.py" "$out/canary.xml" --quiet >/dev/null; then
    echo "memcheck: FAIL: the judge let a program's own leak pass" >&2
    exit 1
fi

source "$root/tests/e2e/lib.sh" "$build/app/pluvina" "$build/tests/shot_probe" "$build/app"

# --track-origins costs about a third more time here and tells where an uninitialised value
# came from, which the judge needs to tell whose value it is.
started=$SECONDS
start_cmd "$PHOTOS" 180 valgrind --tool=memcheck --xml=yes --xml-file="$xml" \
    --leak-check=full --show-leak-kinds=definite,indirect,possible --track-origins=yes \
    --num-callers=40 --keep-debuginfo=yes --suppressions="$root/tools/memcheck.supp" "$PLUVINA"
echo "memcheck: window after $((SECONDS - started)) s"
sleep 3
drag 1 200 200 360 280
drag 3 200 300 440 300
drag 2 100 100 300 300
pointer_to 320 240
xdotool click 4 click 5 click 4
press r
press r
xdotool windowsize "$WIN" 400 300
sleep 2
xdotool windowsize "$WIN" 640 480
sleep 2
drag 1 300 300 250 200
press r
sleep 2
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended under memcheck: $(tail -c 2000 "$WORK/stderr")"
press q
wait_exit 180 0
cp "$WORK/stderr" "$out/valgrind.txt"
echo "memcheck: run took $((SECONDS - started)) s; log in $xml"
python3 "$root/tools/memcheck_report.py" "$xml" --source-root "$root"
