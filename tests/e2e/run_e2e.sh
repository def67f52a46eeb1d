#!/usr/bin/env bash
# End-to-end checks of the Windows saver: runs the cross-built .scr under Wine on a private Xvfb
# screen, drives it with real X input and checks exit codes, windows, pixels, the 9x services, the
# seed of two runs, and 50 starts and closes in a row of /s and of /p.
# Usage: tests/e2e/run_e2e.sh <windows-build-dir>   (with latticedrift_scr, latticedrift_fault,
# latticedrift_stats and e2e_helpers built there; E2E_REPEAT_RUNS sets the number of repeated runs).
# Prints one PASS/FAIL line per check and "N passed, N failed" last.
set -u

script_dir=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:?usage: run_e2e.sh <windows-build-dir>}" && pwd) || exit 2
helper_dir=$build_dir/e2e
# shellcheck source=tests/e2e/e2e_lib.sh
. "$script_dir/e2e_lib.sh"

saver_name="Lattice Drift.scr"
nine_name="Lattice Drift 98.scr"
for needed in "$build_dir/bin/$saver_name" "$build_dir/bin/latticedrift-fault.scr" \
    "$build_dir/bin/latticedrift-stats.scr" \
    "$helper_dir/e2e_launch.exe" "$helper_dir/e2e_preview_parent.exe" "$helper_dir/e2e_query.exe" \
    "$helper_dir/MPR.DLL" "$helper_dir/PASSWORD.CPL"; do
    if [ ! -f "$needed" ]; then
        echo "missing: $needed (build latticedrift_scr, latticedrift_fault, latticedrift_stats and e2e_helpers first)" >&2
        exit 2
    fi
done

passed=0
failed=0
started_at=$(date +%s)

pass() {
    echo "PASS $1"
    passed=$((passed + 1))
}

# A failed check may leave a saver behind; end every Wine process so the next check starts clean.
fail() {
    echo "FAIL $1: $2"
    failed=$((failed + 1))
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
}

expect_eq() {
    if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "expected '$2', got '$3'${4:+ ($4)}"; fi
}

# The saver has not ended: no exit reported and its window still there.
still_running() {
    [ -z "$(field "$1" exit)" ] && [ "$(saver_windows)" -ge 1 ]
}

# start_saver <tag> <program> <args>: starts a full-screen saver and waits for its window;
# sets `out` to the launcher's output file, and pointer_x/pointer_y to where the pointer rests
# once the window exists (the reference for mouse travel).
start_saver() {
    out=$e2e_work/$1.out
    launch_bg "$out" "$2" "$3" 40
    if ! wait_window '^Screen Saver$' 20 --onlyvisible >/dev/null; then
        return 1
    fi
    sleep 1
    eval "$(xdotool getmouselocation --shell)"
    pointer_x=$X
    pointer_y=$Y
}

# finish <name> <expected exit> [detail]: waits for the running saver's exit and checks it,
# together with its window being gone.
finish() {
    local code
    code=$(wait_field "$out" exit 20)
    if [ "$code" = "$2" ] && [ "$(saver_windows)" -eq 0 ]; then
        pass "$1"
    else
        fail "$1" "exit $code, expected $2; windows left: $(saver_windows)${3:+; $3}"
    fi
}

# exit_of <program> <args>: runs a program that should end by itself; prints its exit code
# ("timeout" if it had to be killed). Variables set before the call reach the program.
exit_of() {
    local run_out=$e2e_work/quick.out
    launch_bg "$run_out" "$1" "$2" 20
    wait $!
    field "$run_out" exit
}

# run_parent <tag> <program> <args> <hold-ms> [poke]: a preview parent window in the background
# whose handle the args may name as {hwnd}; sets `out`.
run_parent() {
    out=$e2e_work/$1.out
    E2E_PROGRAM=$(winpath "$2") E2E_ARGS=$3 E2E_HOLD_MS=$4 E2E_POKE=${5:-0} \
        background "$out" wine "$helper_dir/e2e_preview_parent.exe" 2>/dev/null
}

