#!/usr/bin/env bash
# Runs the Windows build's programs under Wine, in a Wine prefix of the build's own (never the
# user's ~/.wine). The Windows toolchain file names it as CMake's cross-compiling emulator, so
# the build (the sample photographs) and CTest (the tests) run their .exe files through it.
# Usage: scripts/wine.sh <prefix folder> <program.exe> [arguments...]
#        scripts/wine.sh <prefix folder> --serve   keep a wineserver running (before CTest)
#        scripts/wine.sh <prefix folder> --stop    end that wineserver
# A fresh prefix is made once: its windows are plain X windows, not managed by the window
# manager (Managed=N), which makes a GL window's teardown take a tenth of a second, not two.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 <prefix folder> <program.exe|--serve|--stop> [arguments...]" >&2; exit 2; }
mkdir -p "$1"
WINEPREFIX=$(cd "$1" && pwd)
shift
export WINEPREFIX
# Quiet, and no offer to install .NET or a browser engine into the prefix.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree=;mshtml="

if [ ! -e "$WINEPREFIX/.ready" ]; then
    wineboot --init >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.ready"
fi

case "$1" in
--serve)
    # Started beforehand, Wine's background processes do not hold the caller's output pipe
    # open (CTest would wait seconds per test, or for ever).
    wineserver -p
    wineboot >/dev/null 2>&1
    ;;
--stop)
    wineserver -k 2>/dev/null || true
    ;;
*)
    exec wine "$@"
    ;;
esac
