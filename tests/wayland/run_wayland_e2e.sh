#!/usr/bin/env bash
# End-to-end checks of the Linux host on Wayland, on Debian's sway run headless with two outputs
# (pixman, no input devices): every output covered with its own picture, frames byte for byte
# against the headless renderer (also with the back buffer overwritten), the ending rules, signals,
# the GNOME path (full-screen xdg_toplevels), window mode, bad command lines, short runs of the
# sanitizer build, and, in a second sway nested in the first (its outputs are windows there),
# outputs plugged in and out and an output that stops refreshing.
# Usage: tests/wayland/run_wayland_e2e.sh <linux-build-dir> [<sanitizer-build-dir>]
# Needs root (sway refuses root: it and its clients run as uid 65534). One PASS/FAIL line per check,
# "N passed, N failed" last.
set -u

script_dir=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:?usage: run_wayland_e2e.sh <linux-build-dir> [<sanitizer-build-dir>]}" && pwd) || exit 2
asan_dir=${2:+$(cd "$2" && pwd)}
# shellcheck source=tests/e2e/e2e_lib.sh
. "$script_dir/../e2e/e2e_lib.sh"
renderer=$build_dir/tools/latticedrift-render
for needed in "$build_dir/bin/latticedrift" "$build_dir/tests/linux/latticedrift-test" \
    "$build_dir/tests/wayland/wayland_e2e_pointer" "$renderer" ${asan_dir:+"$asan_dir/bin/latticedrift"}; do
    [ -x "$needed" ] || { echo "missing: $needed (build the linux preset)" >&2; exit 2; }
done
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$script_dir/../support/lsan.supp:print_suppressions=0}

passed=0
failed=0
pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }
expect_eq() { if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "expected '$2', got '$3'${4:+ ($4)}"; fi; }

# shellcheck source=tests/wayland/sway_lib.sh
. "$script_dir/sway_lib.sh"
sway_shared_memory "$@"
sway_workspace
cp "$build_dir/bin/latticedrift" "$build_dir/tests/linux/latticedrift-test" "$work/bin/"
cp "$build_dir/tests/wayland/wayland_e2e_pointer" "$work/tools/"
if [ -n "$asan_dir" ]; then
    cp "$asan_dir/bin/latticedrift" "$work/bin/latticedrift-asan"
    cp "$asan_dir/tests/libld_keep_modules.so" "$work/tools/"
fi
saver=$work/bin/latticedrift
test_saver=$work/bin/latticedrift-test
# The runs' own processes die with their first (the kernel ends them when it goes).
trap sway_cleanup EXIT
trap 'exit 130' INT TERM

# The processes of a run (the first and those it started), and whether none is left.
processes() { echo "$pid $(pgrep -P "$pid" | xargs)"; }
children() { pgrep -P "$pid" | wc -l; }
has_children() { [ "$(children)" -ge "$1" ]; }
none_left() { ! pgrep -f "^$work/bin/" >/dev/null; }
now_ms() { date +%s%3N; }

# start <program> [arguments...]: as the compositor's user in the background, stderr to $err.
err=$work/run.err
out=$work/run.out
# Both files are emptied before the job starts (see background). The pointer's pipe (descriptor 7)
# stays out of the job, so that the pointer helper sees its end.
start() {
    user_command
    background "$out" "${as[@]}" "$@" 2>"$err" 7>&-
    pid=$!
}

# finish <name> <tenths>: the run and every process it started must end within the time, with 0
# and nothing on stderr but --fps figures.
finish() {
    poll "$2" ended "$pid" || { kill -KILL "$pid"; echo "still running after $2 tenths of a second" >>"$err"; }
    wait "$pid"
    local code=$?
    poll 10 none_left || echo "left running: $(pgrep -f "^$work/bin/" | xargs)" >>"$err"
    sed -i -e '/^latticedrift: [0-9.]* f/d' -e '/^seed=[0-9]*$/d' "$err"
    if [ "$code" = 0 ] && [ ! -s "$err" ]; then pass "$1"; else fail "$1" "status $code, $(head -c 300 "$err")"; fi
}

