#!/usr/bin/env bash
# End-to-end checks of the Linux host on a private Xvfb screen with Mesa's GLX: the Debian package,
# bad command lines, a window closed as a window manager closes it, the full-screen ending rules,
# --window-id into a helper's window, signals, short runs of the sanitizer build, and Debian's X11
# screen-saver daemon starting and stopping the packaged hack 20 times.
# Usage: tests/linux/run_x11_e2e.sh <linux-build-dir> [<sanitizer-build-dir>]
# Needs root (the daemon runs as uid 65534). Prints one PASS/FAIL line per check and
# "N passed, N failed" last.
set -u

script_dir=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:?usage: run_x11_e2e.sh <linux-build-dir> [<sanitizer-build-dir>]}" && pwd) || exit 2
asan_saver=${2:+$(cd "$2" && pwd)/host/latticedrift}
# shellcheck source=tests/e2e/e2e_lib.sh
. "$script_dir/../e2e/e2e_lib.sh"

saver=$build_dir/host/latticedrift
helper=$build_dir/tests/linux/x11_e2e_helper
for needed in "$saver" "$helper" ${asan_saver:+"$asan_saver"}; do
    if [ ! -x "$needed" ]; then
        echo "missing: $needed (build latticedrift and x11_e2e_helper first)" >&2
        exit 2
    fi
done
unset WINEPREFIX XSCREENSAVER_WINDOW
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$script_dir/../support/lsan.supp:print_suppressions=0}

passed=0
failed=0
pass() {
    echo "PASS $1"
    passed=$((passed + 1))
}
fail() {
    echo "FAIL $1: $2"
    failed=$((failed + 1))
}
expect_eq() {
    if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "expected '$2', got '$3'${4:+ ($4)}"; fi
}

daemon_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
cleanup() {
    [ -n "${home:-}" ] && "${daemon_user[@]}" env HOME="$home" xscreensaver-command -exit >/dev/null 2>&1
    for pid in $(jobs -p); do kill -KILL "$pid" 2>/dev/null; done
    e2e_cleanup
}
if ! e2e_start_xvfb; then
    echo "0 passed, 1 failed"
    exit 1
fi
trap cleanup EXIT
# The daemon's user must reach the packaged hack and its home under the scratch folder.
chmod 755 "$e2e_work"

# ended_within <pid> <tenths of a second>: true once the process is gone or a zombie.
ended_within() {
    local tenths=0 state
    while [ $tenths -le "$2" ]; do
        state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null)
        if [ -z "$state" ] || [ "$state" = Z ]; then return 0; fi
        sleep 0.1
        tenths=$((tenths + 1))
    done
    return 1
}

# start <tag> [arguments...]: latticedrift in the background, stderr to <tag>.err; sets pid and err.
start() {
    err=$e2e_work/$1.err
    shift
    "$saver" "$@" 2>"$err" &
    pid=$!
}

# finish <name> <tenths>: the running saver must end within the time, with 0 and nothing on stderr.
finish() {
    local code
    if ended_within "$pid" "$2"; then
        wait "$pid"
        code=$?
        if [ "$code" = 0 ] && [ ! -s "$err" ]; then pass "$1"; else
            fail "$1" "status $code, stderr: $(head -c 300 "$err")"; fi
    else
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        fail "$1" "still running after $(($2 / 10)).$(($2 % 10)) s"
    fi
}

# still_running <name>: the saver has not ended.
still_running() {
    if ended_within "$pid" 0; then fail "$1" "it ended: $(head -c 300 "$err")"; else pass "$1"; fi
}

# picture_problem <png> <width> <height>: prints nothing when the screenshot of a window shows the
# lattice (black bars at the top and bottom, a dark-blue band with near-white points between
# them), else what is missing.
picture_problem() {
    local bar top bottom band
    bar=$(($3 * 12 / 100))
    top=$(area_stats "$1" "${2}x${bar}+0+0")
    bottom=$(area_stats "$1" "${2}x${bar}+0+$(($3 - bar))")
    band=$(area_stats "$1" "${2}x$(($3 * 40 / 100))+0+$(($3 * 30 / 100))")
    set -- $band
    if [ "${top%% *}" != 0 ] || [ "${bottom%% *}" != 0 ] || [ "$2" -lt 50 ] || [ "$4" -lt 30 ]; then
        echo "brightest in the bars: ${top%% *}/${bottom%% *}; band: $2% dark blue, $4 whitish points"
    fi
}

check_picture() {
    local problem
    problem=$(picture_problem "$2" "$3" "$4")
    if [ -z "$problem" ]; then pass "$1"; else fail "$1" "$problem"; fi
}

