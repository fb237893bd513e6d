#!/usr/bin/env bash
# Builds the libFuzzer targets and fuzzes each for a bounded time (seconds,
# default 60). A crash, leak, timeout or out-of-memory fails the run and the
# input that caused it is printed. Findings go under fuzz/findings/.
# The seed of the mutations is fixed (FUZZ_SEED, default 1), so a run
# repeats what the same run found before; give another seed, or more time,
# to look further.
#
# Every input of the seed corpus (fuzz/corpus and for the package readers
# fuzz/corpus-docx and fuzz/corpus-odt, which keep each earlier
# finding) must pass: that replay fails the run. What the timed search finds
# beyond it is printed and kept under fuzz/findings/ for a developer to fix
# and add to the corpus. For the load and save round trip any finding fails
# the run: a save must be a fixed point, and one that is not is a fault to
# mend at once. For the other targets it fails the run only with
# FUZZ_STRICT=1, so the test command stays repeatable while those searches
# keep looking.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
# Each target with its seed corpus: RTF for the RTF targets, small packages
# and flat files for the Word and OpenDocument readers.
for pair in fuzz_rtf_reader:corpus fuzz_load_roundtrip:corpus fuzz_rtf_tokenizer:corpus \
    fuzz_docx_reader:corpus-docx fuzz_odt_reader:corpus-odt; do
    target=${pair%%:*}
    corpus=fuzz/${pair#*:}
    work="$(mktemp -d)"
    findings="fuzz/findings/$target"
    mkdir -p "$findings"
    echo "== replaying the seed corpus through $target"
    if ! "build-fuzz/$target" -runs=0 -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
            -artifact_prefix="$findings/" "$corpus" >"$work.log" 2>&1; then
        status=1
        tail -n 60 "$work.log"
        rm -rf "$work" "$work.log"
        continue
    fi
    echo "== fuzzing $target for ${seconds}s"
    # New inputs go to the scratch folder; the seed corpus in the repo stays as it is.
    if ! "build-fuzz/$target" -seed="${FUZZ_SEED:-1}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/" \
            "$work" "$corpus" >"$work.log" 2>&1; then
        if [ "${FUZZ_STRICT:-0}" = 1 ] || [ "$target" = fuzz_load_roundtrip ]; then
            status=1
        else
            echo "-- a new finding (kept under $findings; FUZZ_STRICT=1 makes it fail the run):"
        fi
        tail -n 60 "$work.log"
        for f in "$findings"/*; do
            [ -f "$f" ] || continue
            echo "-- input $f (base64):"
            # Only the head of a large input, cut before encoding: a reader
            # that stops early would end the pipe with SIGPIPE under pipefail.
            head -c 3000 "$f" | base64
            echo
        done
    else
        grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|Done)" "$work.log" || tail -n 3 "$work.log"
    fi
    rm -rf "$work" "$work.log"
done
exit $status
