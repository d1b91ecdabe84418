#!/usr/bin/env bash
# Escape ends the program with status 0; other keys (including upper-case Q) do not.
source "$(dirname "$0")/lib.sh"

start_app "$PHOTOS"
press Q
press x
press r
sleep 0.5
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended on a key that should be ignored"
press Escape
expect_exit 0
expect_quiet_stdout
echo "escape: ok"
