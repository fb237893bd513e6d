# shellcheck shell=bash
# Sourced by scripts/bench.sh --baseline DIR (not run on its own): reading in
# this checkout's build beside another build of the benchmarks, DIR, such as
# the build-bench folder of a checkout of the code before a change.
#
# Two benchmarks, the ones the speed of reading shows in:
#   rtf_read/10MB     borovka-bench-rtf     rtf::read of the generated 10 MB article
#   editor_open/10MB  borovka-bench-editor  opening it through the editing area
#                                           until the first screenful is painted
# Each round runs each of them once in each build, a process of 5 repetitions;
# the older build goes first in odd rounds and second in even ones, so a busy
# minute of the machine falls on both builds alike and neither always starts.
# The table gives the median of all repetitions of each build, the change,
# and whether the newer build stays within 5 % of the older; the changes
# round by round show how much the machine moved meanwhile.
#
# With --instructions, callgrind also counts the instructions of rtf::read
# in one read of the 10 MB article in each build: figures the load of the
# machine does not move.
#
# Uses from bench.sh: B, data, results, baseline, quick, instructions, markdown.
# shellcheck disable=SC2154

if [ -z "${B:-}" ] || [ -z "${baseline:-}" ]; then
    echo "run scripts/bench.sh --baseline DIR" >&2
    exit 2
fi

# Even, so that each build goes first as often as the other.
side_rounds=12
[ "$quick" -eq 1 ] && side_rounds=6
side_reps=5
side_bound=5
# program, benchmark (a regular expression for --benchmark_filter)
side_benchmarks=("rtf ^rtf_read/10MB/" "editor ^editor_open/10MB/")

# The commit and build type of a build folder, for the table's heading.
side_describe() {
    local dir=$1 src type commit
    src=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$dir/CMakeCache.txt" 2>/dev/null)
    type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$dir/CMakeCache.txt" 2>/dev/null)
    commit=$(git -C "${src:-/nonexistent}" describe --always --dirty 2>/dev/null || echo "commit unknown")
    echo "$dir (${src:-source unknown}, $commit, ${type:-build type unknown})"
}
side_before=$(side_describe "$baseline")
side_after=$(side_describe "$(pwd)/$B")
case "$side_before" in *", Release)") ;; *) echo "warning: the baseline is not a Release build: $side_before" >&2 ;; esac

echo "== before: $side_before"
echo "== after:  $side_after"

# Both builds make their documents in-process with their own generator:
# they read the same bytes only if the generators agree.
echo "== the same documents in both builds"
if [ -x "$baseline/borovka-bench-gen" ]; then
    "$B/borovka-bench-gen" 10m "$data/clanek-10m.rtf"
    "$baseline/borovka-bench-gen" 10m "$results/baseline-clanek-10m.rtf"
    if ! cmp -s "$data/clanek-10m.rtf" "$results/baseline-clanek-10m.rtf"; then
        echo "the two builds generate different 10 MB documents: their times would not compare" >&2
        exit 1
    fi
    rm -f "$results/baseline-clanek-10m.rtf"
    echo "10 MB: the same $(stat -c %s "$data/clanek-10m.rtf") bytes from both generators"
else
    echo "(no borovka-bench-gen in $baseline: not checked)"
fi

for entry in "${side_benchmarks[@]}"; do
    read -r prog filter <<<"$entry"
    for dir in "$baseline" "$B"; do
        if ! BOROVKA_BENCH_LARGE=0 "$dir/borovka-bench-$prog" --benchmark_list_tests=true \
            --benchmark_filter="$filter" 2>/dev/null | grep -q .; then
            echo "$dir/borovka-bench-$prog has no benchmark matching $filter" >&2
            exit 1
        fi
    done
done

# One process of one benchmark in one build: side_run old|new PROGRAM FILTER ROUND
side_run() {
    local which=$1 prog=$2 filter=$3 round=$4 dir=$B
    [ "$which" = old ] && dir=$baseline
    local name="$results/side-$prog-$which-$round"
    if ! BOROVKA_BENCH_LARGE=0 "$dir/borovka-bench-$prog" --benchmark_filter="$filter" \
        --benchmark_repetitions=$side_reps \
        --benchmark_out="$name.json" --benchmark_out_format=json >"$name.log" 2>&1; then
        echo "$dir/borovka-bench-$prog failed; see $name.log" >&2
        exit 1
    fi
}

echo "== $side_rounds rounds, each benchmark in both builds in turn ($side_reps repetitions a process)"
: >"$results/side-load.txt"
for ((round = 1; round <= side_rounds; round++)); do
    order=(old new)
    [ $((round % 2)) -eq 0 ] && order=(new old)
    cut -d' ' -f1 /proc/loadavg >>"$results/side-load.txt"
    for entry in "${side_benchmarks[@]}"; do
        read -r prog filter <<<"$entry"
        for which in "${order[@]}"; do
            side_run "$which" "$prog" "$filter" "$round"
        done
    done
    echo "round $round of $side_rounds done (${order[0]} build first)"
done
cut -d' ' -f1 /proc/loadavg >>"$results/side-load.txt"

