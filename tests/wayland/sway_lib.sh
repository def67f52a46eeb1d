# Shared shell pieces of the Wayland end-to-end checks and benchmark (sourced): a scratch folder that
# the compositor's user (uid 65534: sway refuses root) can reach, commands run as that user as
# clients of a chosen sway, and sway started headless or nested in another. Sets work; display and
# swaysock name the sway that as_user talks to.

display=""
swaysock=""
sway_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)

# sway_shared_memory "$@", first thing in a script: sway and its clients share buffers and keymaps
# through files in /dev/shm. Where the user cannot make one there (a chroot that has /dev without
# its tmpfs), the script runs again in a mount namespace of its own with a tmpfs there.
sway_shared_memory() {
    "${sway_user[@]}" sh -c 'f=$(mktemp /dev/shm/ld-probe.XXXXXX 2>/dev/null) && rm -f "$f"' && return
    [ -z "${LD_OWN_SHM:-}" ] || return
    echo "info: /dev/shm cannot be written by uid 65534: running with a tmpfs there in a mount namespace" >&2
    LD_OWN_SHM=1 exec unshare --mount --propagation unchanged bash -c \
        'mount --make-private /dev && mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs /dev/shm; exec bash "$@"' \
        bash "$0" "$@"
}

# Makes the scratch folder: bin/ and tools/ for programs copied there (a build folder may sit where
# the user cannot go), shots/ and home/ for the user, run/ as its runtime folder (mode 700).
sway_workspace() {
    work=$(mktemp -d /tmp/ld-wayland.XXXXXX)
    chmod 755 "$work"
    mkdir -p "$work/bin" "$work/tools" "$work/shots" "$work/home" "$work/run"
    chown 65534:65534 "$work/shots" "$work/home" "$work/run"
    chmod 700 "$work/run"
    printf 'output * bg #ff0000 solid_color\n%s\n' "${1:-}" >"$work/sway.conf"
    chmod 644 "$work/sway.conf"
}

# user_command sets `as` to the words that run a command as the user, as a client of the sway that
# display and swaysock name; a background job started with them has no shell in between, so its $!
# is the program's own pid. as_user runs one.
user_command() {
    as=("${sway_user[@]}" env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
        WAYLAND_DISPLAY="$display" SWAYSOCK="$swaysock" LSAN_OPTIONS="${LSAN_OPTIONS:-}")
}
as_user() {
    user_command
    "${as[@]}" "$@"
}

# start_sway <log name> <sway socket> [VARIABLE=value...]: starts sway with the scratch config and
# waits (at most 15 s) until it answers; display and swaysock then name it, sway_pid is its pid.
start_sway() {
    local name=$1 before tenths=150
    swaysock=$2
    shift 2
    before=$(ls "$work/run")
    user_command
    "${as[@]}" SWAYSOCK="$swaysock" "$@" sway -c "$work/sway.conf" >"$work/$name.log" 2>&1 &
    sway_pid=$!
    until display=$(comm -13 <(echo "$before") <(ls "$work/run") | grep '^wayland-[0-9]*$' | head -n1) &&
        [ -n "$display" ] && [ -S "$swaysock" ] && as_user swaymsg -t get_version >/dev/null 2>&1; do
        [ $((tenths -= 1)) -ge 0 ] || return 1
        sleep 0.1
    done
}

# start_headless_sway <outputs> [VARIABLE=value...]: Debian's sway on its headless backend, pixman
# rendering, no input devices.
start_headless_sway() {
    local outputs=$1
    shift
    start_sway outer "$work/run/outer.sock" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        WLR_HEADLESS_OUTPUTS="$outputs" "$@"
}

# start_nested_sway <outputs>: a second sway on the wayland backend, a client of the current one;
# each of its outputs is a window of the first ("wlroots - WL-1", ...).
start_nested_sway() {
    start_sway inner "$work/run/inner.sock" WLR_BACKENDS=wayland WLR_WL_OUTPUTS="$1" WLR_RENDERER=pixman \
        WLR_LIBINPUT_NO_DEVICES=1
}

# Ends the background jobs (sway, and the programs started as jobs; what those started dies with
# them) and removes the scratch folder.
sway_cleanup() {
    local job
    for job in $(jobs -p); do
        kill -KILL "$job" 2>/dev/null
        wait "$job" 2>/dev/null
    done
    [ -n "${work:-}" ] && rm -rf "$work"
}
