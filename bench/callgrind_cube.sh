#!/usr/bin/env bash
# Instructions our own code spends per point-cube vertex, outside the GL library: runs the headless
# renderer under callgrind collecting only inside draw_point_cube (and what it calls), sums the
# self cost by object file, and divides what falls in our program by the vertices drawn.
# Usage: bench/callgrind_cube.sh [BUILD_DIR (default build/linux)] [FRAMES (default 10)]
set -euo pipefail

build=${1:-build/linux}
frames=${2:-10}
vertices_per_cube=119286   # 6 faces x 141 x 141 points
tool="$build/tools/latticedrift-render"

if ! [[ "$frames" =~ ^[1-9][0-9]*$ ]]; then
    echo "callgrind_cube.sh: FRAMES must be a positive whole number, got '$frames'" >&2
    exit 2
fi
if [[ ! -x "$tool" ]]; then
    echo "callgrind_cube.sh: $tool not found; build it first:" >&2
    echo "  cmake --preset linux && cmake --build build/linux --target latticedrift-render" >&2
    exit 1
fi
for cmd in valgrind callgrind_annotate; do
    command -v "$cmd" >/dev/null || { echo "callgrind_cube.sh: $cmd is missing (package valgrind)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One cube per frame: the scene pass visits viewport 1 once. A tiny picture keeps the
# rasteriser's share (not ours anyway) small.
if ! valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" --toggle-collect='draw_point_cube*' \
        "$tool" --size 64x48 --frames "$frames" --seed 1 --out "$work/frame.png" >"$work/valgrind.log" 2>&1; then
    cat "$work/valgrind.log" >&2
    echo "callgrind_cube.sh: the render under callgrind failed" >&2
    exit 1
fi

callgrind_annotate --inclusive=no --threshold=100 "$work/callgrind.out" 2>/dev/null >"$work/annotated.txt"

program=$(readlink -f "$tool")
awk -v program="$program" -v calls="$frames" -v per="$vertices_per_cube" '
    # Lines look like: "  3,001,837 ( 0.86%)  file:function [object]"
    match($0, /^ *[0-9][0-9,]* /) && match($0, /\[[^]]*\]$/) {
        object = substr($0, RSTART + 1, RLENGTH - 2)
        split($0, fields, " ")
        count = fields[1]; gsub(",", "", count)
        by_object[object] += count
        total += count
    }
    END {
        vertices = calls * per
        printf "Instructions collected inside draw_point_cube, %d calls (%d vertices), by object:\n", calls, vertices
        n = 0
        for (o in by_object) { names[++n] = o }
        for (i = 1; i <= n; i++)          # insertion sort, largest first
            for (j = i; j > 1 && by_object[names[j]] > by_object[names[j - 1]]; j--) {
                t = names[j]; names[j] = names[j - 1]; names[j - 1] = t
            }
        for (i = 1; i <= n && i <= 12; i++)
            printf "  %14d  %s%s\n", by_object[names[i]], names[i], names[i] == program ? "   <- our code" : ""
        own = by_object[program] + 0
        printf "Total collected: %d; in the GL library and the rest: %d\n", total, total - own
        printf "Our code per cube vertex: %.2f instructions\n", own / vertices
    }' "$work/annotated.txt"
