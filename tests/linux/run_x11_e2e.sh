#!/usr/bin/env bash
# End-to-end checks of the Linux host on a private Xvfb screen with Mesa's GLX: the Debian package,
# the daemon's settings dialog previewing it, bad command lines, the window and full-screen ending rules, --window-id, signals, short runs of
# the sanitizer build, and Debian's X11 screen-saver daemon starting and stopping the packaged hack
# 20 times. Usage: tests/linux/run_x11_e2e.sh <linux-build-dir> [<sanitizer-build-dir>]
# Needs root (the daemon runs as uid 65534). One PASS/FAIL line per check, "N passed, N failed" last.
set -u

script_dir=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:?usage: run_x11_e2e.sh <linux-build-dir> [<sanitizer-build-dir>]}" && pwd) || exit 2
asan_dir=${2:+$(cd "$2" && pwd)}
asan_saver=${asan_dir:+$asan_dir/bin/latticedrift}
# shellcheck source=tests/e2e/e2e_lib.sh
. "$script_dir/../e2e/e2e_lib.sh"
saver=$build_dir/bin/latticedrift
helper=$build_dir/tests/linux/x11_e2e_helper
for needed in "$saver" "$helper" ${asan_saver:+"$asan_saver"}; do
    [ -x "$needed" ] || { echo "missing: $needed (build latticedrift and x11_e2e_helper)" >&2; exit 2; }
done
# WAYLAND_DISPLAY too: from a Wayland session the host would draw there.
unset WINEPREFIX XSCREENSAVER_WINDOW WAYLAND_DISPLAY
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$script_dir/../support/lsan.supp:print_suppressions=0}

passed=0
failed=0
pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }
expect_eq() { if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "expected '$2', got '$3'${4:+ ($4)}"; fi; }

daemon_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
cleanup() {
    [ -n "${home:-}" ] && "${daemon_user[@]}" env HOME="$home" xscreensaver-command -exit >/dev/null 2>&1
    for job in $(jobs -p); do kill -KILL "$job" 2>/dev/null; done
    [ -n "${settings_placed:-}" ] && restore_settings_file
    [ -n "${gl_helper:-}" ] && restore_gl_helper
    e2e_cleanup
}
e2e_start_xvfb || { echo "0 passed, 1 failed"; exit 1; }
trap cleanup EXIT
# The daemon's user must reach the packaged hack and its home in the scratch folder.
chmod 755 "$e2e_work"

# start <program> [arguments...]: in the background, stderr to $err (emptied first, as background
# does its file); sets pid.
err=$e2e_work/run.err
start() {
    : >"$err"
    "$@" 2>"$err" &
    pid=$!
}

# finish <name> <tenths>: the run must end within the time, with 0 and nothing on stderr but the
# --fps figures.
finish() {
    poll "$2" ended "$pid" || { kill -KILL "$pid"; echo "still running after $2 tenths of a second" >>"$err"; }
    wait "$pid"
    local code=$?
    sed -i '/^latticedrift: [0-9]* frames in /d; /^seed=[0-9]*$/d' "$err"
    if [ "$code" = 0 ] && [ ! -s "$err" ]; then pass "$1"; else fail "$1" "status $code, $(head -c 300 "$err")"; fi
}

# picture_problem <png> <width> <height>: nothing when a window's screenshot shows the lattice:
# black bars at the top and bottom, between them a dark-blue band with near-white points.
picture_problem() {
    local bar top bottom
    bar=$(($3 * 12 / 100))
    top=$(area_stats "$1" "${2}x${bar}+0+0")
    bottom=$(area_stats "$1" "${2}x${bar}+0+$(($3 - bar))")
    set -- $(area_stats "$1" "${2}x$(($3 * 40 / 100))+0+$(($3 * 30 / 100))")
    if [ "${top%% *}" != 0 ] || [ "${bottom%% *}" != 0 ] || [ "$2" -lt 50 ] || [ "$4" -lt 30 ]; then
        echo "brightest in the bars: ${top%% *}/${bottom%% *}; band: $2% dark blue, $4 whitish points"
    fi
}
# check_picture <name> <png> <width> <height> <capture command...>: captures the picture into <png>
# until it shows the lattice (a busy machine may take a while to draw), for at most 15 s.
check_picture() {
    local name=$1 png=$2 width=$3 height=$4 problem="no picture"
    shift 4
    captured() { "$@" && problem=$(picture_problem "$png" "$width" "$height") && [ -z "$problem" ]; }
    poll 150 captured "$@"
    expect_eq "$name" "" "$problem"
}