# picture_problem <png>: nothing when an output's screenshot shows the lattice over the whole
# output: black bars at the top and bottom, between them a dark-blue band with near-white points,
# and none of the compositor's red background anywhere.
picture_problem() {
    local w h bar top bottom red
    read -r w h < <(identify -format '%w %h\n' "$1")
    bar=$((h * 12 / 100))
    top=$(area_stats "$1" "${w}x${bar}+0+0")
    bottom=$(area_stats "$1" "${w}x${bar}+0+$((h - bar))")
    red=$(convert "$1" -fill black +opaque '#ff0000' -fill white -opaque '#ff0000' -format '%[fx:mean*w*h]' info:)
    set -- $(area_stats "$1" "${w}x$((h * 40 / 100))+0+$((h * 30 / 100))")
    if [ "${top%% *}" != 0 ] || [ "${bottom%% *}" != 0 ] || [ "$2" -lt 50 ] || [ "$4" -lt 30 ] || [ "${red%.*}" != 0 ]; then
        echo "brightest in the bars: ${top%% *}/${bottom%% *}; band: $2% dark blue, $4 whitish points; ${red%.*} red pixels"
    fi
}
# shot <output> <png>: the output's picture, through the compositor the current clients use.
shot() { as_user grim -o "$1" "$work/shots/$2.png" && cp "$work/shots/$2.png" "$work/$2.png"; }
# shows_lattice <output> <name>: true once a screenshot shows the lattice (the first frames may not).
shows_lattice() { shot "$1" "$2" 2>/dev/null && problem=$(picture_problem "$work/$2.png") && [ -z "$problem" ]; }
check_outputs() {
    local what=$1 output problems=""
    shift
    for output in "$@"; do
        problem="no screenshot"
        poll 80 shows_lattice "$output" "$output" || problems+="$output: $problem; "
    done
    expect_eq "$what" "" "$problems"
}

# ---- A headless sway with two outputs, a keyboard on its seat as every real seat has (a virtual
# one that types nothing), and a red background that shows wherever a picture does not cover ----
start_headless_sway 2 || { echo "FAIL sway starts headless: $(tail -n 3 "$work/outer.log")"; echo "0 passed, 1 failed"; exit 1; }
outer_display=$display
outer_sock=$swaysock
user_command
"${as[@]}" wtype -s 3600000 &
keyboard=$!
sleep 0.5
echo "info: $(as_user swaymsg -p -t get_version | head -n1), socket $display"

# ---- Command lines refused or ended at once on Wayland, with one line ----
for case in "--backend wayland --root|2|--backend wayland: --root, --window-id" \
    "--fullscreen --display :1|2|--display is for X11 only" "--visual 0x21|2|--visual is for X11 only" \
    "--backend wayland|1|--backend wayland: no Wayland compositor answers at WAYLAND_DISPLAY 'nothing-here'"; do
    IFS='|' read -r args expected text <<<"$case"
    if [ "$expected" = 1 ]; then display=nothing-here; fi
    # shellcheck disable=SC2086
    as_user timeout 20 "$saver" $args 2>"$err"
    code=$?
    display=$outer_display
    expect_eq "'$args' on Wayland gives $expected and says why in one line" "$expected 1 latticedrift: $text" \
        "$code $(wc -l <"$err") $(grep -o "latticedrift: .*" "$err" | cut -c 1-$((14 + ${#text})))"
done

# ---- Full screen: every output, a picture of its own, and a key ends every process at once ----
# The test build without a switch runs as the installed program, and says its seeds.
start "$test_saver" --fullscreen
poll 100 has_children 2
expect_eq "--fullscreen runs one process per output" 2 "$(children)" "$(processes)"
check_outputs "--fullscreen covers both outputs with the lattice (layer shell)" HEADLESS-1 HEADLESS-2
differing=$(compare -metric AE "$work/HEADLESS-1.png" "$work/HEADLESS-2.png" null: 2>&1)
expect_eq "the two outputs show different pictures" yes "$([ "${differing%% *}" -gt 1000 ] 2>/dev/null && echo yes || echo no)" \
    "$differing pixels differ"