if [ "$instructions" -eq 1 ]; then
    if command -v valgrind >/dev/null && command -v callgrind_annotate >/dev/null; then
        echo "== instructions of rtf::read, 10 MB (callgrind)"
        for which in old new; do
            dir=$B
            [ "$which" = old ] && dir=$baseline
            # A fixed hash seed: QHash's layout, and so the count, the same in every run.
            if ! QT_HASH_SEED=0 BOROVKA_BENCH_LARGE=0 valgrind --tool=callgrind \
                --callgrind-out-file="$results/callgrind-$which.out" \
                --toggle-collect='rtf::read(QByteArrayView, QTextDocument&)' \
                "$dir/borovka-bench-rtf" --benchmark_filter='^rtf_read/10MB/' --benchmark_min_time=0.001 \
                --benchmark_out="$results/callgrind-$which.json" --benchmark_out_format=json \
                >"$results/callgrind-$which.log" 2>&1; then
                echo "callgrind failed; see $results/callgrind-$which.log" >&2
                continue
            fi
            callgrind_annotate "$results/callgrind-$which.out" 2>/dev/null \
                | awk '/PROGRAM TOTALS/ && !n++ {gsub(",", "", $1); print $1}' >"$results/instructions-$which.txt"
            echo "$which: $(cat "$results/instructions-$which.txt") instructions"
        done
    else
        echo "(valgrind is not installed: no instruction counts)"
    fi
fi

echo
echo "Machine: $(nproc) cores, $(LC_ALL=C lscpu | sed -n 's/^Model name: *//p' | head -n 1)," \
    "$(free -g | awk '/^Mem:/ {print $2}') GB memory; $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "Before: $side_before"
echo "After:  $side_after"
echo "Load average (1 minute) at the rounds' starts and end: $(sort -g "$results/side-load.txt" | head -n 1) to $(sort -g "$results/side-load.txt" | tail -n 1)"
echo
python3 - "$results" "$markdown" "$side_rounds" "$side_reps" "$side_bound" <<'PY'
import glob, json, os, re, statistics, sys
sys.path.insert(0, "scripts")  # run from the project's folder
from benchtable import print_table

results, markdown = sys.argv[1], sys.argv[2]
rounds, reps, bound = int(sys.argv[3]), int(sys.argv[4]), float(sys.argv[5])
UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}

def fmt_time(s):
    return f"{s * 1000:.1f} ms" if s < 1 else f"{s:.3f} s"

def pct(x):
    return f"{round(x * 100, 1) + 0.0:+.1f} %"

# times[(prog, which)][round] = [(wall, cpu), ...] of that process's repetitions
times = {}
for path in glob.glob(os.path.join(results, "side-*-*-*.json")):
    prog, which, rnd = re.match(r"side-(\w+)-(old|new)-(\d+)\.json$", os.path.basename(path)).groups()
    for b in json.load(open(path))["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        if b.get("error_occurred"):
            sys.exit(f"{path}: {b.get('error_message')}")
        u = UNIT[b["time_unit"]]
        times.setdefault((prog, which), {}).setdefault(int(rnd), []).append(
            (b["real_time"] * u, b["cpu_time"] * u))

LABEL = {"rtf": "rtf::read, 10 MB (rtf_read/10MB)",
         "editor": "Open 10 MB until painted (editor_open/10MB)"}
rows = []
for prog in ("rtf", "editor"):
    old, new = times.get((prog, "old")), times.get((prog, "new"))
    if not old or not new:
        continue
    # CPU time only for the read: opening loads the file on a thread of its
    # own, which the benchmark's CPU time (its own thread's) does not see.
    for k, kind in ((0, ""), (1, ", CPU time"))[:2 if prog == "rtf" else 1]:
        before = statistics.median(t[k] for r in old.values() for t in r)
        after = statistics.median(t[k] for r in new.values() for t in r)
        change = after / before - 1
        by_round = sorted(statistics.median(t[k] for t in new[r]) / statistics.median(t[k] for t in old[r]) - 1
                          for r in old if r in new)
        spread = f"{pct(by_round[0])} to {pct(by_round[-1])}, median {pct(statistics.median(by_round))}"
        n = sum(len(r) for r in old.values())
        rows.append((LABEL[prog] + kind, fmt_time(before), fmt_time(after), pct(change),
                     "yes" if change <= bound / 100 else "NO",
                     f"{len(by_round)} rounds, {n} repetitions each; round by round {spread}"))

def instructions(which):
    try:
        total = int(open(os.path.join(results, f"instructions-{which}.txt")).read().strip())
        runs = json.load(open(os.path.join(results, f"callgrind-{which}.json")))["benchmarks"]
        iters = sum(b["iterations"] for b in runs if b.get("run_type") == "iteration")
        return total / iters, iters
    except (OSError, ValueError, KeyError, ZeroDivisionError):
        return None, 0

(ib, nb), (ia, na) = instructions("old"), instructions("new")
if ib and ia:
    change = ia / ib - 1
    rows.append(("rtf::read, 10 MB, instructions", f"{ib / 1e6:,.1f} M", f"{ia / 1e6:,.1f} M", pct(change),
                 "yes" if change <= bound / 100 else "NO",
                 (f"callgrind, {nb} read in each build" if nb == na else f"callgrind, {nb} reads before, {na} after")
                 + ", QT_HASH_SEED=0"))

head = ("Benchmark", "Before", "After", "Change", f"Within {bound:g} %", "Notes")
print_table(head, rows, markdown)
PY
