#!/usr/bin/env bash
# Frames per second and CPU milliseconds per frame of the Linux host (latticedrift --fullscreen
# --fps) at 1024x768 on a private Xvfb with Mesa's llvmpipe, beside the headless renderer over the
# same stretch of scene time in the same run, and the ratio of their CPU per frame. CPU is the whole
# process's, the driver's threads included; the X server's share is shown apart. Prints figures;
# passes or fails nothing.
# Usage: bench/measure_x11_fps.sh [build-dir=build/linux] [seconds=10]
set -u

script_dir=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:-$script_dir/../build/linux}" && pwd) || exit 2
seconds=${2:-10}
saver=$build_dir/bin/latticedrift
renderer=$build_dir/tools/latticedrift-render
# shellcheck source=tests/e2e/e2e_lib.sh
. "$script_dir/../tests/e2e/e2e_lib.sh"
for needed in "$saver" "$renderer"; do
    if [ ! -x "$needed" ]; then
        echo "missing: $needed (build the linux preset first)" >&2
        exit 2
    fi
done

# CPU seconds that Xvfb has spent so far (user and system).
xvfb_cpu() {
    awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$xvfb_pid/stat"
}

e2e_start_xvfb || exit 1
xvfb_before=$(xvfb_cpu)
"$saver" --fullscreen --fps 2>"$e2e_work/saver.err" &
pid=$!
sleep "$seconds"
kill -TERM "$pid"
wait "$pid"
xvfb_after=$(xvfb_cpu)
# "latticedrift: F frames in S s: R frames/s, C ms CPU per frame"
line=$(grep ' frames in ' "$e2e_work/saver.err" | tail -n1)
if [ -z "$line" ]; then
    echo "no figures from latticedrift: $(head -c 300 "$e2e_work/saver.err")" >&2
    exit 1
fi
saver_fps=$(sed -E 's/.*: ([0-9.]+) frames\/s.*/\1/' <<<"$line")
saver_cpu=$(sed -E 's/.*, ([0-9.]+) ms CPU per frame/\1/' <<<"$line")
frames_shown=$(sed -E 's/.*: ([0-9]+) frames in .*/\1/' <<<"$line")
echo "latticedrift --fullscreen, 1024x768, ${seconds} s: $saver_fps frames/s, $saver_cpu ms CPU per frame"
awk -v a="$xvfb_before" -v b="$xvfb_after" -v n="$frames_shown" 'BEGIN {
    printf "  and Xvfb, putting the frames on its screen: %.2f ms CPU per frame\n", (b - a) * 1000 / n
}'

# The same stretch of scene time headless, at the host's own frame rate.
frames=$(awk -v r="$saver_fps" -v s="$seconds" 'BEGIN { printf "%d", r * s }')
/usr/bin/time -o "$e2e_work/time.txt" -f '%e %U %S' "$renderer" --size 1024x768 --fps "$saver_fps" \
    --frames "$frames" --out "$e2e_work/headless.png" >/dev/null 2>&1
read -r elapsed user system <"$e2e_work/time.txt"
awk -v n="$frames" -v e="$elapsed" -v u="$user" -v s="$system" -v c="$saver_cpu" 'BEGIN {
    headless = (u + s) * 1000 / n
    printf "latticedrift-render, 1024x768, %d frames (start-up and one PNG included): %.1f frames/s, %.2f ms CPU per frame\n",
        n, n / e, headless
    printf "host / headless CPU per frame: %.2f (the host adds %.2f ms per frame)\n", c / headless, c - headless
}'