# ---- The Debian package: files, run-time dependencies, and the settings file ----
deb_dir=$e2e_work/deb
pkg=$e2e_work/pkg
hack=$pkg/usr/libexec/xscreensaver/latticedrift
deb=""
if (cd "$build_dir" && cpack -G DEB -B "$deb_dir") >"$e2e_work/cpack.log" 2>&1; then
    deb=$(ls "$deb_dir"/latticedrift_*.deb 2>/dev/null | head -n1)
fi
if [ -n "$deb" ] && dpkg-deb -x "$deb" "$pkg"; then
    expect_eq "the package holds the hack, its settings file and its man page" \
        "./usr/libexec/xscreensaver/latticedrift ./usr/share/man/man6/latticedrift.6.gz ./usr/share/xscreensaver/config/latticedrift.xml" \
        "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | sort | tr '\n' ' ' | sed 's/ $//')"
    depends=$(dpkg-deb -f "$deb" Depends)
    missing=""
    for library in libc6 libx11-6 libglx0 libopengl0 libglu1-mesa libglut3.12 libstdc++6; do
        case ", $depends" in *", $library"*) ;; *) missing="$missing $library" ;; esac
    done
    expect_eq "the package depends on the libraries it runs on" "" "$missing" "Depends: $depends"
    xml=$pkg/usr/share/xscreensaver/config/latticedrift.xml
    expect_eq "the settings file runs --root and maps its slider to --delay" "2" \
        "$(grep -c -e '<command arg="--root"/>' -e 'arg="--delay %"' "$xml")"
else
    fail "cpack -G DEB makes a package" "$(tail -n 5 "$e2e_work/cpack.log")"
    mkdir -p "$(dirname "$hack")" && cp "$saver" "$hack"
fi
chmod -R go+rX "$pkg"

# ---- Command lines that end at once ----
display_number=${DISPLAY#:}
for case in "--bogus||2|unknown option '--bogus'" "-window-id 0x||2|--window-id" \
    "--delay 5ms||2|--delay" "-root extra||2|unexpected argument 'extra'" \
    "|0x60000G|2|XSCREENSAVER_WINDOW" "--window-id 0x1fffffff||1|no window 0x1fffffff" \
    "--display :$((display_number + 50))||1|cannot open display"; do
    IFS='|' read -r args env expected text <<<"$case"
    # shellcheck disable=SC2086
    XSCREENSAVER_WINDOW=$env timeout 20 "$saver" $args >/dev/null 2>"$e2e_work/quick.err"
    code=$?
    first=$(head -n1 "$e2e_work/quick.err")
    lines=$(wc -l <"$e2e_work/quick.err")
    if [ "$code" = "$expected" ] && [[ "$first" == "latticedrift: "*"$text"* ]] &&
        { [ "$expected" = 2 ] && grep -q '^Usage: latticedrift' "$e2e_work/quick.err" || [ "$lines" = 1 ]; }; then
        pass "'$args'${env:+ with XSCREENSAVER_WINDOW=$env} gives $expected and says why"
    else
        fail "'$args'${env:+ with XSCREENSAVER_WINDOW=$env} gives $expected and says why" "status $code: $first"
    fi
done

# A display without GLX.
Xvfb -displayfd 3 -screen 0 320x240x24 -nolisten tcp -extension GLX 3>"$e2e_work/plain-display" >/dev/null 2>&1 &
plain_xvfb=$!
for _ in $(seq 50); do [ -s "$e2e_work/plain-display" ] && break; sleep 0.1; done
timeout 20 "$saver" --display ":$(head -n1 "$e2e_work/plain-display")" 2>"$e2e_work/quick.err"
code=$?
expect_eq "a display without GLX gives 1 and one line" "1 1 yes" \
    "$code $(wc -l <"$e2e_work/quick.err") $(grep -q GLX "$e2e_work/quick.err" && echo yes)" \
    "$(cat "$e2e_work/quick.err")"
kill "$plain_xvfb"
wait "$plain_xvfb" 2>/dev/null

# ---- A window of its own: titled, 800x600, closed as a window manager closes it, Escape, q ----
for case in "close|closed through WM_DELETE_WINDOW" "key Escape|Escape" "key space key q|a space leaves it; q"; do
    IFS='|' read -r action what <<<"$case"
    start window
    if id=$(wait_window '^Lattice Drift$' 15); then
        size=$(xwininfo -id "$id" | awk '/Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h }')
        [ "$action" = close ] && expect_eq "a window run makes an 800x600 window titled 'Lattice Drift'" 800x600 "$size"
        xdotool mousemove 400 300
        sleep 0.5
        if [ "$action" = close ]; then
            "$helper" close "$id"
        else
            # shellcheck disable=SC2086
            xdotool $action
        fi
        finish "a window run ends with 0: $what" 20
    else
        kill -KILL "$pid" 2>/dev/null
        fail "a window run shows 'Lattice Drift'" "no window within 15 s; $(head -c 300 "$err")"
    fi
done

# ---- Full screen: covers the screen; 4 pixels of travel and the wheel are not enough ----
start full --fullscreen
if id=$(wait_window '^Lattice Drift$' 15); then
    sleep 1.5
    expect_eq "--fullscreen covers the screen" "1024x768+0+0" \
        "$(xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
            /Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h "+" x "+" y }')"
    import -window root "$e2e_work/full.png"
    check_picture "--fullscreen shows the lattice" "$e2e_work/full.png" 1024 768
    eval "$(xdotool getmouselocation --shell)"
    for step in "1 0" "2 0" "3 0" "3 1"; do
        set -- $step
        xdotool mousemove $((X + $1)) $((Y + $2))
        sleep 0.2
    done
    xdotool click 4 click 5
    sleep 1
    still_running "--fullscreen: 4 pixels of travel and wheel turns leave it running"
    xdotool mousemove $((X + 3)) $((Y + 2))
    finish "--fullscreen: a fifth pixel ends it with 0" 20