# ---- The Debian package: its files, run-time dependencies and lintian's verdict; no freeglut ----
pkg=$e2e_work/pkg
hack=$pkg/usr/libexec/xscreensaver/latticedrift
(cd "$build_dir" && cpack -G DEB -B "$e2e_work/deb") >"$e2e_work/cpack.log" 2>&1
deb=$(ls "$e2e_work"/deb/latticedrift_*.deb 2>/dev/null | head -n1)
if [ -n "$deb" ] && dpkg-deb -x "$deb" "$pkg"; then
    expect_eq "the package holds the hack, its settings file, its man page, copyright and changelog" \
        "./usr/libexec/xscreensaver/latticedrift ./usr/share/doc/latticedrift/changelog.gz ./usr/share/doc/latticedrift/copyright ./usr/share/man/man6/latticedrift.6.gz ./usr/share/xscreensaver/config/latticedrift.xml" \
        "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | sort | xargs)"
    depends=$(dpkg-deb -f "$deb" Depends)
    missing=$(for library in libc6 libx11-6 libglx0 libopengl0 libglu1-mesa libstdc++6 \
        libwayland-client0 libwayland-egl1 libegl1 libxkbcommon0; do
        [[ ", $depends" == *", $library"* ]] || echo "$library"; done)
    expect_eq "the package depends on the libraries it runs on" "" "$missing" "Depends: $depends"
    # As an unprivileged user: lintian advises against root.
    chmod -R go+rX "$e2e_work/deb"
    lintian=$(cd "$e2e_work" && "${daemon_user[@]}" env HOME=/nonexistent lintian --fail-on error,warning "$deb" 2>&1)
    lintian_status=$?
    expect_eq "lintian finds no error or warning in the package" 0 "$lintian_status" "${lintian//$'\n'/ }"
else
    fail "cpack -G DEB makes a package" "$(tail -n 5 "$e2e_work/cpack.log")"
    mkdir -p "$(dirname "$hack")" && cp "$saver" "$hack"
fi
glut=$(for binary in "$saver" "$build_dir/tools/latticedrift-render" "$build_dir/tests/test_scene"; do
    readelf -d "$binary" 2>&1 | grep -i -e glut -e 'Error' | sed "s|^|$(basename "$binary"): |"; done
    [ -n "$deb" ] && dpkg-deb -f "$deb" Depends | grep -o -i -e 'freeglut[^,]*' -e 'libglut[^,]*')
expect_eq "nothing links freeglut: the host, the renderer, a test, the package's Depends" "" "${glut//$'\n'/ }"
chmod -R go+rX "$pkg"

# ---- The daemon's settings dialog previews the packaged hack ----
# xscreensaver-settings runs a hack by the path its programs line gives, but reads the hack's
# settings file only from /usr/share/xscreensaver/config/<command name>.xml, a folder built into
# it: no variable or option moves it. So the dialog runs in a mount namespace of its own, where the
# package's settings folder is bound over that one; nothing is installed, and nothing outside the
# dialog sees the change. Where no such namespace can be made (in a chroot, whose root is no mount
# point), the file is put in that folder for the check's length, and whatever was there comes back
# at the end. The dialog runs as the daemon's user, under strace, which reports the exit status of
# the hacks that the dialog starts and collects itself.
settings_dir=/usr/share/xscreensaver/config
restore_settings_file() {
    if [ -e "$e2e_work/settings.saved" ]; then cp -p "$e2e_work/settings.saved" "$settings_dir/latticedrift.xml"
    else rm -f "$settings_dir/latticedrift.xml"; fi
}
if unshare --mount --propagation private true 2>/dev/null; then
    in_settings_view=(unshare --mount --propagation private sh -c "mount --bind \"\$0\" $settings_dir && exec \"\$@\""
        "$pkg$settings_dir")
else
    [ -e "$settings_dir/latticedrift.xml" ] && cp -p "$settings_dir/latticedrift.xml" "$e2e_work/settings.saved"
    settings_placed=1
    mkdir -p "$settings_dir" && cp "$pkg$settings_dir/latticedrift.xml" "$settings_dir/"
    in_settings_view=()
fi
dialog_home=$e2e_work/dialog-home
dialog_log=$e2e_work/dialog.log
dialog_exits=$e2e_work/dialog-exits.log
mkdir -p "$dialog_home"
printf 'mode: one\nselected: 0\nprograms: GL: "Lattice Drift" %s --root \\n\n' "$hack" >"$dialog_home/.xscreensaver"
chown -R 65534:65534 "$dialog_home"
strace -f -q --seccomp-bpf -e trace=none -e signal=none -o "$dialog_exits" "${in_settings_view[@]}" \
    "${daemon_user[@]}" env HOME="$dialog_home" DISPLAY="$DISPLAY" xscreensaver-settings --debug >"$dialog_log" 2>&1 &
