#!/usr/bin/env bash
# Sets up, builds and runs every test: the formatting check, the reference manual (Doxygen,
# warning-free), the unit and GL tests and the end-to-end tests of the program under X, all
# of them again against shared libraries, the example consumers built outside the tree
# against the installed package (static and shared), the program under Valgrind memcheck and
# a soak run of random input, then the unit tests again under AddressSanitizer +
# UndefinedBehaviorSanitizer and a bounded fuzzing run of the BMP reader and the photograph
# decoders. Works without a display and without stdin. PLUVINA_QUICK=1 stops after the first CTest run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# ctest_count <log>: the number of tests a CTest run passed
ctest_count() { sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' "$1" | tail -n1; }

echo "== formatting (clang-format, .clang-format)"
cmake --build build --target check-format
echo "== the reference manual (Doxygen): a warning fails it"
cmake --build build --target docs || { cat build/docs/warnings.log; exit 1; }
scripts/with-x.sh ctest --test-dir build --output-on-failure -j1 </dev/null | tee build/ctest.log
# The formatting check and the manual count as one test each.
passed=$(($(ctest_count build/ctest.log) + 2))

if [ "${PLUVINA_QUICK:-0}" != 1 ]; then
    echo "== shared libraries: the same tests"
    BUILD_DIR=build-shared scripts/setup.sh -DBUILD_SHARED_LIBS=ON -DPLUVINA_BUILD_BENCHMARKS=OFF
    scripts/with-x.sh ctest --test-dir build-shared --output-on-failure -j1 </dev/null |
        tee build-shared/ctest.log
    passed=$((passed + $(ctest_count build-shared/ctest.log)))

    # The subproject consumer builds the libraries from source: once is enough.
    for dir in build build-shared; do
        echo "== the installed package ($dir), used by the consumers in examples/"
        rm -rf "$dir/install"
        cmake --install "$dir" --prefix "$dir/install" >/dev/null
        scripts/consumers.sh "$dir/install" "$dir/consumers" build/app/p6155961.bmp \
            $([ $dir = build-shared ] && echo --no-subproject) </dev/null
        passed=$((passed + $([ $dir = build ] && echo 5 || echo 4)))
    done

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
    # The fuzz minute is shared by the targets built.
    fuzzers=()
    for f in bmp photo; do
        [ -x build-asan/tests/fuzz/${f}_fuzzer ] && fuzzers+=("$f")
    done
    for f in "${fuzzers[@]}"; do
        seconds=$((${PLUVINA_FUZZ_SECONDS:-60} / ${#fuzzers[@]}))
        echo "== fuzzing the $f decoders for $seconds s"
        mkdir -p build-asan/fuzz-corpus-$f
        seeds=tests/fuzz/corpus
        [ $f = photo ] && seeds="tests/fuzz/photo_corpus tests/fuzz/corpus"
        build-asan/tests/fuzz/${f}_fuzzer -max_total_time="$seconds" -max_len=65536 \
            build-asan/fuzz-corpus-$f $seeds </dev/null
        passed=$((passed + 1))
    done
    # The memory check and the soak each count as one test.
    passed=$((passed + 2))
fi
# Every step above stops the script on failure, so reaching this line means none failed.
echo "tests: $passed passed, 0 failed"
