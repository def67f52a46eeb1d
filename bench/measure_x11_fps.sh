#!/usr/bin/env bash
# Frame rate and CPU of the Linux host at 1024x768 on a private Xvfb with Mesa's llvmpipe, with its
# default options: full screen as shown, full screen at --delay 0, a window that a window manager
# never maps, and full screen with the frame keeper at work (the test build's overwritten back
# buffer); then the headless renderer over the same stretch of scene time; then the hack run by
# Debian's X11 screen-saver daemon with its GL helper (xscreensaver-gl) and without (needs root:
# the daemon runs as uid 65534). CPU is the whole process's, the driver's threads included; the X
# server's share is shown apart. Prints figures; passes or fails nothing. SAVER=path measures
# another build of latticedrift (an older one, say).
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

# The hack under the daemon, as the README's programs line runs it: CPU over the set time once the
# picture runs. Without the GL helper the daemon hands out a depth-32 ARGB window.
daemon_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
chmod 755 "$e2e_work"
cp "$saver" "$e2e_work/hack" && chmod 755 "$e2e_work/hack"
home=$e2e_work/home
mkdir -p "$home"
printf 'mode: one\nselected: 0\nlock: False\nsplash: False\nfade: False\nunfade: False\nprograms: GL: "Lattice Drift" %s -root \\n\n' \
    "$e2e_work/hack" >"$home/.xscreensaver"
chown -R 65534:65534 "$home"
as_daemon_user=("${daemon_user[@]}" env HOME="$home" DISPLAY="$DISPLAY")
measure_daemon() {
    local label=$1 daemon pid="" before visual
    shift
    "$@" "${as_daemon_user[@]}" xscreensaver --no-splash >/dev/null 2>&1 &
    daemon=$!
    for _ in $(seq 50); do "${as_daemon_user[@]}" xscreensaver-command -time >/dev/null 2>&1 && break; sleep 0.2; done
    "${as_daemon_user[@]}" xscreensaver-command -activate >/dev/null 2>&1
    for _ in $(seq 100); do pid=$(pgrep -f "^$e2e_work/hack" | head -n1); [ -n "$pid" ] && break; sleep 0.1; done
    sleep 3
    visual=$(xwininfo -id "$(tr '\0' '\n' <"/proc/$pid/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')" |
        awk '/Visual:/ { v = $2 } /Depth:/ { d = $2 } END { print "visual " v ", depth " d }')
    before=$(cpu_of "$pid")
    sleep "$seconds"
    awk -v l="$label" -v v="$visual" -v a="$before" -v b="$(cpu_of "$pid")" -v s="$seconds" \
        'BEGIN { printf "%s (its window: %s): %.0f%% of one core\n", l, v, (b - a) * 100 / s }'
    "${as_daemon_user[@]}" xscreensaver-command -exit >/dev/null 2>&1
    wait "$daemon" 2>/dev/null
    pkill -f "^$e2e_work/hack"
}
if [ "$(id -u)" = 0 ] && command -v xscreensaver >/dev/null; then
    measure_daemon "under the daemon, with its GL helper"
    gl_helper=/usr/libexec/xscreensaver/xscreensaver-gl-visual
    measure_daemon "under the daemon, without its GL helper" unshare --mount --propagation private \
        sh -c 'mount --bind /bin/false "$0" && exec "$@"' "$gl_helper"
fi
