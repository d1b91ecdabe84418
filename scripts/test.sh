#!/usr/bin/env bash
# Sets up, builds and runs every test: the formatting check, the reference manual (Doxygen,
# warning-free), the unit and GL tests and the end-to-end tests of the program under X, all
# of them again against shared libraries, the example consumers built outside the tree
# against the installed package (static and shared), the program under Valgrind memcheck and
# a soak run of random input, then the unit tests again under AddressSanitizer +
# UndefinedBehaviorSanitizer, the photograph tests without GL (the background loader's among
# them) under ThreadSanitizer, a bounded fuzzing run of the BMP reader and the photograph
# decoders, the Windows build's tests and program under Wine, and the Debian packages
# installed, used and removed again. Works without a display and without stdin.
# The stages are the tests of a CTest project of their own (tests/stages), and the closing
# line counts what the test runners report. PLUVINA_QUICK=1 runs only the stages labelled
# quick (formatting, manual, the first CTest run); PLUVINA_STAGES=<regex> only the stages
# whose names match (with the builds they need).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S tests/stages -B build/stages -DPLUVINA_SOURCE_DIR="$PWD" >/dev/null
select=()
[ "${PLUVINA_QUICK:-0}" = 1 ] && select=(-L quick)
[ -n "${PLUVINA_STAGES:-}" ] && select+=(-R "$PLUVINA_STAGES")
rm -f build*/junit.xml
status=0
ctest --test-dir build/stages -V -j1 --output-junit "$PWD/build/stages/junit.xml" "${select[@]}" \
    </dev/null || status=$?
shopt -s nullglob
suites=(build*/junit.xml)
scripts/test_count.py build/stages/junit.xml "${suites[@]}" || status=1
exit $status
