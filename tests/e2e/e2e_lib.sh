# Shared shell pieces of the end-to-end scripts: a private Xvfb screen, a throwaway Wine prefix,
# starting Windows programs through the exact-command-line launcher and waiting on them, closing
# the full-screen saver by a key, what a Windows executable says it is, and the statistics of an area
# of a screenshot. Sourced by
# run_e2e.sh, run_win32_installer.sh, measure_wine_fps.sh, the release checks and the Linux host's
# run_x11_e2e.sh; the Wine pieces expect build_dir and helper_dir to be set.

e2e_work=""
xvfb_pid=""

# Ends every Wine process of our prefix, stops our Xvfb and removes the scratch folder.
e2e_cleanup() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    [ -n "$e2e_work" ] && rm -rf "$e2e_work"
}

# Starts Xvfb at 1024x768x24 on a display it picks itself (no window manager) and exports DISPLAY;
# everything lives under one scratch folder that e2e_cleanup removes. The server does not reset
# when its last client leaves: a client that connects during a reset is refused.
e2e_start_xvfb() {
    e2e_work=$(mktemp -d /tmp/ld-e2e.XXXXXX)
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$e2e_work/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    local tries=0
    until [ -s "$e2e_work/display" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
            echo "Xvfb did not start" >&2
            return 1
        fi
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$e2e_work/display")"
}

# The private Xvfb screen and a fresh Wine prefix.
e2e_start() {
    e2e_start_xvfb || return 1
    export WINEPREFIX="$e2e_work/prefix"
    export WINEDEBUG=-all
    unset WINEDLLOVERRIDES
    # Mono and Gecko are not wanted (and their installers would wait for a person).
    if ! WINEDLLOVERRIDES="mscoree=;mshtml=" timeout 120 wineboot -i >/dev/null 2>&1; then
        echo "wineboot failed" >&2
        return 1
    fi
    # The debugger that Wine starts for an unhandled fault is one that ends at once without
    # attaching (its own would hold the program behind a crash dialog until a person closes it),
    # so the last-chance filter lets the program's own handler run, as on a system with none.
    timeout 30 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
        /d 'C:\windows\system32\cmd.exe /c exit %ld %ld' /f >/dev/null 2>&1
    timeout 60 wineserver -w
    cd "$e2e_work" || return 1
}

# poll <tenths of a second> <command...>: true as soon as the command succeeds, false after that long.
poll() {
    local tenths=$1
    shift
    until "$@"; do
        [ $((tenths -= 1)) -ge 0 ] || return 1
        sleep 0.1
    done
}
# ended <pid>: the process is gone or a zombie.
ended() {
    local state
    state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null)
    [ -z "$state" ] || [ "$state" = Z ]
}

# background <file> <command...>: the command in the background, its stdout in <file>; $! is the
# job. The file is emptied here, before the job starts: the job's own redirection would empty it
# only once the job runs, and a wait started before that could read an earlier run's lines.
# Redirections given with the call (2>"$err") are likewise made at once.
background() {
    local file=$1
    shift
    : >"$file"
    "$@" >"$file" &
}

# The Windows form of a Linux path (Wine maps / to drive Z:); a Windows path stays as it is.
winpath() {
    local path=$1
    case $path in
    [A-Za-z]:\\*) printf '%s' "$path" ;;
    *) printf 'Z:%s' "${path//\//\\}" ;;
    esac
}

# launch_bg <out-file> <program> <argument text> [limit-s]: starts the program through the
# launcher in the background with exactly "<program>" <argument text> as its command line; the
# launcher prints pid=, exit= and elapsed_ms= into the out file and kills the program after limit-s.
launch_bg() {
    local out=$1 program=$2 args=$3 limit=${4:-30}
    local windows_program
    windows_program=$(winpath "$program")
    local command_line="\"$windows_program\""
    [ -n "$args" ] && command_line="$command_line $args"
    E2E_PROGRAM="$windows_program" E2E_CMDLINE="$command_line" E2E_TIMEOUT_MS=$((limit * 1000)) \
        background "$out" wine "$helper_dir/e2e_launch.exe" 2>/dev/null
}

# The value of a key=value line that a helper printed (Wine's console adds carriage returns).
field() {
    sed -n "s/^$2=//p" "$1" 2>/dev/null | tr -d '\r' | head -n1
}

# wait_field <out-file> <key> <seconds>: waits for a helper's key=value line; prints the value,
# or "none" when it did not come in time.
wait_field() {
    local out=$1 key=$2 limit=$3 value="" tenths=0
    while [ $tenths -lt $((limit * 10)) ]; do
        value=$(field "$out" "$key")
        if [ -n "$value" ]; then
            echo "$value"
            return 0
        fi
        sleep 0.1
        tenths=$((tenths + 1))
    done
    echo none
    return 1
}

# The full-screen saver's windows.
saver_windows() {
    xdotool search --name '^Screen Saver$' 2>/dev/null | wc -l
}

# close_by_key <out-file>: once the saver's window is there, presses a key until the window goes
# (a key pressed before the saver has the keyboard reaches no window), then waits for the exit.
# Sets `code` to the exit code and `presses`.
close_by_key() {
    local tenths
    presses=0
    sleep 0.3
    while [ "$(saver_windows)" -ge 1 ] && [ $presses -lt 5 ]; do
        xdotool key space
        presses=$((presses + 1))
        tenths=0
        while [ "$(saver_windows)" -ge 1 ] && [ $tenths -lt 15 ]; do
            sleep 0.1
            tenths=$((tenths + 1))
        done
    done
    code=$(wait_field "$1" exit 20)
}

# wait_window <title-regex> <seconds> [--onlyvisible]: prints the X id of the first window with
# that title (mapped, with --onlyvisible: input reaches a window only once it is).
wait_window() {
    local title=$1 limit=$2 tenths=0 id
    while [ $tenths -lt $((limit * 10)) ]; do
        id=$(xdotool search ${3:-} --name "$title" 2>/dev/null | head -n1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
        tenths=$((tenths + 1))
    done
    return 1
}

# pe_version <file>: "<format> <machine> <FileVersion> <ProductVersion>" of a Windows executable, as
# `file` and the UTF-16 texts of its version resource give them ("PE32+ x86-64 1.0.0 1.0.0").
pe_version() {
    printf '%s %s\n' "$(file -b "$1" | awk '{ print $1, $4 }')" "$(strings -el -n 1 "$1" |
        awk 'key { printf "%s ", $0; key = 0 } /^(FileVersion|ProductVersion)$/ { key = 1 }' | sed 's/ $//')"
}

# area_stats <png> <geometry>: "<brightest channel> <percent dark blue> <bright pixels> <whitish
# pixels>" of an area; dark blue is the fade colour (0, 0, 0.1) give or take, bright a point well
# above the fade, whitish a point with every channel at a quarter or more (the lattice's tints).
area_stats() {
    convert "$1" -crop "$2" +repage -depth 8 -format %c histogram:info:- | tr ':(),' '    ' |
        awk '{ n = $1; r = $2; g = $3; b = $4; total += n
               m = r > g ? r : g; m = m > b ? m : b; if (m > top) top = m
               if (r <= 8 && g <= 8 && b >= 12 && b <= 64) blue += n
               if (r + g + b >= 240) bright += n
               if (r >= 64 && g >= 64 && b >= 64) white += n }
             END { printf "%d %d %d %d\n", top, total ? blue * 100 / total : 0, bright, white }'
}
