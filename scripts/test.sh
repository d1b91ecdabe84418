#!/usr/bin/env bash
# Sets up, builds and runs every test: the unit and GL tests, the end-to-end tests of the
# program under X, an example program built against the installed package, the program under
# Valgrind memcheck and a soak run of random input, then the unit tests again under
# AddressSanitizer + UndefinedBehaviorSanitizer and a bounded fuzzing run of the BMP reader.
# Works without a display and without stdin. PLUVINA_QUICK=1 stops after CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# ctest_count <log>: the number of tests a CTest run passed
ctest_count() { sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' "$1" | tail -n1; }
scripts/with-x.sh ctest --test-dir build --output-on-failure -j1 </dev/null | tee build/ctest.log
passed=$(ctest_count build/ctest.log)

if [ "${PLUVINA_QUICK:-0}" != 1 ]; then
    echo "== the installed package, used by examples/textured_quad"
    rm -rf build/install build/example
    cmake --install build --prefix build/install >/dev/null
    cmake -S examples/textured_quad -B build/example \
        -DCMAKE_PREFIX_PATH="$PWD/build/install" >/dev/null
    cmake --build build/example -j"$(nproc)"
    # A few frames with one of the sample photographs; it checks what it shows, then ends.
    scripts/with-x.sh build/example/textured_quad build/app/p6155961.bmp 30 </dev/null

    echo "== the program under Valgrind memcheck"
    scripts/memcheck.sh build </dev/null
    echo "== soak: ${PLUVINA_SOAK_SECONDS:-60} s of random input"
    scripts/soak.sh build </dev/null

    echo "== sanitizers (clang, ASan + UBSan)"
    CC=clang CXX=clang++ BUILD_DIR=build-asan BUILD_TYPE=Debug scripts/setup.sh \
        -DPLUVINA_SANITIZE=ON -DPLUVINA_BUILD_BENCHMARKS=OFF -DPLUVINA_BUILD_FUZZERS=ON
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
        scripts/with-x.sh ctest --test-dir build-asan --output-on-failure -j1 -LE e2e </dev/null |
        tee build-asan/ctest.log
    passed=$((passed + $(ctest_count build-asan/ctest.log)))
    if [ -x build-asan/tests/fuzz/bmp_fuzzer ]; then
        echo "== fuzzing the BMP reader for ${PLUVINA_FUZZ_SECONDS:-60} s"
        mkdir -p build-asan/fuzz-corpus
        build-asan/tests/fuzz/bmp_fuzzer -max_total_time="${PLUVINA_FUZZ_SECONDS:-60}" \
            -max_len=65536 build-asan/fuzz-corpus tests/fuzz/corpus </dev/null
        passed=$((passed + 1))
    fi
    # The example, the memory check and the soak each count as one test.
    passed=$((passed + 3))
fi
# Every step above stops the script on failure, so reaching this line means none failed.
echo "tests: $passed passed, 0 failed"
