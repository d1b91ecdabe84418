# Shared helpers of the end-to-end tests: start the built program in a folder, find its
# window, take screenshots, drive it with real X input (xdotool) and check how it ends.
# Each test script is called as: <script> <pluvina> <shot_probe> <folder with the photos>
set -euo pipefail

PLUVINA=$(readlink -f "$1")
PROBE=$(readlink -f "$2")
PHOTOS=$(readlink -f "$3")
WORK=$(mktemp -d /tmp/pluvina-e2e.XXXXXX)
APP_PID=""
WIN=""

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cleanup() {
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        kill "$APP_PID" 2>/dev/null || true
    fi
    if [ -z "${KEEP_WORK:-}" ]; then rm -rf "$WORK"; fi
}
trap cleanup EXIT

# A display of our own unless the caller gave one.
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    exec "$(dirname "$0")/../../scripts/with-x.sh" bash "$0" "$@"
fi

# app_window: the visible window of $APP_PID, or nothing yet. GLUT sets _NET_WM_PID only
# under a window manager, and Xvfb runs none, so the window is also looked up by its title,
# which is the program's path.
app_window() {
    local w title
    w=$(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | head -n1 || true)
    if [ -z "$w" ]; then
        title=$(printf '%s' "$PLUVINA" | sed 's/[][\\.*^$+?(){}|]/\\&/g')
        w=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1 || true)
    fi
    echo "$w"
}

# start_app <folder> [options...]: runs the program from <folder> (its photographs are read
# from there), standard output and error captured, waits for its window and lets it draw.
start_app() {
    start_cmd "$1" 30 "$PLUVINA" "${@:2}"
    sleep 1.5 # let it draw a good number of frames
}

# shot <name>: screenshot of the program's window as $WORK/<name>.ppm
shot() {
    xwd -silent -id "$WIN" | /usr/bin/convert xwd:- -depth 8 "ppm:$WORK/$1.ppm" || fail "screenshot failed"
    echo "$WORK/$1.ppm"
}

# probe <shot> size | pixel X Y | rowmedian X0 X1 Y | stats X0 Y0 X1 Y1 (see shot_probe.cpp)
probe() {
    case $2 in
    size) /usr/bin/identify -format '%w %h' "$1" ;;
    pixel) "$PROBE" "$1" rowmedian "$3" $(($3 + 1)) "$4" ;;
    *) "$PROBE" "$@" ;;
    esac
}

# stats <shot> x0 y0 x1 y1 -> sets CYAN CX CY WHITE GREY TOTAL
stats() {
    read -r _ CYAN CX CY _ WHITE _ GREY _ TOTAL < <("$PROBE" "$1" stats "${@:2}")
}

# Real pointer and keyboard input, aimed at the program's window.
pointer_to() { xdotool mousemove --window "$WIN" "$1" "$2"; }
drag() { # drag <button> x0 y0 x1 y1: press, move in small steps, release
    local b=$1 x0=$2 y0=$3 x1=$4 y1=$5 i
    pointer_to "$x0" "$y0"
    sleep 0.1
    xdotool mousedown "$b"
    for i in $(seq 1 10); do
        pointer_to $((x0 + (x1 - x0) * i / 10)) $((y0 + (y1 - y0) * i / 10))
        sleep 0.03
    done
    sleep 0.1
    xdotool mouseup "$b"
    sleep 0.3
}
press() { pointer_to 320 240; sleep 0.05; xdotool key "$1"; }

# expect_exit <status>: waits up to 10 s for the program to end and checks its status
expect_exit() { wait_exit 10 "$1"; }

expect_quiet_stdout() {
    [ ! -s "$WORK/stdout" ] || fail "the program wrote to standard output: $(head -c 200 "$WORK/stdout")"
}

# An empty folder: the program runs without its photographs.
empty_dir() { mkdir -p "$WORK/empty"; echo "$WORK/empty"; }

