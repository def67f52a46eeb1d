#!/usr/bin/env bash
# Frame rate and CPU of the Linux host at 1024x768 on a private Xvfb with Mesa's llvmpipe, with its
# default options: full screen as shown, full screen at --delay 0, a window that a window manager
# never maps, and full screen with the frame keeper at work (the test build's overwritten back
# buffer); then the headless renderer over the same stretch of scene time. CPU is the whole
# process's, the driver's threads included; the X server's share is shown apart. Prints figures;
# passes or fails nothing. SAVER=path measures another build of latticedrift (an older one, say).
# Usage: bench/measure_x11_fps.sh [build-dir=build/linux] [seconds=10]
set -u

script_dir=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:-$script_dir/../build/linux}" && pwd) || exit 2
seconds=${2:-10}
saver=${SAVER:-$build_dir/bin/latticedrift}
test_saver=$build_dir/tests/linux/latticedrift-test
helper=$build_dir/tests/linux/x11_e2e_helper
renderer=$build_dir/tools/latticedrift-render
# shellcheck source=tests/e2e/e2e_lib.sh
. "$script_dir/../tests/e2e/e2e_lib.sh"
for needed in "$saver" "$test_saver" "$helper" "$renderer"; do
    if [ ! -x "$needed" ]; then
        echo "missing: $needed (build the linux preset first)" >&2
        exit 2
    fi
done
hz=$(getconf CLK_TCK)

# CPU seconds that a process has spent so far (user and system, all its threads).
cpu_of() {
    awk -v hz="$hz" '{ print ($14 + $15) / hz }' "/proc/$1/stat"
}

# measure <label> <program> [arguments...]: runs it for the set time, then prints its figures.
# "latticedrift: F frames in S s: R frames/s, C ms CPU per frame"
measure() {
    local label=$1 line fps cpu xvfb_before
    shift
    xvfb_before=$(cpu_of "$xvfb_pid")
    "$@" --fps 2>"$e2e_work/saver.err" &
    local pid=$!
    sleep "$seconds"
    kill -TERM "$pid"
    wait "$pid"
    line=$(grep ' frames in ' "$e2e_work/saver.err" | tail -n1)
    if [ -z "$line" ]; then
        echo "$label: no figures: $(head -c 300 "$e2e_work/saver.err")" >&2
        return 1
    fi
    fps=$(sed -E 's/.*: ([0-9.]+) frames\/s.*/\1/' <<<"$line")
    cpu=$(sed -E 's/.*, ([0-9.]+) ms CPU per frame/\1/' <<<"$line")
    frames=$(sed -E 's/.*: ([0-9]+) frames in .*/\1/' <<<"$line")
    awk -v l="$label" -v f="$fps" -v c="$cpu" -v n="$frames" -v a="$xvfb_before" -v b="$(cpu_of "$xvfb_pid")" 'BEGIN {
        printf "%s: %.1f frames/s, %.2f ms CPU per frame, %.0f%% of one core (Xvfb: %.2f ms per frame more)\n",
            l, f, c, f * c / 10, (b - a) * 1000 / n }'
    last_fps=$fps
    last_cpu=$cpu
}

e2e_start_xvfb || exit 1
echo "1024x768, ${seconds} s each, $saver"
measure "full screen, shown" "$saver" --fullscreen || exit 1
shown_fps=$last_fps
shown_cpu=$last_cpu
measure "full screen, --delay 0" "$saver" --fullscreen --delay 0

# A window that is never mapped: CPU over the set time, once the start-up is over.
"$helper" stub-wm >"$e2e_work/wm.out" &
wm=$!
wait_field "$e2e_work/wm.out" wm 10 >/dev/null
"$saver" 2>/dev/null &
pid=$!
sleep 2
before=$(cpu_of "$pid")
sleep "$seconds"
awk -v a="$before" -v b="$(cpu_of "$pid")" -v s="$seconds" \
    'BEGIN { printf "a window never mapped: %.2f%% of one core\n", (b - a) * 100 / s }'
kill -TERM "$pid" "$wm"
wait "$pid" "$wm" 2>/dev/null

measure "full screen, the test build" "$test_saver" --fullscreen
plain_cpu=$last_cpu
LATTICEDRIFT_TEST_EXCHANGE=1 measure "full screen, the test build keeping the frame" "$test_saver" --fullscreen
awk -v a="$plain_cpu" -v b="$last_cpu" 'BEGIN { printf "the frame keeper: %.2f ms CPU per frame\n", b - a }'

# The same stretch of scene time headless, at the host's own frame rate.
frames=$(awk -v r="$shown_fps" -v s="$seconds" 'BEGIN { printf "%d", r * s }')
/usr/bin/time -o "$e2e_work/time.txt" -f '%e %U %S' "$renderer" --size 1024x768 --fps "$shown_fps" \
    --frames "$frames" --out "$e2e_work/headless.png" >/dev/null 2>&1
read -r elapsed user system <"$e2e_work/time.txt"
awk -v n="$frames" -v e="$elapsed" -v u="$user" -v s="$system" -v c="$shown_cpu" 'BEGIN {
    headless = (u + s) * 1000 / n
    printf "latticedrift-render, 1024x768, %d frames (start-up and one PNG included): %.1f frames/s, %.2f ms CPU per frame\n",
        n, n / e, headless
    printf "host / headless CPU per frame: %.2f (the host adds %.2f ms per frame)\n", c / headless, c - headless
}'
