#!/usr/bin/env bash
# Builds everything and runs the whole test suite: under AddressSanitizer and
# UndefinedBehaviorSanitizer, then a bounded fuzzing run of the RTF reader
# (FUZZ_SECONDS per target, default 60), then the normal build, whose ctest
# summary ends the output.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

echo "== sanitizers"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

echo "== fuzzing"
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

echo "== tests"
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default
