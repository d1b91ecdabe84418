#!/usr/bin/env bash
# A bounded fuzzing run of one target of a sanitizer build, from its seeds.
# Usage: scripts/fuzz.sh <build> <bmp|photo> <share>: the run takes PLUVINA_FUZZ_SECONDS
# (default 60) divided by <share>, the number of targets that split that time.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
target=$2
seconds=$((${PLUVINA_FUZZ_SECONDS:-60} / $3))
echo "== fuzzing the $target decoders for $seconds s"
mkdir -p "$dir/fuzz-corpus-$target"
seeds=(tests/fuzz/corpus)
[ "$target" = photo ] && seeds=(tests/fuzz/photo_corpus tests/fuzz/corpus)
"$dir/tests/fuzz/${target}_fuzzer" -max_total_time="$seconds" -max_len=65536 \
    "$dir/fuzz-corpus-$target" "${seeds[@]}" </dev/null