dialog_tracer=$!
# The pids of the hacks the dialog started; the preview area, and the latest hack once it runs the
# hack's program.
dialog_hacks() { sed -n 's/.* forked \([0-9]*\) (latticedrift)$/\1/p' "$dialog_log"; }
previewing() {
    preview=$(xdotool search --name '^XScreenSaver Settings Preview$' 2>/dev/null | head -n1)
    pid=$(dialog_hacks | tail -n1)
    [ -n "$preview" ] && [ -n "$pid" ] && [ "$(head -c ${#hack} "/proc/$pid/cmdline" 2>/dev/null)" = "$hack" ]
}
if poll 300 previewing; then
    # Each mention of the settings file is its reading: none that it is missing or malformed.
    expect_eq "the settings dialog reads the package's settings file and previews the hack as its user" \
        "read 0 65534 $hack --root --window-id $(printf '0x%X' "$preview") " \
        "$(grep -q ': reading .*/latticedrift\.xml\.\.\.$' "$dialog_log" && echo read) $(grep 'latticedrift\.xml' \
            "$dialog_log" | grep -c -v ': reading ') $(ps -o uid= -p "$pid" | xargs) $(tr '\0' ' ' <"/proc/$pid/cmdline")" \
        "$(grep -m3 'latticedrift\.xml' "$dialog_log" | xargs)"
    # The scene starts at a corner of the cube whatever the seed, and shows the lattice in the
    # picture_problem sense for its first seconds: screenshots until one does.
    problem="no screenshot"
    since=$SECONDS
    until [ -z "$problem" ] || [ $((SECONDS - since)) -gt 20 ]; do
        sleep 0.2
        import -window "$preview" "$e2e_work/preview.png" 2>/dev/null &&
            problem=$(picture_problem "$e2e_work/preview.png" $(identify -format '%w %h' "$e2e_work/preview.png"))
    done
    expect_eq "the settings dialog's preview shows the lattice" "" "$problem"
    dialog_window=$(xwininfo -children -id "$preview" | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p')
    "$helper" close "$dialog_window"
else
    fail "the settings dialog previews the hack" "$(grep -v 'pref changed' "$dialog_log" | tail -n 5)"
fi
poll 300 ended "$dialog_tracer" || { kill -KILL $(pgrep -P "$dialog_tracer") $(dialog_hacks); kill -KILL "$dialog_tracer"; }
wait "$dialog_tracer"
dialog_status=$?
[ -n "${settings_placed:-}" ] && restore_settings_file && settings_placed=""
hacks=$(dialog_hacks)
statuses=$(for hack_pid in $hacks; do sed -n "s/^$hack_pid  *+++ \(.*\) +++$/\1/p" "$dialog_exits"; done | sort | uniq -c | xargs)
expect_eq "closing the dialog ends it and its hacks with 0, and leaves nothing running" \
    "0 $(wc -w <<<"$hacks") exited with 0 " "$dialog_status $statuses $(pgrep -f "^$hack" | xargs)"

# ---- Command lines that end at once: the reason first, with the usage for bad usage ----
for case in "--bogus||2|unknown option '--bogus'" "-window-id 0x||2|--window-id" "--delay 5ms||2|--delay" \
    "-root extra||2|unexpected argument 'extra'" "|0x60000G|2|XSCREENSAVER_WINDOW" \
    "--window-id 0x1fffffff||1|no window 0x1fffffff" "--display :$((${DISPLAY#:} + 50))||1|cannot open display"; do
    IFS='|' read -r args env expected text <<<"$case"
    # shellcheck disable=SC2086
    XSCREENSAVER_WINDOW=$env timeout 20 "$saver" $args 2>"$e2e_work/quick.err"
    code=$?
    usage=$(grep -c '^Usage: latticedrift' "$e2e_work/quick.err")
    expect_eq "'$args'${env:+ with XSCREENSAVER_WINDOW=$env} gives $expected and says why" \
        "$expected latticedrift: $text $((expected == 2))" \
        "$code $(head -n1 "$e2e_work/quick.err" | grep -o "latticedrift: .*$text") $usage"
done

# ---- Its own window and full screen: each ending, with the pointer where Xvfb put it ----
background "$e2e_work/other.out" "$helper" window 64x64 300
other=$(wait_field "$e2e_work/other.out" window 10)
for case in "|close|a window closed through WM_DELETE_WINDOW" "|key Escape|a window: Escape" \
    "|key space key q|a window: a space leaves it, q" "--fullscreen|key space|--fullscreen: a key" \
    "--fullscreen|click 1|--fullscreen: a left click" "--fullscreen|click 3|--fullscreen: a right click" \
    "--fullscreen|focus|--fullscreen: a loss of focus"; do
    IFS='|' read -r args action what <<<"$case"
    start "$saver" $args
    id=$(wait_window '^Lattice Drift$' 15)
    sleep 1
    [ "$action" = close ] && expect_eq "a window run makes an 800x600 window" 800x600 \
        "$(xwininfo -id "$id" | awk '/Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h }')"
    case $action in
    close) "$helper" close "$id" ;;
    focus) xdotool windowfocus "$other" ;;
    *) xdotool $action ;;
    esac
    finish "$what ends the run with 0" 20
done

start "$saver" --fullscreen
id=$(wait_window '^Lattice Drift$' 15)
sleep 1.5
expect_eq "--fullscreen covers the screen" "1024x768+0+0" "$(xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $NF }
    /Absolute upper-left Y/ { y = $NF } /Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h "+" x "+" y }')"
