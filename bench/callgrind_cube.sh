#!/usr/bin/env bash
# Instructions our own code spends per frame, outside the GL library: runs the headless renderer
# under callgrind collecting only inside render_frame (and what it calls), once with the lattice
# replayed from its display list and once issued in immediate mode, sums the self cost by object
# file, and divides what falls in our program by the frames (and, in immediate mode, the vertices).
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
program=$(readlink -f "$tool")

# measure <label> [renderer options]: one run under callgrind and its summary.
measure() {
    local label=$1
    shift
    # A tiny picture keeps the rasteriser's share (not ours anyway) small; one cube per frame.
    if ! valgrind --tool=callgrind --callgrind-out-file="$work/$label.out" --toggle-collect='render_frame*' \
            "$tool" --size 64x48 --frames "$frames" --seed 1 --out "$work/frame.png" "$@" >"$work/valgrind.log" 2>&1; then
        cat "$work/valgrind.log" >&2
        echo "callgrind_cube.sh: the render under callgrind failed" >&2
        exit 1
    fi
    callgrind_annotate --inclusive=no --threshold=100 "$work/$label.out" 2>/dev/null >"$work/$label.txt"
    awk -v program="$program" -v frames="$frames" -v per="$vertices_per_cube" -v label="$label" '
        # Lines look like: "  3,001,837 ( 0.86%)  file:function [object]"
        match($0, /^ *[0-9][0-9,]* /) && match($0, /\[[^]]*\]$/) {
            object = substr($0, RSTART + 1, RLENGTH - 2)
            split($0, fields, " ")
            count = fields[1]; gsub(",", "", count)
            if (object == program) own += count; else rest += count
        }
        END {
            printf "%s: %d frames; in the GL library and the rest: %.0f instructions per frame\n", label, frames, rest / frames
            printf "%s: our code per frame: %.0f instructions (%.2f per cube vertex)\n", label, own / frames, own / (frames * per)
        }' "$work/$label.txt"
}

measure list
measure immediate --immediate
