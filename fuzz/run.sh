#!/usr/bin/env bash
# Builds the fuzz targets with clang into BUILD-DIR and runs each for SECONDS from the
# checked-in corpus. Any crash, hang or sanitizer report fails the run; the failing input
# is left in BUILD-DIR/crashes to be added to the corpus once mended.
set -u
build=${1:?usage: run.sh BUILD-DIR [SECONDS]}
seconds=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
command -v clang++ >/dev/null || { echo "missing clang++ (see scripts/packages.txt)"; exit 1; }

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j2 >"$build.build.log" 2>&1 || { tail -50 "$build.build.log"; exit 1; }

mkdir -p "$build/crashes"
failed=0
for target in pull reminder settings site_form; do
    work="$build/corpus-$target"
    rm -rf "$work" && mkdir -p "$work"
    # New finds go to the scratch corpus; the checked-in one is only read.
    # Scratch files (the settings target writes one per input) on a memory disk where there
    # is one, so syncing them costs nothing.
    tmp=${TMPDIR:-/tmp}
    [ -d /dev/shm ] && [ -w /dev/shm ] && tmp=/dev/shm
    TMPDIR=$tmp "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/crashes/$target-" \
        "$work" "$here/corpus/$target" >"$build/$target.log" 2>&1
    rc=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/$target.log" | grep -o '[0-9]*$')
    if [ $rc -eq 0 ]; then
        echo "ok: fuzz_$target ran ${runs:-?} inputs in ${seconds} s"
    else
        failed=$((failed + 1))
        echo "FAIL: fuzz_$target (exit $rc)"
        grep -A30 -m1 'ERROR\|runtime error\|deadly signal\|timeout' "$build/$target.log"
    fi
done
[ "$failed" -eq 0 ]