expect_eq "the outputs' processes have their own seeds" 2 "$(grep '^seed=' "$err" | sort -u | wc -l)" "$(grep seed= "$err" | xargs)"
sent=$(now_ms)
as_user wtype x
poll 50 ended "$pid"
poll 50 none_left
took=$(($(now_ms) - sent))
echo "info: from the key to every process gone: $took ms"
finish "a key ends every output's process with 0" 10
expect_eq "a key ends every process within 1 s" yes "$([ "$took" -le 1000 ] && echo yes || echo no)" "$took ms"

# ---- Pixels: frames 1, 2 and 90 on an output are the headless renderer's: as swapped (Mesa's
# software swap, which the host sees keeping the frame, and then keeps no copy of its own), with the
# back buffer overwritten after every swap and the keeper forced, and overwritten with the host left
# to notice it ----
for frames in 1 2 90; do
    "$renderer" --size 1280x720 --fps 60 --seed 11 --frames "$frames" --out "$work/render.png" 2>/dev/null
    differing=""
    for exchange in 0 1 2; do
        start env LATTICEDRIFT_TEST_FPS=60 LATTICEDRIFT_TEST_SEED=11 LATTICEDRIFT_TEST_FRAMES=$frames \
            LATTICEDRIFT_TEST_EXCHANGE=$exchange "$test_saver" --fullscreen
        both_shown() { [ "$(grep -c "^frames=$frames$" "$out")" = 2 ]; }
        poll 600 both_shown || differing+="(frame $frames not shown on both within 60 s) "
        for output in HEADLESS-1 HEADLESS-2; do
            shot "$output" kept 2>/dev/null
            differing+="$(compare -metric AE "$work/kept.png" "$work/render.png" null: 2>&1) "
        done
        kill -TERM "$pid"
        wait "$pid"
    done
    expect_eq "frame $frames on each output, as swapped and with the back buffer overwritten, is the renderer's" \
        "0 0 0 0 0 0 " "$differing" "pixels that differ"
done

# ---- One point is one device pixel: at scale 2 (640x360 in surface units) the picture is drawn
# in a buffer of the output's 1280x720 pixels, and is the renderer's frame 90 at that size ----
as_user swaymsg output HEADLESS-2 scale 2 >/dev/null
start env LATTICEDRIFT_TEST_FPS=60 LATTICEDRIFT_TEST_SEED=11 LATTICEDRIFT_TEST_FRAMES=90 "$test_saver" --fullscreen
poll 600 both_shown
shot HEADLESS-2 scaled 2>/dev/null
kill -TERM "$pid"
wait "$pid"
expect_eq "at scale 2, frame 90 is the renderer's at the output's pixels" "1280x720 0" \
    "$(identify -format '%wx%h' "$work/scaled.png") $(compare -metric AE "$work/scaled.png" "$work/render.png" null: 2>&1)"
as_user swaymsg output HEADLESS-2 scale 1 >/dev/null

