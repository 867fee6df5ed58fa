#!/bin/bash
# Runs every fuzz target for the given number of seconds on a copy of its seeds, two at a
# time, after feeding it a 10 MB input made of its seeds. An input that fails is kept in
# fuzz/regressions/<target>/ and the run fails. FUZZ_SEED fixes the random start, so that a
# short run goes the same way each time (a long run is where new ground is found).
#   fuzz/run.sh <build dir> <seconds> [target...]
set -u
build=$(realpath "$1")
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(ini sheet timetable settings userstore autostart initext dates ical)
# The targets write and flush files: in memory that costs nothing.
[ -w /dev/shm ] && export TMPDIR=/dev/shm
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_one() {
    local t=$1 dir="$work/$1"
    mkdir -p "$dir/corpus" "$dir/big" "$dir/crash"
    cp "$here/corpus/$t/"* "$dir/corpus/"
    # 10 MB: the seeds over and over, sections repeated.
    python3 -c '
import sys, glob
seeds = b"".join(open(f, "rb").read() for f in sorted(glob.glob(sys.argv[1] + "/*")))
open(sys.argv[2], "wb").write((seeds * (10 * 2**20 // max(len(seeds), 1) + 1))[: 10 * 2**20])
' "$here/corpus/$t" "$dir/big/ten-megabytes"
    local ok=1
    # Short allocation stacks: recording them is most of the time such an input takes.
    ASAN_OPTIONS=malloc_context_size=4 \
        "$build/fuzz/fuzz_$t" -timeout=120 -rss_limit_mb=4096 "$dir/big/ten-megabytes" \
        >"$dir/big.log" 2>&1 || ok=0
    if [ $ok = 1 ]; then
        "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
            -print_final_stats=1 -artifact_prefix="$dir/crash/" ${FUZZ_SEED:+-seed=$FUZZ_SEED} \
            "$dir/corpus" \
            >"$dir/run.log" 2>&1 || ok=0
    fi
    local execs
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$dir/run.log" 2>/dev/null | grep -o '[0-9]*$')
    if [ $ok = 1 ]; then
        echo "fuzz_$t: ${execs:-?} runs, no failure"
        return 0
    fi
    echo "fuzz_$t: FAILED"
    tail -n 40 "$dir/big.log" "$dir/run.log" 2>/dev/null
    mkdir -p "$here/regressions/$t"
    for f in "$dir/crash/"*; do
        [ -f "$f" ] && cp "$f" "$here/regressions/$t/" && echo "kept $here/regressions/$t/$(basename "$f")"
    done
    return 1
}
export -f run_one
export build seconds here work
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_one {}'