else
    kill -KILL "$pid" 2>/dev/null
    fail "--fullscreen shows its window" "no window within 15 s; $(head -c 300 "$err")"
fi

for case in "key space|a key" "click 1|a left click" "click 3|a right click" "focus|a loss of focus"; do
    IFS='|' read -r action what <<<"$case"
    "$helper" window 64x64 30 >"$e2e_work/other.out" &
    other=$!
    start full --fullscreen
    if wait_window '^Lattice Drift$' 15 >/dev/null; then
        sleep 1
        if [ "$action" = focus ]; then
            xdotool windowfocus "$(wait_field "$e2e_work/other.out" window 5)"
        else
            # shellcheck disable=SC2086
            xdotool $action
        fi
        finish "--fullscreen: $what ends it with 0" 20
    else
        kill -KILL "$pid" 2>/dev/null
        fail "--fullscreen shows its window" "no window within 15 s; $(head -c 300 "$err")"
    fi
    kill "$other" 2>/dev/null
    wait "$other" 2>/dev/null
done

# ---- --window-id: the helper's window, resized, then destroyed ----
"$helper" window 320x240 5 >"$e2e_work/target.out" &
target_helper=$!
target=$(wait_field "$e2e_work/target.out" window 10)
start window-id --window-id "$target"
sleep 1.5
xdotool windowsize "$target" 640 480
sleep 1.5
import -window "$target" "$e2e_work/target.png"
check_picture "--window-id draws the lattice and follows a resize to 640x480" "$e2e_work/target.png" 640 480
wait "$target_helper"
finish "--window-id: the window's destruction ends it with 0 within 1 s, quietly" 10

# ---- Signals: the handler's flag cuts even a 10 s frame delay short ----
"$helper" window 64x64 30 >"$e2e_work/other.out" &
other=$!
other_window=$(wait_field "$e2e_work/other.out" window 10)
for case in "TERM|--root --delay 10000000|" "INT|--delay 10000000|$other_window"; do
    IFS='|' read -r signal args env <<<"$case"
    err=$e2e_work/signal.err
    # shellcheck disable=SC2086
    XSCREENSAVER_WINDOW=$env "$saver" $args 2>"$err" &
    pid=$!
    sleep 1.5
    kill -s "$signal" "$pid"
    finish "SIG$signal ends '$args'${env:+ (XSCREENSAVER_WINDOW alone)} with 0 within 1 s" 10
done
kill "$other" 2>/dev/null
wait "$other" 2>/dev/null

# ---- The sanitizer build: a window run and a destroyed window, with nothing reported ----
if [ -n "$asan_saver" ]; then
    saver_built=$saver
    saver=$asan_saver
    start asan-window --fps
    sleep 4
    kill -TERM "$pid"
    # Only the --fps figures may be on stderr.
    sed -i '/^latticedrift: [0-9]* frames in/d' "$err"
    finish "sanitizer build: a window run with --fps ends on SIGTERM, clean" 50
    "$helper" window 200x150 4 >"$e2e_work/target.out" &
    target_helper=$!
    start asan-window-id --window-id "$(wait_field "$e2e_work/target.out" window 10)"
    wait "$target_helper"
    finish "sanitizer build: a destroyed window ends the run, clean" 50
    saver=$saver_built