# ---- Pointer, buttons, wheel: a virtual pointer that stays for the whole check, placed on the
# first output before the saver starts, so that the saver starts under it ----
mkfifo "$work/pointer.in"
chmod 666 "$work/pointer.in"
user_command
"${as[@]}" "$work/tools/wayland_e2e_pointer" <"$work/pointer.in" >"$work/pointer.out" 2>&1 &
pointer_helper=$!
exec 7>"$work/pointer.in"
wait_field "$work/pointer.out" ready 10 >/dev/null
# point <command>: sends a pointer command and waits until the compositor has taken it.
answers=0
point() {
    answers=$((answers + 1))
    echo "$1" >&7
    answered() { [ "$(grep -c '^ok$' "$work/pointer.out")" -ge "$answers" ]; }
    poll 50 answered
}
point "to 640 360 2560 720"
for path in layer xdg; do
    [ "$path" = xdg ] && env=(env LATTICEDRIFT_TEST_XDG=1) || env=(env)
    for case in "move 2 0,move 0 -2|move 10 0|a 10-pixel move" "|button|a button" "|scroll|the wheel"; do
        IFS='|' read -r harmless action what <<<"$case"
        start "${env[@]}" "$test_saver" --fullscreen
        poll 100 has_children 2
        sleep 1.5
        IFS=',' read -r -a steps <<<"$harmless"
        for step in "${steps[@]}"; do point "$step"; done
        sleep 1
        if [ -n "$harmless" ]; then
            expect_eq "$path: starting under the pointer and moving it 2 pixels twice ends nothing" \
                "running 2" "$(ended "$pid" && echo ended || echo running) $(children)"
        fi
        point "$action"
        finish "$path: $what ends every process with 0 within 1 s" 10
    done
done
exec 7>&-
wait "$pointer_helper"

# ---- Signals, and the compositor closing a surface ----
for signal in TERM INT; do
    start "$saver" --fullscreen
    poll 100 has_children 2
    sleep 1
    kill -s "$signal" "$pid"
    finish "SIG$signal ends every process with 0 within 1 s" 10
done
start env LATTICEDRIFT_TEST_XDG=1 "$test_saver" --fullscreen
poll 100 has_children 2
check_outputs "the GNOME path: full-screen xdg_toplevels cover both outputs" HEADLESS-1 HEADLESS-2
expect_eq "the GNOME path: one full-screen window per output, titled and named" \
    '"Lattice Drift" latticedrift 1 HEADLESS-1,"Lattice Drift" latticedrift 1 HEADLESS-2' \
    "$(as_user swaymsg -t get_tree | python3 -c '
import json, sys
def walk(node, output):
    if node.get("type") == "output": output = node["name"]
    if node.get("type") == "con" and node.get("app_id"):
        yield "\"%s\" %s %s %s" % (node["name"], node["app_id"], node["fullscreen_mode"], output)
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from walk(child, output)
print(",".join(sorted(walk(json.load(sys.stdin), None))))')"
as_user swaymsg '[app_id="latticedrift" workspace="2"] kill' >/dev/null
finish "the GNOME path: the compositor closing one window ends every process with 0" 10

# ---- Window mode ----
# The full-screen windows just closed may stay on screen a moment (sway's transactions): the output
# shows only its red background before the window opens.
bare_output() { shot HEADLESS-1 bare 2>/dev/null &&
    [ "$(convert "$work/bare.png" -fill black +opaque '#ff0000' -format '%[fx:minima.r]' info:)" = 1 ]; }