# ---- Starting the program through a wrapper, and watching it from outside ----

# start_cmd <folder> <seconds> <command...>: starts the program (directly, or through a
# wrapper that keeps its process id: env, valgrind) and waits up to <seconds> for its window.
start_cmd() {
    local dir=$1 limit=$2 i
    shift 2
    (cd "$dir" && exec "$@" >"$WORK/stdout" 2>"$WORK/stderr" </dev/null) &
    APP_PID=$!
    WIN=""
    for ((i = 0; i < limit * 10; i++)); do
        WIN=$(app_window)
        if [ -n "$WIN" ]; then
            # Without a window manager GLUT's window sits at (-1, -1), one pixel off
            # screen: move it to the corner so screenshots hold all of it.
            xdotool windowmove "$WIN" 0 0 || true
            return 0
        fi
        kill -0 "$APP_PID" 2>/dev/null ||
            fail "the program ended during start-up: $(tail -c 2000 "$WORK/stderr")"
        sleep 0.1
    done
    fail "no window appeared within $limit s"
}

# The frame watcher (tools/gl_watch.c), preloaded into the program only. CTest passes its
# path in PLUVINA_GL_WATCH; the report lands in $WATCH_REPORT.
WATCH_REPORT="$WORK/watch.txt"
watch_lib() {
    [ -n "${PLUVINA_GL_WATCH:-}" ] && [ -f "$PLUVINA_GL_WATCH" ] ||
        fail "PLUVINA_GL_WATCH does not name the gl_watch library ('${PLUVINA_GL_WATCH:-}')"
    readlink -f "$PLUVINA_GL_WATCH"
}

# start_watched <folder> [VAR=value...]: start_app with the watcher preloaded; the extra
# variables go to the program's environment.
start_watched() {
    local dir=$1 lib
    shift
    lib=$(watch_lib)
    rm -f "$WATCH_REPORT"
    start_cmd "$dir" 10 env LD_PRELOAD="$lib${LD_PRELOAD:+:$LD_PRELOAD}" \
        PLUVINA_WATCH_REPORT="$WATCH_REPORT" "$@" "$PLUVINA"
    sleep 1.5
}

# watch_field <name>: one value of the latest report (empty when there is none yet).
watch_field() {
    [ -f "$WATCH_REPORT" ] || return 0
    tr ' ' '\n' <"$WATCH_REPORT" | sed -n "s/^$1=//p"
}

# watch_final: after the program ended, checks that the watcher wrote its closing report.
watch_final() {
    [ -f "$WATCH_REPORT" ] || fail "the watcher wrote no report"
    [ "$(watch_field final)" = 1 ] || fail "no closing report: $(cat "$WATCH_REPORT")"
}

# wait_exit <seconds> <status>: expect_exit with a longer wait (a program under Valgrind
# needs seconds for its leak check at exit).
wait_exit() {
    local limit=$1 want=$2 status=0 i
    for ((i = 0; i < limit * 10; i++)); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$APP_PID" 2>/dev/null && fail "the program did not end within $limit s"
    wait "$APP_PID" || status=$?
    APP_PID=""
    [ "$status" -eq "$want" ] || fail "exit status $status, expected $want"
}

# ---- Runs that end by themselves, and waiting for a condition ----

# run_to_end <folder> <seconds> [options...]: runs the program from <folder> until it ends
# (killed after <seconds>); its output lands in $WORK/stdout and $WORK/stderr, its exit
# status in $STATUS.
run_to_end() {
    local dir=$1 limit=$2
    shift 2
    STATUS=0
    (cd "$dir" && exec timeout -k 5 "$limit" "$PLUVINA" "$@" >"$WORK/stdout" 2>"$WORK/stderr" \
        </dev/null) || STATUS=$?
}

# poll <seconds> <command...>: true as soon as the command succeeds, false after <seconds>.
poll() {
    local limit=$1 i
    shift
    for ((i = 0; i < limit * 10; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