# parent_run <tag> <program> <args> <hold-ms>: the same, in the foreground to its end (at most
# 60 s). A helper that printed nothing never made its window: Wine failed to start it, as seen on a
# busy machine. It is run again, once, and said.
parent_run() {
    local try status
    out=$e2e_work/$1.out
    for try in 1 2; do
        E2E_PROGRAM=$(winpath "$2") E2E_ARGS=$3 E2E_HOLD_MS=$4 \
            timeout 60 wine "$helper_dir/e2e_preview_parent.exe" >"$out" 2>"$e2e_work/$1.err"
        status=$?
        [ -s "$out" ] && return
        echo "info: $1, try $try: the preview parent printed nothing (status $status): $(head -c 200 "$e2e_work/$1.err" | tr '\n' ' ')"
    done
}

set_record() {
    record=$e2e_work/$1.record
    : >"$record"
    E2E_RECORD_FILE=$(winpath "$record")
    export E2E_RECORD_FILE
}

# The saver's picture: black bars at the top and bottom (each starts near 22.5% of the height and
# shrinks slowly), a dark-blue band between them with lattice points, and motion.
check_picture() {
    local top bottom band changed
    top=$(area_stats "$1" 1024x120+0+0)
    bottom=$(area_stats "$1" 1024x120+0+648)
    band=$(area_stats "$1" 1024x360+0+204)
    if [ "${top%% *}" -eq 0 ] && [ "${bottom%% *}" -eq 0 ]; then
        pass "black bars at the top and bottom"
    else
        fail "black bars at the top and bottom" "brightest channel: top ${top%% *}, bottom ${bottom%% *}"
    fi
    set -- "$1" "$2" $band
    if [ "$4" -ge 50 ]; then pass "a dark-blue band between the bars"; else
        fail "a dark-blue band between the bars" "$4% of the band is dark blue"; fi
    if [ "$5" -ge 50 ]; then pass "lattice points in the band"; else
        fail "lattice points in the band" "$5 bright pixels"; fi
    changed=$(compare -metric AE "$1" "$2" null: 2>&1)
    if [ "${changed%%[^0-9]*}" -gt 100 ]; then pass "the picture moves"; else
        fail "the picture moves" "$changed pixels changed in 0.5 s"; fi
}

if ! e2e_start; then
    echo "0 passed, 1 failed"
    exit 1
fi
echo "info: display $DISPLAY, prefix ready after $(($(date +%s) - started_at)) s"