poll 100 bare_output || echo "note: HEADLESS-1 still shows more than its background"
start "$saver"
window_there() {
    geometry=$(as_user swaymsg -t get_tree | python3 -c '
import json, sys
def walk(node):
    if node.get("app_id") == "latticedrift":
        r, c = node["rect"], node["window_rect"]
        yield "%s %d %d %d %d" % (node["name"].replace(" ", "_"), r["x"] + c["x"], r["y"] + c["y"], c["width"], c["height"])
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from walk(child)
print(" ".join(walk(json.load(sys.stdin))))')
    [ -n "$geometry" ]
}
poll 100 window_there
read -r title x y w h <<<"$geometry"
expect_eq "a window titled 'Lattice Drift', app id latticedrift" Lattice_Drift "$title"
problem="no window"
# The geometry is read again with each picture: the window may still be settling (decorations, tiling).
drawn() { window_there && read -r title x y w h <<<"$geometry" && shot HEADLESS-1 window 2>/dev/null && convert "$work/window.png" -crop "${w}x${h}+${x}+${y}" +repage \
    "$work/window-only.png" && problem=$(picture_problem "$work/window-only.png") && [ -z "$problem" ]; }
[ -n "${w:-}" ] && poll 80 drawn
expect_eq "the window draws the lattice at the size the compositor gives it (${w:-?}x${h:-?})" "" "$problem"
as_user wtype x
sleep 1
expect_eq "a window: a key other than Escape or q leaves it running" running "$(ended "$pid" && echo ended || echo running)"
as_user wtype -k Escape
finish "a window: Escape ends it with 0" 10
start "$saver" --window
poll 100 window_there
sleep 1
as_user wtype q
finish "a window: q ends it with 0" 10
start "$saver" --window --backend wayland
poll 100 window_there
as_user swaymsg '[app_id="latticedrift"] kill' >/dev/null
finish "a window: the compositor's close ends it with 0" 10

# ---- The sanitizer build: full screen and a window, ended by a key and a signal ----
if [ -n "$asan_dir" ]; then
    asan_run=(env "LD_PRELOAD=$work/tools/libld_keep_modules.so" ASAN_OPTIONS=verify_asan_link_order=0
        "$work/bin/latticedrift-asan")
    start "${asan_run[@]}" --fullscreen
    poll 300 has_children 2
    sleep 3
    as_user wtype x
    finish "sanitizer build: --fullscreen ended by a key, quietly, with nothing left" 50
    start "${asan_run[@]}"
    poll 300 window_there
    sleep 3
    kill -TERM "$pid"
    finish "sanitizer build: a window ended by SIGTERM, quietly" 30
fi
kill "$keyboard"
wait "$keyboard" 2>/dev/null

# ---- Outputs that come and go, and an output that stops refreshing: a second sway nested in the
# first (the wayland backend), whose outputs are windows of the first. Closing such a window
# unplugs that output; moving it where the first sway does not show it stops that output's
# refresh, as a display that is off does. (Debian 12's sway 1.7 cannot turn a headless output
# off or unplug one: its headless backend refuses to disable an output.) ----
start_nested_sway 2 || fail "a nested sway starts" "$(tail -n 3 "$work/inner.log")"
in_outer() { display=$outer_display swaysock=$outer_sock as_user "$@"; }
start "$saver" --fullscreen
poll 100 has_children 2
first=$(pgrep -P "$pid" | sort | xargs)
as_user swaymsg create_output >/dev/null
poll 100 has_children 3
check_outputs "an output plugged in (swaymsg create_output) gets a picture" WL-3
in_outer swaymsg '[title="wlroots - WL-3"] kill' >/dev/null
two_left() { [ "$(children)" = 2 ]; }
poll 100 two_left
sleep 1
expect_eq "unplugging an output ends its picture alone" "running $first" \
    "$(ended "$pid" && echo ended || echo running) $(pgrep -P "$pid" | sort | xargs)"

hz=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
in_outer swaymsg '[title="wlroots - WL-1"] move to workspace 9' >/dev/null
sleep 1.5
read -r -a kids <<<"$first"
before=($(for kid in "${kids[@]}"; do cpu_ticks "$kid"; done))
sleep 5
shares=$(for i in "${!kids[@]}"; do echo $(( ($(cpu_ticks "${kids[$i]}") - before[i]) * 1000 / (5 * hz) )); done | sort -n | xargs)
echo "info: an output not refreshing / one shown: $shares tenths of a percent of a core"
read -r idle busy <<<"$shares"
expect_eq "an output that does not refresh: its process costs at most 2% of a core (the other draws on)" \
    "yes yes" "$([ "${idle:-999}" -le 20 ] && echo yes || echo no) $([ "${busy:-0}" -ge 50 ] && echo yes || echo no)" \
    "$shares tenths of a percent"
kill -TERM "$pid"
finish "SIGTERM ends every process with 0 within 1 s while one output gets no frame callbacks" 10
in_outer swaymsg '[title="wlroots - WL-1"] move to workspace 1' >/dev/null

expect_eq "no process of ours is left" "" "$(pgrep -f "^$work/bin/" | xargs)"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
