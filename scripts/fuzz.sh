#!/usr/bin/env bash
# Runs every libFuzzer target of tests/fuzz (fuzz_<name>.cpp) on its seeds in
# tests/fuzz/corpus/<name>/. Builds the fuzz preset first unless --no-build is given.
#   bash scripts/fuzz.sh [--no-build]            short pass: SECONDS (default 10) per target
#   bash scripts/fuzz.sh --long [RUNS] [--no-build]  RUNS inputs per target (default 10000000)
# New inputs go to build/fuzz/corpus/<name>/, crashes to build/fuzz/artifacts/, never into the
# committed seeds. Prints one PASS/FAIL line per target with its input count, then
# "N passed, N failed"; exits non-zero if a target crashed, hung or raised a sanitizer report.
set -u
cd "$(dirname "$0")/.."

mode=short
runs=10000000
seconds=${FUZZ_SECONDS:-10}
build=1
while [ $# -gt 0 ]; do
    case $1 in
    --long)
        mode=long
        if [[ ${2:-} =~ ^[0-9]+$ ]]; then
            runs=$2
            shift
        fi
        ;;
    --no-build) build=0 ;;
    *)
        echo "usage: fuzz.sh [--long [RUNS]] [--no-build]" >&2
        exit 2
        ;;
    esac
    shift
done

if [ $build -eq 1 ]; then
    if ! cmake --preset fuzz >/dev/null || ! cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null; then
        echo "the fuzz preset did not build"
        echo "0 passed, 1 failed"
        exit 1
    fi
fi

passed=0
failed=0
work=build/fuzz
mkdir -p "$work/artifacts" "$work/logs"
# Leaks count as findings; a report stops the run at once.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

for source in tests/fuzz/fuzz_*.cpp; do
    name=$(basename "$source" .cpp)
    name=${name#fuzz_}
    binary=$work/bin/fuzz_$name
    seeds=tests/fuzz/corpus/$name
    log=$work/logs/$name.log
    if [ ! -x "$binary" ] || [ ! -d "$seeds" ]; then
        echo "FAIL fuzz $name: missing $binary or $seeds"
        failed=$((failed + 1))
        continue
    fi
    mkdir -p "$work/corpus/$name"
    if [ $mode = long ]; then
        limit=(-runs="$runs")
    else
        limit=(-max_total_time="$seconds")
    fi
    # -timeout: an input that takes more than 5 s counts as a hang.
    "$binary" "${limit[@]}" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/$name-" "$work/corpus/$name" "$seeds" >"$log" 2>&1
    rc=$?
    done_line=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$log" | tail -1)
    count=$(sed -E 's/^Done ([0-9]+) runs in ([0-9]+) second.*/\1 inputs in \2 s/' <<<"$done_line")
    if [ $rc -eq 0 ] && [ -n "$done_line" ]; then
        echo "PASS fuzz $name: $count"
        passed=$((passed + 1))
    else
        echo "FAIL fuzz $name: status $rc, see $log"
        grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -5 | sed 's/^/    /'
        failed=$((failed + 1))
    fi
done

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
