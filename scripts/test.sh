#!/usr/bin/env bash
# Every test: installs what is missing; builds and tests the native preset, the sanitizer preset
# (AddressSanitizer + UndefinedBehaviorSanitizer), a short pass of the fuzz targets and the
# Windows cross build; runs the Linux host's end-to-end checks with the X11 screen-saver daemon and
# on a headless sway (Wayland), the page of the web preset in headless Chromium, the Windows tests
# under Wine on Xvfb, the Windows end-to-end checks and those of the installer; last, the release
# files made from a clean clone. Ends with one line
# "N passed, N failed" (all test counts added up) and a non-zero status if anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
started=$(date +%s)
passed=0
failed=0
report=()
logs=build/test-logs
mkdir -p "$logs"

stage_started=$(date +%s)
# Records a stage's outcome with the seconds since the previous stage ended.
note() {
    local now
    now=$(date +%s)
    report+=("$(printf '%-20s %5ss  %s' "$1" "$((now - stage_started))" "$2")")
    stage_started=$now
}

# add_counts <stage> <passed> <failed> <status> <what ran>: adds a stage's counts to the totals; a
# non-zero status with nothing failed counts as one failure more.
add_counts() {
    local stage=$1 good=$2 bad=$3 rc=$4 what=$5
    passed=$((passed + good))
    failed=$((failed + bad))
    if [[ $rc -ne 0 && $bad -eq 0 ]]; then
        failed=$((failed + 1))
        note "$stage" "$good passed, but $what ended with status $rc"
    else
        note "$stage" "$good passed, $bad failed"
    fi
}

# Adds the counts from ctest's closing line ("95% tests passed, 2 tests failed out of 40").
count_ctest() {
    local stage=$1 log=$2 rc=$3 line total bad
    line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
    if [[ -z "$line" ]]; then
        if grep -q 'No tests were found' "$log" && [[ $rc -eq 0 ]]; then
            note "$stage" "no tests"
            return
        fi
        failed=$((failed + 1))
        note "$stage" "FAILED (ctest gave no result, status $rc)"
        return
    fi
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    add_counts "$stage" $((total - bad)) "$bad" "$rc" ctest
}

# Runs a build step; a failure counts as one failed check.
build_step() {
    local stage=$1
    shift
    echo "== $stage: $*"
    if "$@" 2>&1 | tee "$logs/$stage.log"; then
        note "$stage" "ok"
        return 0
    fi
    failed=$((failed + 1))
    note "$stage" "FAILED (see $logs/$stage.log)"
    return 1
}

run_ctest() {
    local stage=$1 rc
    shift
    echo "== $stage: $*"
    "$@" 2>&1 | tee "$logs/$stage.log"
    rc=${PIPESTATUS[0]}
    count_ctest "$stage" "$logs/$stage.log" "$rc"
}

# Runs a script that ends with its own "N passed, N failed" line and adds its counts.
run_summary() {
    local stage=$1 rc line
    shift
    echo "== $stage: $*"
    "$@" 2>&1 | tee "$logs/$stage.log"
    rc=${PIPESTATUS[0]}
    line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$logs/$stage.log" | tail -1)
    if [[ -z "$line" ]]; then
        failed=$((failed + 1))
        note "$stage" "FAILED (no summary line, status $rc)"
        return
    fi
    add_counts "$stage" "${line%% passed*}" "$(sed -E 's/.* ([0-9]+) failed/\1/' <<<"$line")" "$rc" "the script"
}

if ! bash scripts/setup.sh; then
    echo "setup failed: cannot build or test"
    echo "0 passed, 1 failed"
    exit 1
fi

# Native: core, tools and their tests on Mesa's llvmpipe through EGL (no display needed).
if build_step linux-configure cmake --preset linux && build_step linux-build cmake --build --preset linux -j "$jobs"; then
    run_ctest linux-ctest ctest --preset linux -j "$jobs" --timeout 600
fi

