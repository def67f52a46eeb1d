#!/usr/bin/env bash
# Measures the Windows saver's frame rate under Wine/llvmpipe at 1024x768 (the stats build counts
# frames and CPU time and appends them to a file when its window goes), beside the headless
# renderer at the same size when it is built. Prints figures; passes or fails nothing.
# Usage: tests/e2e/measure_wine_fps.sh <windows-build-dir> [seconds=10] [renderer]
#   renderer defaults to build/linux/tools/latticedrift-render (skipped if missing)
set -u

script_dir=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:?usage: measure_wine_fps.sh <windows-build-dir> [seconds] [renderer]}" && pwd) || exit 2
seconds=${2:-10}
renderer=${3:-$script_dir/../../build/linux/tools/latticedrift-render}
helper_dir=$build_dir/e2e
# shellcheck source=tests/e2e/e2e_lib.sh
. "$script_dir/e2e_lib.sh"

stats_saver=$build_dir/bin/latticedrift-stats.scr
for needed in "$stats_saver" "$helper_dir/e2e_launch.exe"; do
    if [ ! -f "$needed" ]; then
        echo "missing: $needed (build the stats saver and e2e_helpers first)" >&2
        exit 2
    fi
done

e2e_start || exit 1
stats_file=$e2e_work/stats.txt
out=$e2e_work/stats.out
LATTICEDRIFT_STATS_FILE=$(winpath "$stats_file") launch_bg "$out" "$stats_saver" "/s" $((seconds + 40))
if ! wait_window '^Screen Saver$' 30 >/dev/null; then
    echo "the stats saver showed no window" >&2
    exit 1
fi
sleep "$seconds"
xdotool key space
code=$(wait_field "$out" exit 30)
line=$(tr -d '\r' <"$stats_file" 2>/dev/null | tail -n1)
if [ "$code" != 0 ] || [ -z "$line" ]; then
    echo "no reading from the stats saver (exit $code)" >&2
    exit 1
fi
frames=$(printf '%s\n' "$line" | sed -n 's/.*frames=\([0-9]*\).*/\1/p')
wall=$(printf '%s\n' "$line" | sed -n 's/.*wall_ms=\([0-9]*\).*/\1/p')
cpu=$(printf '%s\n' "$line" | sed -n 's/.*cpu_ms=\([0-9]*\).*/\1/p')
echo "wine 1024x768: $line"
awk -v f="$frames" -v w="$wall" -v c="$cpu" 'BEGIN {
    if (f > 0 && w > 0)
        printf "wine 1024x768: %.1f frames/s, %.1f ms wall and %.1f ms CPU per frame\n", f * 1000 / w, w / f, c / f
}'

if [ -x "$renderer" ]; then
    native_frames=300
    /usr/bin/time -o "$e2e_work/time.txt" -f '%e %U %S' "$renderer" --size 1024x768 \
        --frames "$native_frames" --out "$e2e_work/native.png" >/dev/null 2>&1
    read -r elapsed user system <"$e2e_work/time.txt"
    awk -v n="$native_frames" -v e="$elapsed" -v u="$user" -v s="$system" 'BEGIN {
        printf "native 1024x768 (%d frames, start-up and one PNG included): %.1f frames/s, %.1f ms wall and %.1f ms CPU per frame\n",
            n, n / e, e * 1000 / n, (u + s) * 1000 / n
    }'
else
    echo "native renderer not found at $renderer: skipped"
fi