check_picture "--fullscreen shows the lattice" "$e2e_work/full.png" 1024 768 import -window root "$e2e_work/full.png"
eval "$(xdotool getmouselocation --shell)"
for step in "1 0" "2 0" "3 0" "3 1"; do
    xdotool mousemove $((X + ${step% *})) $((Y + ${step#* }))
    sleep 0.2
done
xdotool click 4 click 5
sleep 1
expect_eq "--fullscreen: 4 pixels of travel and wheel turns leave it running" running \
    "$(ended "$pid" && echo ended || echo running)"
xdotool mousemove $((X + 3)) $((Y + 2))
finish "--fullscreen: a fifth pixel ends it with 0" 20

# ---- A given window: drawn, resized and destroyed; signals through a 10 s frame delay ----
# The sanitizer build keeps the GL driver loaded, so that the leak checker's suppressions name it.
asan_run=(env "LD_PRELOAD=$asan_dir/tests/libld_keep_modules.so" ASAN_OPTIONS=verify_asan_link_order=0 "$asan_saver")
for variant in plain ${asan_saver:+asan}; do
    build=""
    program=("$saver")
    [ "$variant" = asan ] && build="sanitizer build: " && program=("${asan_run[@]}")
    background "$e2e_work/target.out" "$helper" window 320x240 5
    target=$(wait_field "$e2e_work/target.out" window 10)
    start "${program[@]}" --window-id "$target"
    if [ -z "$build" ]; then
        sleep 1.5
        xdotool windowsize "$target" 640 480
        check_picture "--window-id draws the lattice and follows a resize" "$e2e_work/target.png" 640 480 \
            import -window "$target" "$e2e_work/target.png"
    fi
    wait_field "$e2e_work/target.out" destroyed 10 >/dev/null
    finish "${build}--window-id: the window's destruction ends the run with 0 within 1 s, quietly" 10
    for case in "TERM|--root --delay 10000000|" "INT|--fps --delay 10000000|$other" \
        "TERM|--fullscreen --delay 10000000|"; do
        IFS='|' read -r signal args env <<<"$case"
        XSCREENSAVER_WINDOW=$env start "${program[@]}" $args
        sleep 1.5
        kill -s "$signal" "$pid"
        finish "${build}SIG$signal ends '$args'${env:+ in XSCREENSAVER_WINDOW} with 0 within 1 s" 10
    done
done

# ---- The kept frame: with the back buffer overwritten after every swap, as a swap that exchanges
# buffers leaves it, each frame is the one the headless renderer draws, byte for byte ----
test_saver=$build_dir/tests/linux/latticedrift-test
for frames in 1 2 90; do
    "$build_dir/tools/latticedrift-render" --size 800x600 --fps 60 --seed 7 --frames "$frames" \
        --out "$e2e_work/render.png" 2>/dev/null
    differing=""
    for exchange in 0 1; do
        background "$e2e_work/kept.out" env LATTICEDRIFT_TEST_FPS=60 LATTICEDRIFT_TEST_SEED=7 \
            LATTICEDRIFT_TEST_FRAMES="$frames" LATTICEDRIFT_TEST_EXCHANGE="$exchange" "$test_saver" 2>/dev/null
        pid=$!
        wait_field "$e2e_work/kept.out" frames 20 >/dev/null
        import -window "$(field "$e2e_work/kept.out" window)" "$e2e_work/kept.png"
        kill "$pid"
        wait "$pid"
        differing+="$(compare -metric AE "$e2e_work/kept.png" "$e2e_work/render.png" null: 2>&1) "
    done
    expect_eq "frame $frames in a window, as swapped and with the back buffer overwritten, is the renderer's" \
        "0 0 " "$differing" "pixels that differ"
done

# ---- The frame keeper at its limits: each run's frame 90 against the same frame over the copying
# swap, every colour bit as the helper reads it back ----
# kept_pixels <file> [variable=value...]: frame 90 of seed 7 in the test build's window, written to
# <file>; the count of magenta pixels (the overwritten back buffer showing) in $magenta.
kept_pixels() {
    local out=$1
    shift
    background "$e2e_work/kept.out" env LATTICEDRIFT_TEST_FPS=60 LATTICEDRIFT_TEST_SEED=7 \
        LATTICEDRIFT_TEST_FRAMES=90 "$@" "$test_saver" 2>"$err"
    pid=$!
    wait_field "$e2e_work/kept.out" frames 30 >/dev/null
    magenta=$("$helper" grab "$(field "$e2e_work/kept.out" window)" "$out")
    kill "$pid"
    wait "$pid"
}
# differing_pixels <a> <b> [width tile-x1 tile-y0 tile-y1]: how many pixels differ; with a tile
# (columns below x1, rows y0 to y1 from the top), "inside outside".
differing_pixels() {
    [ "$(stat -c %s "$1")" = "$(stat -c %s "$2")" ] || { echo "sizes $(stat -c %s "$1" "$2" | xargs)"; return; }
    cmp -l "$1" "$2" | awk -v w="${3:-0}" -v x1="${4:-0}" -v y0="${5:-0}" -v y1="${6:-0}" '
        { p[int(($1 - 1) / 4)] }
        END { for (i in p) { if (w && i % w < x1 && int(i / w) >= y0 && int(i / w) <= y1) inside++; else outside++ }
              print w ? (inside + 0) " " (outside + 0) : (outside + 0) }'
}
kept_pixels "$e2e_work/copied.px"
kept_pixels "$e2e_work/tiled.px" LATTICEDRIFT_TEST_EXCHANGE=1 LATTICEDRIFT_TEST_TILE=128
expect_eq "a window wider than the keeper's largest tile (128 here) is kept whole" "0 0" \
    "$(differing_pixels "$e2e_work/copied.px" "$e2e_work/tiled.px") $magenta" "differing, magenta"
kept_pixels "$e2e_work/refused.px" LATTICEDRIFT_TEST_EXCHANGE=1 LATTICEDRIFT_TEST_REFUSE_TILE=0
# The first tile is the lower left 512x512: rows 88 to 599 from the top, columns below 512.
read -r inside outside <<<"$(differing_pixels "$e2e_work/copied.px" "$e2e_work/refused.px" 800 512 88 599)"
expect_eq "a tile whose memory is refused loses its trails there only, never shows garbage, and says so once" \
    "yes 0 0 1" "$([ "${inside:-0}" -gt 0 ] && echo yes) $outside $magenta $(grep -c 'not enough graphics memory' "$err")" \
    "$inside pixels differ inside"
kept_pixels "$e2e_work/resized-copied.px" LATTICEDRIFT_TEST_RESIZE=45:640x480
kept_pixels "$e2e_work/resized-kept.px" LATTICEDRIFT_TEST_RESIZE=45:640x480 LATTICEDRIFT_TEST_EXCHANGE=1
expect_eq "a window resized halfway is kept at its new size" "$((640 * 480 * 4)) 0 0" \
    "$(stat -c %s "$e2e_work/resized-kept.px") $(differing_pixels "$e2e_work/resized-copied.px" "$e2e_work/resized-kept.px") $magenta"
Xvfb -displayfd 3 -screen 0 800x600x30 -nolisten tcp -noreset 3>"$e2e_work/deep.display" >/dev/null 2>&1 &
deep=$!
poll 100 test -s "$e2e_work/deep.display"
DISPLAY=":$(head -n1 "$e2e_work/deep.display")" kept_pixels "$e2e_work/deep-copied.px"
DISPLAY=":$(head -n1 "$e2e_work/deep.display")" kept_pixels "$e2e_work/deep-kept.px" LATTICEDRIFT_TEST_EXCHANGE=1
expect_eq "on a depth-30 screen every one of the 10 bits is kept" "0 0" \
    "$(differing_pixels "$e2e_work/deep-copied.px" "$e2e_work/deep-kept.px") $magenta" "differing, magenta"
kill "$deep"
wait "$deep" 2>/dev/null

# ---- Under a compositor that honours alpha (picom), a depth-32 window shows the picture only ----
picom --backend xrender --config /dev/null >"$e2e_work/picom.log" 2>&1 &
compositor=$!
background "$e2e_work/argb.out" "$helper" argb-window 640x480 6
argb=$(wait_field "$e2e_work/argb.out" window 10)
start "$saver" --window-id "$argb"
check_picture "under picom, a depth-32 window shows the lattice and nothing of the desktop" \
    "$e2e_work/composited.png" 640 480 import -window root -crop 640x480+0+0 "$e2e_work/composited.png"
expect_eq "under picom, the depth-32 window's pixels are all opaque" 0 "$("$helper" alpha "$argb")"
finish "a depth-32 window's destruction ends the run with 0" 60
kill "$compositor"
wait "$compositor" 2>/dev/null

# ---- Stop signals: SIGHUP and SIGQUIT as SIGTERM; a run stuck in its swap still ends ----
for signal in HUP QUIT; do
    start "$saver" --delay 10000000
    sleep 1.5
    kill -s "$signal" "$pid"
    finish "SIG$signal ends the run with 0 within 1 s" 10
done
LATTICEDRIFT_TEST_BLOCK=3 start "$test_saver"
sleep 2
kill -TERM "$pid"
finish "a run stuck in its swap ends with 0 within 1 s of SIGTERM" 10

# ---- X errors: OpenGL's end the run with the reason and 1; others are reported and it goes on ----
results=""
for kind in glx-bad-context-state glx-bad-render-request glx-bad-large-request glx-unsupported-private-request \
    glx-bad-alloc glx-bad-length; do
    LATTICEDRIFT_TEST_X_ERROR=$kind@3 timeout 20 "$test_saver" >/dev/null 2>"$err"
    results+="$?:$(grep -c '^latticedrift: X error: ' "$err") "
done
expect_eq "every GLX error, and a BadAlloc or BadLength of a GLX request, ends the run with a reason and 1" \
    "1:1 1:1 1:1 1:1 1:1 1:1 " "$results" "status:reasons per kind"
for case in "other@3|going on after an X error: BadWindow" "glx-unsupported-private-request@0|"; do
    IFS='|' read -r injected said <<<"$case"
    background "$e2e_work/errors.out" env LATTICEDRIFT_TEST_X_ERROR="$injected" LATTICEDRIFT_TEST_FRAMES=20 \
        "$test_saver" 2>"$err"
    pid=$!
    wait_field "$e2e_work/errors.out" frames 20 >/dev/null
    kill -TERM "$pid"
    wait "$pid"
    code=$?
    expect_eq "an X error '$injected' leaves the run going${said:+, reported once}" "0 ${said:+1}" \
        "$code $([ -n "$said" ] && grep -c "^latticedrift: $said" "$err")" "$(head -c 300 "$err")"
done

# ---- Hidden by the window manager (minimised, another workspace): asleep, as when unmapped ----
start "$saver"
id=$(wait_window '^Lattice Drift$' 15)
sleep 1
xprop -id "$id" -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_HIDDEN
sleep 0.5
before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
sleep 3
hidden_cpu=$(($(awk '{ print $14 + $15 }' "/proc/$pid/stat") - before))
xprop -id "$id" -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_ABOVE
sleep 0.5
before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
sleep 3
shown_cpu=$(($(awk '{ print $14 + $15 }' "/proc/$pid/stat") - before))
kill -TERM "$pid"
finish "a window hidden and shown again ends with 0 on SIGTERM" 10
expect_eq "a window the window manager hides costs under a third of a shown one's CPU" yes \
    "$([ $((hidden_cpu * 3)) -lt "$shown_cpu" ] && echo yes || echo no)" "$hidden_cpu and $shown_cpu ticks in 3 s"

# ---- Pacing: --delay sets the frame period; at most a frame more than the period allows ----
rates=""
for delay in 50000 200000; do
    start "$saver" --fps --delay "$delay"
    sleep 3
    kill -TERM "$pid"
    wait "$pid"
    rates+="$(sed -n 's/.* frames in .* s: \([0-9.]*\) frames\/s.*/\1/p' "$err") "
done
read -r fast slow <<<"$rates"
expect_eq "--delay 50000 paces at 20 frames/s and 200000 at 5 (wide margins)" "yes yes" \
    "$(awk -v f="${fast:-0}" -v s="${slow:-0}" 'BEGIN { print (f >= 8 && f <= 21) ? "yes" : "no",
        (s >= 2 && s <= 5.4) ? "yes" : "no" }')" "$fast and $slow frames/s"

# ---- A window manager that never maps: asleep while unmapped, and the stop signals still work ----
background "$e2e_work/wm.out" "$helper" stub-wm
wm=$!
wait_field "$e2e_work/wm.out" wm 10 >/dev/null
start "$saver"
sleep 3
unmapped_cpu=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
kill -TERM "$pid"
finish "an unmapped window: SIGTERM ends the run with 0 within 1 s" 10
start "$saver" --fullscreen
sleep 1.5
kill -TERM "$pid"
finish "--fullscreen waiting for its map: SIGTERM ends the run with 0 within 1 s" 10
"$saver" --fullscreen 2>"$err" &
pid=$!
poll 100 ended "$pid"
wait "$pid"
expect_eq "--fullscreen never mapped: a reason and status 1 after 5 s" \
    "1 latticedrift: the window manager did not show the full-screen window within 5 s" "$? $(cat "$err")"
kill "$wm"
wait "$wm" 2>/dev/null
start "$saver"
sleep 3
visible_cpu=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
kill -TERM "$pid"
finish "a window drawn for 3 s ends with 0 on SIGTERM" 10
expect_eq "an unmapped window costs under a third of a visible one's CPU" yes \
    "$([ $((unmapped_cpu * 3)) -lt "$visible_cpu" ] && echo yes || echo no)" \
    "$unmapped_cpu and $visible_cpu ticks in 3 s"

# ---- Two runs start from different seeds ----
seeds=""
for run in 1 2; do
    background "$e2e_work/seed.out" env LATTICEDRIFT_TEST_FRAMES=1 "$test_saver" 2>"$e2e_work/seed.err"
    pid=$!
    wait_field "$e2e_work/seed.out" frames 20 >/dev/null
    kill "$pid"
    wait "$pid"
    seeds+="$(sed -n 's/^seed=//p' "$e2e_work/seed.err") "
    sleep 0.1
done
read -r first second <<<"$seeds"
expect_eq "two runs start from different seeds" yes \
    "$([ -n "$first" ] && [ "$first" != "$second" ] && echo yes || echo no)" "$seeds"

# ---- Indirect GLX: the --fps corner cannot be drawn, so the figures go to stderr ----
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset +iglx 3>"$e2e_work/iglx.display" >/dev/null 2>&1 &
iglx=$!
poll 100 test -s "$e2e_work/iglx.display"
# Debian 12's Mesa (22.3) indirect GLX client now and then crashes in the first glGetIntegerv after
# the context is made current (gluBuild2DMipmaps asking for the largest texture): its own client
# array state was never made, and it reads through a null pointer. About one start in 30 on a busy
# machine. A start that a signal ends before any figures is made again, once, and said.
for try in 1 2; do
    DISPLAY=":$(head -n1 "$e2e_work/iglx.display")" LIBGL_ALWAYS_INDIRECT=1 start "$saver" --fps
    # The first figures come a second after the first frame; a busy machine may take longer to start.
    poll 200 grep -q ' fps .* ms CPU per frame' "$err"
    kill -TERM "$pid" 2>/dev/null
    wait "$pid"
    code=$?
    figures=$(grep -q ' fps .* ms CPU per frame' "$err" && echo yes || echo no)
    if [ "$try" = 2 ] || [ "$code" -le 128 ] || [ "$figures" = yes ]; then break; fi
    echo "info: indirect GLX, try 1: signal $((code - 128)) before any figures (Mesa's indirect client); run again"
done
expect_eq "indirect GLX with --fps runs on, its figures on stderr, and ends with 0" \
    "0 yes" "$code $figures" "$(head -c 300 "$err")"
kill "$iglx"
wait "$iglx" 2>/dev/null

# ---- Full screen on two monitors side by side (RandR 1.5 monitors on one 2048x768 screen), with
# no window manager and with one that spans monitors on request; a move on the second ends it ----
Xvfb -displayfd 3 -screen 0 2048x768x24 -nolisten tcp -noreset 3>"$e2e_work/wide.display" >/dev/null 2>&1 &
wide=$!
poll 100 test -s "$e2e_work/wide.display"
screen_display=$DISPLAY
export DISPLAY=":$(head -n1 "$e2e_work/wide.display")"
xrandr --setmonitor left 1024/270x768/203+0+0 screen >/dev/null 2>&1
xrandr --setmonitor right 1024/270x768/203+1024+0 none >/dev/null 2>&1
geometry() { xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h "+" x "+" y }'; }
spans() { [ "$(geometry)" = "2048x768+0+0" ]; }
for wm in none ewmh; do
    if [ "$wm" = ewmh ]; then
        background "$e2e_work/ewmh.out" "$helper" ewmh-wm
        ewmh=$!
        wait_field "$e2e_work/ewmh.out" wm 10 >/dev/null
    fi
    xdotool mousemove 1500 400
    start "$saver" --fullscreen
    id=$(wait_window '^Lattice Drift$' 15)
    poll 50 spans
    # The path decides how many points each half shows at a moment: screenshots until both do.
    both_halves() {
        import -window root "$e2e_work/wide.png" 2>/dev/null || return 1
        convert "$e2e_work/wide.png" -crop 1024x768+0+0 +repage "$e2e_work/left.png"
        convert "$e2e_work/wide.png" -crop 1024x768+1024+0 +repage "$e2e_work/right.png"
        halves="$(picture_problem "$e2e_work/left.png" 1024 768) $(picture_problem "$e2e_work/right.png" 1024 768)"
        [ "$halves" = " " ]
    }
    poll 150 both_halves
    expect_eq "two monitors, window manager $wm: --fullscreen spans both and shows the lattice on each" \
        "2048x768+0+0  " "$(geometry) $halves"
    xdotool mousemove 1510 400
    finish "two monitors, window manager $wm: a move on the second monitor ends the run with 0" 20
done
kill "$ewmh" "$wide"
wait "$ewmh" "$wide" 2>/dev/null
export DISPLAY=$screen_display
# ---- The daemon: activations of the packaged hack, run without fades: 20 with its GL helper
# choosing the visual (the default one here, whose swap may not keep the frame: the hack covers it
# with a child of its own that can), then 3 without, in the depth-32 ARGB window it then makes ----
home=$e2e_work/home
mkdir -p "$home"
printf 'mode: one\nselected: 0\nlock: False\nsplash: False\nfade: False\nprograms: GL: "Lattice Drift" %s -root \\n\n' \
    "$hack" >"$home/.xscreensaver"
chown -R 65534:65534 "$home"
as_daemon_user=("${daemon_user[@]}" env HOME="$home" DISPLAY="$DISPLAY")

# The pid of this cycle's hack, from the daemon's log.
hack_started() { pid=$(grep -a "forked \"$hack" "$log" | sed -n "${cycle}s/.* in pid \\([0-9]*\\) .*/\\1/p"); [ -n "$pid" ]; }
# Its exit status, from whoever collected it: the display helper (its log) or the reaper.
hack_collected() {
    status=$( (sed -n "s/^pid=$pid status=//p" "$reaped"
        grep -a "child pid $pid " "$log" | sed -n 's/.* with status \([0-9]*\).*/\1/p') | head -n1)
    [ -n "$status" ]
}
display_helper_gone() { [ "$(grep -a -c 'xscreensaver-gfx exited' "$log")" -ge "$cycle" ]; }

# Our part of a deactivation is measured from the SIGTERM's arrival, as strace sees it: the daemon
# itself may take its time to send it, and it runs the hack niced, so that on a busy machine the
# hack gets little of the processor (434 ms from the signal to the end seen with both cores busy).
# The picture may take a while to come for the same reason.
traced() { [ "$(awk '/^TracerPid:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)" -gt 0 ] 2>/dev/null; }
picture_shown() {
    import -window "${window:-root}" "$e2e_work/daemon.png" 2>/dev/null &&
        problem=$(picture_problem "$e2e_work/daemon.png" 1024 768) && [ -z "$problem" ]
}

# daemon_cycles <count> <label> [wrapper...]: the daemon, run through the wrapper, activates and
# deactivates the hack <count> times; the checks name <label>. Sets translucent to the first
# picture's count of pixels that are less than opaque (for a depth-32 window; "" otherwise).
daemon_cycles() {
    local count=$1 label=$2 pictures=0 exits=0 clean=0 slowest=0 daemon
    shift 2
    log=$e2e_work/daemon-$count.log
    reaped=$e2e_work/reaped-$count.log
    translucent=""
    "$@" "$helper" reap "$reaped" "${as_daemon_user[@]}" xscreensaver --no-splash --verbose >"$log" 2>&1 &
    daemon=$!
    poll 100 "${as_daemon_user[@]}" xscreensaver-command -time >/dev/null 2>&1
    for cycle in $(seq "$count"); do
        "${as_daemon_user[@]}" xscreensaver-command -activate >/dev/null 2>&1
        poll 150 hack_started || { echo "info: $label: cycle $cycle: no hack within 15 s"; break; }
        window=$(tr '\0' '\n' <"/proc/$pid/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
        [ "$cycle" = 1 ] && expect_eq "$label: the daemon starts the hack as its user, niced, with --root and its window" \
            "65534 10 $hack --root 0x" "$(ps -o uid= -o ni= -p "$pid" | xargs) $(tr '\0' ' ' <"/proc/$pid/cmdline")${window:0:2}"
        poll 150 picture_shown && pictures=$((pictures + 1)) || echo "info: $label: cycle $cycle: $problem"
        [ "$cycle" = 1 ] && [ "$(xwininfo -id "$window" | awk '/Depth:/ { print $2 }')" = 32 ] &&
            translucent=$("$helper" alpha "$window")

        # Every thread: the signal may land on any of them (the GL driver's, the stop watchdog's).
        strace -f -q -ttt -e trace=none -e signal=TERM -o "$e2e_work/strace.log" -p "$pid" 2>/dev/null &
        tracer=$!
        poll 50 traced
        "${as_daemon_user[@]}" xscreensaver-command -deactivate >/dev/null 2>&1
        status="still running 10 s after the deactivation"
        poll 100 ended "$pid" && poll 100 hack_collected
        wait "$tracer"
        ms=$(awk '/--- SIGTERM/ && !s { s = $2 } /\+\+\+ exited/ { e = $2 } END { print (s && e) ? int((e - s) * 1000) : "none" }' \
            "$e2e_work/strace.log")
        [ "$ms" != none ] && [ "$ms" -gt "$slowest" ] && slowest=$ms
        [ "$status" = 0 ] && [ "$ms" != none ] && [ "$ms" -le 2000 ] && exits=$((exits + 1)) ||
            echo "info: $label: cycle $cycle: status '$status', $ms ms from the SIGTERM to the end"
        poll 100 display_helper_gone
        pgrep -f "^$hack" >/dev/null && echo "info: $label: cycle $cycle: left $(pgrep -f "^$hack" | xargs)" ||
            clean=$((clean + 1))
    done
    echo "info: $label: the slowest end took $slowest ms from the SIGTERM"
    expect_eq "$label: each of $count activations shows the lattice in the daemon's window" "$count" "$pictures"
    expect_eq "$label: each deactivation ends the hack with 0, within 2 s of its SIGTERM" "$count" "$exits"
    expect_eq "$label: no process of ours is left after a deactivation" "$count" "$clean"
    "${as_daemon_user[@]}" xscreensaver-command -exit >/dev/null 2>&1
    poll 100 ended "$daemon" || kill -KILL "$daemon"
    wait "$daemon" 2>/dev/null
}

daemon_cycles 20 "daemon"
# Without its GL helper (made to fail, as when xscreensaver-gl is not installed): in a mount
# namespace of its own where /bin/false stands in for it, or, where none can be made (a chroot),
# with the helper moved aside for the check's length.
gl_helper=/usr/libexec/xscreensaver/xscreensaver-gl-visual
restore_gl_helper() { [ -e "$gl_helper.aside" ] && mv "$gl_helper.aside" "$gl_helper"; }
if unshare --mount --propagation private true 2>/dev/null; then
    daemon_cycles 3 "daemon without its GL helper" unshare --mount --propagation private \
        sh -c 'mount --bind /bin/false "$0" && exec "$@"' "$gl_helper"
else
    [ -e "$gl_helper" ] && mv "$gl_helper" "$gl_helper.aside"
    daemon_cycles 3 "daemon without its GL helper"
    restore_gl_helper
fi
expect_eq "daemon without its GL helper: its depth-32 window stays opaque under the hack" 0 "$translucent" \
    "pixels less than opaque"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