# The same with AddressSanitizer and UndefinedBehaviorSanitizer. Mesa and LLVM keep some memory for
# the life of the process; the suppressions name only those libraries.
if [[ -f tests/support/lsan.supp ]]; then
    export LSAN_OPTIONS="suppressions=$(pwd)/tests/support/lsan.supp:print_suppressions=0"
fi
if build_step asan-configure cmake --preset linux-asan &&
    build_step asan-build cmake --build --preset linux-asan -j "$jobs"; then
    run_ctest asan-ctest ctest --preset linux-asan -j "$jobs" --timeout 900
fi

# The parsers under libFuzzer (clang, with AddressSanitizer and UndefinedBehaviorSanitizer): a
# short pass of every target on its seeds; `bash scripts/fuzz.sh --long` runs them at length.
if build_step fuzz-configure cmake --preset fuzz && build_step fuzz-build cmake --build --preset fuzz -j "$jobs"; then
    run_summary fuzz bash scripts/fuzz.sh --no-build
fi

# The Linux host end to end on Xvfb: its package, its modes, and Debian's X11 screen-saver daemon
# starting and stopping it; the sanitizer build's host gets short runs too.
if [[ -x build/linux/bin/latticedrift && -x build/linux/tests/linux/x11_e2e_helper ]]; then
    asan_host=()
    [[ -x build/linux-asan/bin/latticedrift ]] && asan_host=(build/linux-asan)
    run_summary x11-e2e bash tests/linux/run_x11_e2e.sh build/linux "${asan_host[@]}"
fi

# The Linux host on Wayland: Debian's sway run headless as an unprivileged user (and a second sway
# nested in it for outputs that come, go and stop refreshing); the sanitizer build's host too.
if [[ -x build/linux/bin/latticedrift && -x build/linux/tests/wayland/wayland_e2e_pointer ]]; then
    asan_host=()
    [[ -x build/linux-asan/bin/latticedrift ]] && asan_host=(build/linux-asan)
    run_summary wayland-e2e bash tests/wayland/run_wayland_e2e.sh build/linux "${asan_host[@]}"
fi

# The browser build (emscripten), then its page in headless Chromium on software WebGL 2, against
# the headless renderer's frames. Debian's Python, which has Selenium, NumPy and Pillow.
if build_step web-configure cmake --preset web && build_step web-build cmake --build --preset web -j "$jobs"; then
    run_summary web /usr/bin/python3 tests/web/browser_checks.py build/web build/linux/tools/latticedrift-render
fi

# Windows: cross build, then its tests and the end-to-end checks under Wine on a virtual screen,
# in a throwaway Wine prefix (made first: the build may run test programs to list their cases).
WINEPREFIX=$(mktemp -d /tmp/latticedrift-wine.XXXXXX)
export WINEPREFIX WINEDEBUG=-all
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"' EXIT
echo "== wine prefix $WINEPREFIX"
xvfb-run -a -s "-screen 0 1024x768x24" wineboot -i >"$logs/wineboot.log" 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
if build_step windows-configure cmake --preset windows && build_step windows-build cmake --build --preset windows -j "$jobs"; then
    run_ctest windows-ctest xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir build/windows --output-on-failure --timeout 300
    wineserver -k >/dev/null 2>&1 || true
    if [[ -f tests/e2e/run_e2e.sh ]]; then
        run_summary e2e bash tests/e2e/run_e2e.sh build/windows
    fi
    # The installer under Wine: silent install and uninstall, the saver choice, signing.
    run_summary installer bash tests/e2e/run_win32_installer.sh build/windows
fi

# The release files (scripts/release.sh) from a clean clone, each checked for what it claims to be;
# the page's picture against the native build's headless renderer.
if [[ -x build/linux/tools/latticedrift-render ]]; then
    run_summary release bash tests/release/run_release_checks.sh build/linux/tools/latticedrift-render
fi

echo
echo "Summary (logs in $logs/), $(( $(date +%s) - started )) s:"
printf '  %s\n' "${report[@]}"
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