fi

# ---- The daemon: 20 activations of the packaged hack ----
# Without fades the hack starts at once. The daemon destroys its window within moments of the
# deactivation's SIGTERM, so the checks above, through a long frame delay, are the ones that show
# the signal itself ending the run.
home=$e2e_work/home
mkdir -p "$home"
cat >"$home/.xscreensaver" <<EOF
mode: one
selected: 0
lock: False
splash: False
fade: False
programs: GL: "Lattice Drift" $hack -root \\n
EOF
chown -R 65534:65534 "$home"
as_daemon_user=("${daemon_user[@]}" env HOME="$home" DISPLAY="$DISPLAY")
daemon_log=$e2e_work/daemon.log
reaped=$e2e_work/reaped.log
"$helper" reap "$reaped" "${as_daemon_user[@]}" xscreensaver --no-splash --verbose >"$daemon_log" 2>&1 &
for _ in $(seq 100); do
    "${as_daemon_user[@]}" xscreensaver-command -time >/dev/null 2>&1 && break
    sleep 0.1
done

# status_of <pid>: the exit status of a hack the daemon stopped, from the daemon's log if it
# collected the hack itself, else from the reaper's; empty until one of them has it.
status_of() {
    sed -n "s/^pid=$1 status=\\([0-9]*\\)$/\\1/p" "$reaped"
    grep -a "child pid $1 " "$daemon_log" | sed -n 's/.* with status \([0-9]*\).*/\1/p'
}

cycles=20
pictures=0
exits=0
clean=0
problems=()
for cycle in $(seq "$cycles"); do
    "${as_daemon_user[@]}" xscreensaver-command -activate >/dev/null 2>&1
    pid=""
    for _ in $(seq 150); do
        pid=$(grep -a "forked \"$hack" "$daemon_log" | sed -n "${cycle}s/.* in pid \\([0-9]*\\) .*/\\1/p")
        [ -n "$pid" ] && break
        sleep 0.1
    done
    if [ -z "$pid" ]; then
        problems+=("cycle $cycle: the daemon started no hack within 15 s")
        break
    fi
    sleep 1.5
    window=$(tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | sed -n 's/^XSCREENSAVER_WINDOW=//p')
    if [ "$cycle" = 1 ]; then
        expect_eq "the daemon starts the hack as its user, niced, with --root and its window" \
            "65534 10 $hack --root 0x" \
            "$(ps -o uid= -o ni= -p "$pid" | xargs) $(tr '\0' ' ' <"/proc/$pid/cmdline" | sed 's/ $//') ${window:0:2}"
    fi
    import -window "${window:-root}" "$e2e_work/daemon.png" 2>/dev/null
    problem=$(picture_problem "$e2e_work/daemon.png" 1024 768)
    if [ -z "$problem" ]; then pictures=$((pictures + 1)); else problems+=("cycle $cycle: $problem"); fi

    started=$(date +%s%N)
    "${as_daemon_user[@]}" xscreensaver-command -deactivate >/dev/null 2>&1
    if ended_within "$pid" 10; then
        ms=$((($(date +%s%N) - started) / 1000000))
        status=""
        for _ in $(seq 100); do
            status=$(status_of "$pid" | head -n1)
            [ -n "$status" ] && break
            sleep 0.1
        done
        if [ "$status" = 0 ]; then exits=$((exits + 1)); else
            problems+=("cycle $cycle: ended after $ms ms with status '${status:-unknown}'"); fi
    else
        problems+=("cycle $cycle: still running 1 s after the deactivation")
    fi
    # Before the next activation, the daemon's display helper has gone and so has every process of ours.
    for _ in $(seq 100); do
        [ "$(grep -a -c 'xscreensaver-gfx exited' "$daemon_log")" -ge "$cycle" ] && break
        sleep 0.1
    done
    if pgrep -f "^$hack" >/dev/null; then
        problems+=("cycle $cycle: left $(pgrep -f "^$hack" | tr '\n' ' ')")
    else
        clean=$((clean + 1))
    fi
done
for problem in "${problems[@]}"; do echo "info: $problem"; done
expect_eq "daemon: each activation shows the lattice in the daemon's window" "$cycles" "$pictures"
expect_eq "daemon: each deactivation ends the hack with 0 within 1 s" "$cycles" "$exits"
expect_eq "daemon: no process of ours is left after a deactivation" "$cycles" "$clean"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