# Two copies of the saver, each with the test modules beside it; only the second is told by Wine
# that it runs on the 9x platform family (the setting goes by file name).
plain_dir=$e2e_work/plain
nine_dir=$e2e_work/nine
mkdir -p "$plain_dir" "$nine_dir"
cp "$build_dir/bin/$saver_name" "$plain_dir/$saver_name"
cp "$build_dir/bin/$saver_name" "$nine_dir/$nine_name"
for dir in "$plain_dir" "$nine_dir"; do
    cp "$helper_dir/MPR.DLL" "$helper_dir/PASSWORD.CPL" "$dir/"
    cp "$build_dir"/bin/*.dll "$dir/" 2>/dev/null
done
plain=$plain_dir/$saver_name
nine=$nine_dir/$nine_name
timeout 30 wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$nine_name" /v Version /d win98 /f >/dev/null 2>&1
# The password setting is on throughout; off the 9x platform it must never be consulted.
timeout 30 wine reg add 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /t REG_DWORD /d 1 /f >/dev/null 2>&1
answer_file=$e2e_work/password-answer
echo 0 >"$answer_file"
E2E_PASSWORD_ANSWER_FILE=$(winpath "$answer_file")
export E2E_PASSWORD_ANSWER_FILE
set_record plain

# ---- Arguments that end at once ----
tab=$'\t'
expect_eq "unknown letter /x gives -1" -1 "$(exit_of "$plain" "/x")"
expect_eq "a tab before the letter gives -1" -1 "$(exit_of "$plain" "/${tab}s")"
expect_eq "/p with no handle gives -1" -1 "$(exit_of "$plain" "/p")"
expect_eq "/p 1234 (no such window) gives -1" -1 "$(exit_of "$plain" "/p 1234")"
expect_eq "/a off the 9x family gives -1" -1 "$(WINEDLLOVERRIDES=mpr=n,b exit_of "$plain" "/a")"
if [ -s "$record" ]; then
    fail "/a off the 9x family loads nothing" "$(cat "$record")"
else
    pass "/a off the 9x family loads nothing"
fi
if [ "$(saver_windows)" -eq 0 ]; then pass "no window from the quick arguments"; else
    fail "no window from the quick arguments" "$(saver_windows) saver windows"; fi

# ---- Full-screen: identity, picture, mouse tolerance ----
if start_saver s-identity "$plain" "/s"; then
    query=$e2e_work/query.out
    timeout 20 wine "$helper_dir/e2e_query.exe" saver >"$query" 2>/dev/null
    expect_eq "/s makes exactly one saver window" "1 1" \
        "$(saver_windows) $(field "$query" saver_windows)"
    expect_eq "/s window: class, title, topmost popup, foreground" "Screen Saver 1 1 1 0 1" \
        "$(field "$query" title) $(field "$query" topmost) $(field "$query" popup) \
$(field "$query" visible) $(field "$query" child) $(field "$query" foreground)"
    expect_eq "/s window covers the screen" "0,0,1024,768 1024x768" \
        "$(field "$query" rect) $(field "$query" screen)"
    geometry=$(xwininfo -id "$(xdotool search --name '^Screen Saver$' | head -n1)" |
        awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width:/{w=$NF} /Height:/{h=$NF}
             END{print w "x" h "+" x "+" y}')
    expect_eq "/s X window is 1024x768 at the origin" "1024x768+0+0" "$geometry"

    # Two pictures half a second apart, looked at once the saver has ended.
    shot=$helper_dir/saver-screen.png
    import -window root "$shot"
    sleep 0.5
    import -window root "$e2e_work/later.png"

    # Travel is x plus y distance from where the pointer was when the window appeared, however
    # many small moves it takes; a sum of 4 is tolerated, as are wheel turns.
    for step in "1 0" "2 0" "3 0" "3 1"; do
        set -- $step
        xdotool mousemove $((pointer_x + $1)) $((pointer_y + $2))
        sleep 0.2
    done
    xdotool click 4 click 5
    sleep 2
    if still_running "$out"; then pass "4 pixels of travel and wheel turns do not end it"; else
        fail "4 pixels of travel and wheel turns do not end it" "exit $(field "$out" exit)"; fi
    xdotool mousemove $((pointer_x + 3)) $((pointer_y + 2))
    finish "5 pixels of travel end it with 0" 0
    check_picture "$shot" "$e2e_work/later.png"
else
    fail "/s shows its window" "no 'Screen Saver' window within 20 s"
fi

# ---- Full-screen: a second start, and each kind of input ----
if start_saver s-second "$plain" "/s"; then
    first_out=$out
    second_out=$e2e_work/s-second-2.out
    launch_bg "$second_out" "$plain" "/s" 20
    second_code=$(wait_field "$second_out" exit 10)
    second_ms=$(field "$second_out" elapsed_ms)
    if [ "$second_code" = 0 ] && [ "${second_ms:-99999}" -lt 3000 ]; then
        pass "a second /s exits 0 at once"
    else
        fail "a second /s exits 0 at once" "exit $second_code after ${second_ms:-?} ms"
    fi
    timeout 20 wine "$helper_dir/e2e_query.exe" saver >"$e2e_work/query.out" 2>/dev/null
    if still_running "$first_out" && [ "$(field "$e2e_work/query.out" saver_windows)" = 1 ] &&
        [ "$(field "$e2e_work/query.out" foreground)" = 1 ]; then
        pass "the first saver stays, alone and in front"
    else
        fail "the first saver stays, alone and in front" \
            "$(tr -d '\r' <"$e2e_work/query.out" | tr '\n' ' ')"
    fi
    out=$first_out
    xdotool key space
    finish "a key press ends it with 0" 0
else
    fail "/s shows its window (second start)" "no window"
fi

# Each spelling of the full-screen letter, ended by a different input.
for case in "/S|key Escape|a key press" "-s|click 1|a left click" "/save|click 3|a right click" \
    " -/s|mousemove_relative 40 0|a long pointer move"; do
    IFS='|' read -r args action what <<<"$case"
    if start_saver "s-variant" "$plain" "$args"; then
        # shellcheck disable=SC2086
        xdotool $action
        finish "'$args' runs full-screen; $what ends it with 0" 0
    else
        fail "'$args' runs full-screen" "no window"
    fi
done

# ---- Preview: a child of the given window that ignores input and ends with its parent ----
# word <text> <key>: the value of a key=value word in a line of several.
word() {
    printf '%s\n' "$1" | tr ' ' '\n' | sed -n "s/^$2=//p" | head -n1
}

# The parent goes 4 s after the preview has turned visible (its creation can take seconds on a
# busy machine), or after 30 s without one.
E2E_CHILD_HOLD_MS=4000 run_parent p-main "$plain" "/p {hwnd}" 30000 1
child_line=$(wait_field "$out" child 15)
if [ "$child_line" != none ]; then
    # Real input over the preview as well as the posted messages of the parent program.
    xdotool mousemove 200 180 sleep 0.2 mousemove 260 240 click 1 key space
fi
code=$(wait_field "$out" exit 30)
expect_eq "/p <hwnd>: a visible child titled Preview filling the parent" \
    "Preview 1 1 $(word "$child_line" parent_client)" \
    "$(word "$child_line" title) $(word "$child_line" child_style) $(word "$child_line" visible) \
$(word "$child_line" size)" "$child_line"
expect_eq "/p <hwnd> ignores input and ends with 0 when its parent goes" "1 1 0" \
    "$(field "$out" poked) $(field "$out" alive_at_destroy) $code"

for case in "/p{hwnd}|a handle right after the letter" "/L {hwnd_wrapped}|/L and a handle past 32 bits"; do
    IFS='|' read -r args what <<<"$case"
    E2E_CHILD_HOLD_MS=1000 parent_run p-variant "$plain" "$args" 30000
    code=$(field "$out" exit)
    child_line=$(field "$out" child)
    expect_eq "preview with $what runs and ends with 0" "Preview 1 0" \
        "$(word "$child_line" title) $(field "$out" alive_at_destroy) $code"
done
parent_run p-colon "$plain" "/p:{hwnd}" 3000
expect_eq "/p:<hwnd> gives -1 (a colon is no digit)" "none -1" "$(field "$out" child) $(field "$out" exit)"

# ---- Configure: the dialog's OK gives 1, Cancel 0 ----
# wait_dialog: waits for the configuration dialog; leaves its description in the file `dialog`
# and the pointer over it (with no window manager, keys go to the window under the pointer).
wait_dialog() {
    dialog=$e2e_work/dialog.out
    local tenths=0
    while [ $tenths -lt 100 ]; do
        if timeout 20 wine "$helper_dir/e2e_query.exe" dialog >"$dialog" 2>/dev/null; then
            # shellcheck disable=SC2046
            xdotool mousemove $(field "$dialog" center)
            sleep 0.3
            return 0
        fi
        sleep 0.3
        tenths=$((tenths + 4))
    done
    return 1
}

for case in "|Return|1|0|no argument" "/c|Escape|0||/c" "/c:1234|Return|1||/c:1234 (no such window)"; do
    IFS='|' read -r args key expected owner what <<<"$case"
    out=$e2e_work/config.out
    launch_bg "$out" "$plain" "$args" 30
    if wait_dialog; then
        if [ -n "$owner" ] && [ "$(field "$dialog" owner)" != "$owner" ]; then
            fail "$what: dialog owner" "owner $(field "$dialog" owner), expected $owner"
        fi
        xdotool key "$key"
        expect_eq "$what shows the dialog; $key gives $expected" "$expected" "$(wait_field "$out" exit 15)"
    else
        fail "$what shows the dialog" "no dialog; exit $(field "$out" exit)"
    fi
done

# /c:<hwnd> of a real window: the dialog is owned by it.
run_parent c-owner "$plain" "/c:{hwnd}" 20000
parent=$(wait_field "$out" parent 10)
if wait_dialog; then
    expect_eq "/c:<hwnd> dialog is owned by that window" "$parent" "$(field "$dialog" owner)"
    xdotool key Return
    expect_eq "/c:<hwnd> OK gives 1" 1 "$(wait_field "$out" exit 20)"
else
    fail "/c:<hwnd> shows the dialog" "no dialog; exit $(field "$out" exit)"
fi

# ---- Off the 9x family the password setting and the test modules were never touched ----
if grep -q . "$e2e_work/plain.record"; then
    fail "off the 9x family no password service is called" "$(cat "$e2e_work/plain.record")"
else
    pass "off the 9x family no password service is called"
fi

# ---- 9x family: change password through MPR.DLL ----
set_record nine-a
expect_eq "/a on the 9x family gives 0" 0 "$(WINEDLLOVERRIDES=mpr=n,b exit_of "$nine" "/a")"
expect_eq "/a calls PwdChangePasswordA of the test MPR.DLL" \
    "provider=SCRSAVE flags=0 reserved=0 test_module=1" \
    "$(grep -o 'provider=[^ ]*\|flags=[^ ]*\|reserved=[^ ]*\|test_module=[^ ]*' "$record" | tr '\n' ' ' | sed 's/ $//')" \
    "$(cat "$record")"
set_record nine-a-owner
WINEDLLOVERRIDES=mpr=n,b run_parent a-owner "$nine" "/a {hwnd}" 15000
code=$(wait_field "$out" exit 25)
expect_eq "/a <hwnd> passes that window as the owner" "0 owner=$(field "$out" parent)" \
    "$code $(grep -o 'owner=[0-9]*' "$record")"
set_record nine-a-builtin
expect_eq "/a with Wine's own MPR.DLL still gives 0" 0 "$(exit_of "$nine" "/a")"

# ---- 9x family: the password verifier decides whether input closes the saver ----
set_record nine-password
echo 0 >"$answer_file"
if start_saver nine-password "$nine" "/s"; then
    xdotool mousemove $((pointer_x + 20)) $((pointer_y + 20))
    sleep 2
    calls=$(grep -c VerifyScreenSavePwd "$record")
    if still_running "$out" && [ "$calls" -ge 1 ] && ! grep -q 'answer=1' "$record" &&
        [ "$(grep -c 'class=WindowsScreenSaverClass' "$record")" = "$calls" ]; then
        pass "a refused password keeps the saver running"
    else
        fail "a refused password keeps the saver running" "exit $(field "$out" exit); $(tr '\n' ';' <"$record")"
    fi
    echo 1 >"$answer_file"
    xdotool mousemove $((pointer_x + 40)) $((pointer_y + 40))
    finish "an accepted password ends it with 0" 0 "$(tr '\n' ';' <"$record")"
    expect_eq "the verifier was asked again" 1 "$(tail -n1 "$record" | grep -c 'answer=1')"
else
    fail "9x /s shows its window" "no window"
fi

timeout 30 wine reg add 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /t REG_DWORD /d 0 /f >/dev/null 2>&1
set_record nine-no-password
if start_saver nine-no-password "$nine" "/s"; then
    xdotool key space
    finish "9x without a password: a key ends it with 0" 0
    if grep -q . "$record"; then fail "9x without a password: no verifier call" "$(cat "$record")"; else
        pass "9x without a password: no verifier call"; fi
else
    fail "9x /s without a password shows its window" "no window"
fi

# ---- The fault guard: a fault inside /s ends the process without hanging ----
# The host ends with the fault's code (0xC0000005, an access violation, for the test build).
out=$e2e_work/fault.out
launch_bg "$out" "$build_dir/bin/latticedrift-fault.scr" "/s" 30
code=$(wait_field "$out" exit 35)
sleep 1
if [ "$code" = -1073741819 ] && [ "$(saver_windows)" -eq 0 ]; then
    pass "a fault in /s ends through the guard with the fault's code"
else
    fail "a fault in /s ends through the guard with the fault's code" \
        "exit $code (expected -1073741819); windows left: $(saver_windows)"
fi

# From here on Wine manages no window. Without a window manager it waits up to 2 s for a managed
# window's X window to be withdrawn whenever one is hidden (the saver's window as it closes, a
# preview's parent as it is destroyed); unmanaged windows go at once, as windows do on Windows.
timeout 30 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

# ---- A different seed on each run: the start-up's clock reading is not the same twice ----
# The stats build writes the start-up's clock reading and seed when its window goes.
stats_file=$e2e_work/stats.txt
seeds=""
for run in 1 2; do
    out=$e2e_work/stats-$run.out
    LATTICEDRIFT_STATS_FILE=$(winpath "$stats_file") launch_bg "$out" "$build_dir/bin/latticedrift-stats.scr" "/s" 40
    launched=$!
    if wait_window '^Screen Saver$' 20 --onlyvisible >/dev/null; then
        close_by_key "$out"
    fi
    wait "$launched"
done
seeds=$(tr -d '\r' <"$stats_file" 2>/dev/null | sed -n 's/.*\(start_ms=[-0-9]* seed=[0-9]*\).*/\1/p' | tr '\n' ' ')
set -- $seeds
if [ $# -eq 4 ] && [ "$2" != "$4" ] && [ "$1" != "$3" ]; then
    pass "two runs start from different clock readings and seeds"
    echo "info: $seeds"
else
    fail "two runs start from different clock readings and seeds" "stats: '$seeds'"
fi

# ---- Repeated start and close: every run ends with 0 and leaves nothing behind ----
runs=${E2E_REPEAT_RUNS:-50}
plain_windows_path=$(winpath "$plain")
# Live processes of the copied saver (a process that has ended but is not reaped yet is no saver).
saver_processes() {
    ps -eo stat=,args= | SAVER="$plain_windows_path" awk '$1 !~ /^Z/ && index($0, ENVIRON["SAVER"]) { n++ }
                                                           END { print n + 0 }'
}
# Wine reports a process's end (its exit code, its signalled handle) before the Unix process has
# gone: Mesa's exit-time teardown (joining its rasteriser and disk-cache threads) may still run,
# and on a busy machine it was seen in `ps` 80-170 ms after the exit. Waits up to 10 s for it to
# go; sets `procs_left`, and counts the runs that had to wait and the longest wait.
late_exits=0
late_max_ms=0
wait_saver_gone() {
    local tenths=0 started_ns waited_ms
    procs_left=$(saver_processes)
    [ "$procs_left" -eq 0 ] && return
    started_ns=$(date +%s%N)
    while [ "$procs_left" -ne 0 ] && [ $tenths -lt 100 ]; do
        sleep 0.1
        tenths=$((tenths + 1))
        procs_left=$(saver_processes)
    done
    waited_ms=$((($(date +%s%N) - started_ns) / 1000000))
    late_exits=$((late_exits + 1))
    [ $waited_ms -gt $late_max_ms ] && late_max_ms=$waited_ms
}
loop_started=$(date +%s)
bad=""
all_presses=0
for run in $(seq "$runs"); do
    out=$e2e_work/repeat-s.out
    launch_bg "$out" "$plain" "/s" 40
    launched=$!
    code="no window"
    presses=0
    if wait_window '^Screen Saver$' 20 --onlyvisible >/dev/null; then
        close_by_key "$out"
    fi
    wait "$launched"
    all_presses=$((all_presses + presses))
    wait_saver_gone
    left="$(saver_windows) $procs_left"
    if [ "$code" != 0 ] || [ "$left" != "0 0" ]; then
        bad="$bad run $run: exit $code, windows and processes left $left, key presses $presses;"
    fi
done
loop_s=$(($(date +%s) - loop_started))
if [ -z "$bad" ]; then
    pass "$runs runs of /s closed by a key: each exits 0 and leaves no window or process"
else
    fail "$runs runs of /s closed by a key: each exits 0 and leaves no window or process" "$bad"
fi
echo "info: $runs runs of /s took $loop_s s, with $all_presses key presses"

loop_started=$(date +%s)
bad=""
for run in $(seq "$runs"); do
    E2E_CHILD_HOLD_MS=300 parent_run "repeat-p-$run" "$plain" "/p {hwnd}" 20000
    result="$(word "$(field "$out" child)" title) $(field "$out" alive_at_destroy) $(field "$out" exit)"
    wait_saver_gone
    left="$(xdotool search --name '^Preview$' 2>/dev/null | wc -l) $procs_left"
    if [ "$result" != "Preview 1 0" ] || [ "$left" != "0 0" ]; then
        bad="$bad run $run: child, alive and exit '$result', windows and processes left $left;"
    fi
done
loop_s=$(($(date +%s) - loop_started))
if [ -z "$bad" ]; then
    pass "$runs runs of /p ended by destroying the parent: each exits 0 and leaves no window or process"
else
    fail "$runs runs of /p ended by destroying the parent: each exits 0 and leaves no window or process" "$bad"
fi
echo "info: $runs runs of /p took $loop_s s"
echo "info: $late_exits of $((runs * 2)) saver processes were still in ps after their exit (longest $late_max_ms ms)"

# Once the last program has gone, the Wine server of this prefix ends too: nothing of ours is left.
timeout 60 wineserver -w
left=""
for proc in /proc/[0-9]*; do
    if { tr '\0' '\n' <"$proc/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
        readlink "$proc/exe" | grep -q wine; } 2>/dev/null; then
        left="$left $(tr '\0' ' ' <"$proc/cmdline" 2>/dev/null);"
    fi
done
if [ -z "$left" ] && [ "$(xdotool search --name '^(Screen Saver|Preview)$' 2>/dev/null | wc -l)" -eq 0 ]; then
    pass "afterwards no Wine process, Wine server or saver window of ours is left"
else
    fail "afterwards no Wine process, Wine server or saver window of ours is left" "${left:-a saver window}"
fi

echo "info: run took $(($(date +%s) - started_at)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
