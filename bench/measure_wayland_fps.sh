#!/usr/bin/env bash
# Frame rate and CPU of the Linux host on Wayland with Mesa's llvmpipe, on Debian's sway run headless
# as uid 65534: one output at 1024x768 full screen as shown (default options, then --delay 0), and
# the X11 host full screen at the same size on Xvfb beside it (also with its frame keeper at work);
# an output that no longer refreshes (in a sway nested in the first, its output's window hidden
# there, as a display that is off); and the time from a key to every process gone, with two
# outputs. CPU is the drawing process's, the GL driver's threads included (the first process, which
# only watches the outputs, is shown apart), and the display server's share apart. Prints figures;
# passes or fails nothing. Needs root.
# Usage: bench/measure_wayland_fps.sh [build-dir=build/linux] [seconds=10]
set -u

script_dir=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:-$script_dir/../build/linux}" && pwd) || exit 2
seconds=${2:-10}
[ -x "$build_dir/bin/latticedrift" ] || { echo "missing: $build_dir/bin/latticedrift (build the linux preset first)" >&2; exit 2; }
# shellcheck source=tests/e2e/e2e_lib.sh
. "$script_dir/../tests/e2e/e2e_lib.sh"
# shellcheck source=tests/wayland/sway_lib.sh
. "$script_dir/../tests/wayland/sway_lib.sh"
sway_shared_memory "$@"
hz=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
percent() { awk -v t="$1" -v hz="$hz" -v s="$2" 'BEGIN { printf "%.1f", t * 100 / (hz * s) }'; }
now_ms() { date +%s%3N; }

sway_workspace "output HEADLESS-1 mode 1024x768"
cp "$build_dir/bin/latticedrift" "$work/bin/"
saver=$work/bin/latticedrift
trap 'sway_cleanup; e2e_cleanup' EXIT
trap 'exit 130' INT TERM
start_headless_sway 1 || { echo "sway did not start: $(tail -n 3 "$work/outer.log")" >&2; exit 1; }
outer=("$display" "$swaysock")

# measure_wayland <label> [options...]: full screen for the set time, then its figures.
measure_wayland() {
    local label=$1 child line sway_before child_before parent_before
    shift
    user_command
    "${as[@]}" "$saver" --fullscreen --fps "$@" 2>"$work/saver.err" &
    local pid=$!
    sleep 2
    child=$(pgrep -P "$pid" | head -n1)
    child_before=$(cpu_ticks "$child")
    parent_before=$(cpu_ticks "$pid")
    sway_before=$(cpu_ticks "$sway_pid")
    sleep "$seconds"
    local child_cpu=$(($(cpu_ticks "$child") - child_before)) parent_cpu=$(($(cpu_ticks "$pid") - parent_before))
    local sway_cpu=$(($(cpu_ticks "$sway_pid") - sway_before))
    kill -TERM "$pid"
    wait "$pid"
    line=$(grep ' frames in ' "$work/saver.err" | tail -n1)
    [ -n "$line" ] || { echo "$label: no figures: $(head -c 300 "$work/saver.err")" >&2; return 1; }
    echo "$label: $(sed -E 's/.*: ([0-9.]+ frames\/s, [0-9.]+ ms CPU per frame)/\1/' <<<"$line"); the output's process" \
        "$(percent "$child_cpu" "$seconds")% of one core over $seconds s (the first process $(percent "$parent_cpu" "$seconds")%," \
        "sway $(percent "$sway_cpu" "$seconds")%)"
}

echo "1024x768, ${seconds} s each, $build_dir"
measure_wayland "Wayland (sway headless), full screen, shown" || exit 1
measure_wayland "Wayland, full screen, --delay 0" --delay 0

# The X11 host at the same size on Xvfb: with its copying swap, then with the frame keeper at work
# (the test build, its back buffer overwritten after every swap).
e2e_start_xvfb || exit 1
trap 'sway_cleanup; e2e_cleanup' EXIT
# measure_x11 <label> <program> [arguments...]
measure_x11() {
    local label=$1 x_before x_pid line fps ms
    shift
    x_before=$(cpu_ticks "$xvfb_pid")
    env -u WAYLAND_DISPLAY "$@" --fullscreen --fps 2>"$work/x11.err" >/dev/null &
    x_pid=$!
    sleep "$seconds"
    kill -TERM "$x_pid"
    wait "$x_pid"
    line=$(grep ' frames in ' "$work/x11.err" | tail -n1)
    fps=$(sed -E 's/.*: ([0-9.]+) frames\/s.*/\1/' <<<"$line")
    ms=$(sed -E 's/.*, ([0-9.]+) ms CPU per frame/\1/' <<<"$line")
    echo "$label: $fps frames/s, $ms ms CPU per frame;" \
        "$(awk -v f="$fps" -v c="$ms" 'BEGIN { printf "%.1f", f * c / 10 }')% of one core" \
        "(Xvfb $(percent $(($(cpu_ticks "$xvfb_pid") - x_before)) "$seconds")%)"
}
measure_x11 "X11 (Xvfb), full screen, shown" "$build_dir/bin/latticedrift"
[ -x "$build_dir/tests/linux/latticedrift-test" ] && measure_x11 "X11, full screen, the frame keeper at work" \
    env LATTICEDRIFT_TEST_EXCHANGE=1 "$build_dir/tests/linux/latticedrift-test"

# From a key to every process gone, two outputs, five times.
as_user swaymsg create_output >/dev/null
as_user swaymsg output HEADLESS-2 mode 1024x768 >/dev/null
user_command
"${as[@]}" wtype -s 3600000 &
sleep 0.5
times=""
for run in 1 2 3 4 5; do
    user_command
    "${as[@]}" "$saver" --fullscreen 2>/dev/null &
    pid=$!
    sleep 3
    started=$(pgrep -P "$pid" | xargs)
    sent=$(now_ms)
    as_user wtype x
    # Until none of them is left, zombies aside.
    while ps -o stat= -p "$pid" $started | grep -q -v Z; do sleep 0.005; done
    times+="$(($(now_ms) - sent)) "
    wait "$pid"
done
echo "from a key to every process gone (two outputs, the key typed by wtype, five runs): $times ms"

# An output that stops refreshing: a nested sway's one output, its window hidden in the first sway.
start_nested_sway 1 || { echo "the nested sway did not start: $(tail -n 3 "$work/inner.log")" >&2; exit 1; }
user_command
"${as[@]}" "$saver" --fullscreen 2>/dev/null &
pid=$!
sleep 3
child=$(pgrep -P "$pid" | head -n1)
before=$(cpu_ticks "$child")
sleep "$seconds"
shown=$(($(cpu_ticks "$child") - before))
display=${outer[0]} swaysock=${outer[1]} as_user swaymsg '[title="wlroots - WL-1"] move to workspace 9' >/dev/null
sleep 1.5
before=$(cpu_ticks "$child")
sleep "$seconds"
off=$(($(cpu_ticks "$child") - before))
echo "an output that no longer refreshes (nested sway, its window hidden): $(percent "$off" "$seconds")% of one core" \
    "(shown before, at the nested output's size: $(percent "$shown" "$seconds")%)"
kill -TERM "$pid"
wait "$pid"
