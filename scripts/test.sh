#!/usr/bin/env bash
# Builds everything and runs the whole test suite: under AddressSanitizer and
# UndefinedBehaviorSanitizer, the converter's tests under ThreadSanitizer,
# then a bounded fuzzing run of the RTF reader
# (FUZZ_SECONDS per target, default 60), then the normal build, whose ctest
# summary ends the output.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

echo "== sanitizers"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

echo "== threads"
# The converter's batch mode converts on several threads at once: its tests
# under ThreadSanitizer (about 2 minutes to build on 2 cores, seconds to run).
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan

echo "== fuzzing"
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

echo "== tests"
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default
