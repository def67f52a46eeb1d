#!/usr/bin/env bash
# The Windows installer under Wine (64-bit prefix, private Xvfb screen), judged by files and registry
# values: a silent install puts the saver where the 64-bit system looks and writes the Apps &
# Features entry; the installed saver runs /s and ends on a key; the entry's own silent uninstall
# leaves no file and no entry, and clears the user's saver choice only where it names our saver.
# The same installer made with a throwaway self-signed certificate: it and the files it installs
# carry signatures that verify.
# Usage: tests/e2e/run_win32_installer.sh <windows-build-dir>   (latticedrift_installer and
# e2e_helpers built there). Prints one PASS/FAIL line per check and "N passed, N failed" last.
set -u

script_dir=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:?usage: run_win32_installer.sh <windows-build-dir>}" && pwd) || exit 2
helper_dir=$build_dir/e2e
# shellcheck source=tests/e2e/e2e_lib.sh
. "$script_dir/e2e_lib.sh"

installer="$build_dir/installer/Lattice Drift Setup.exe"
for needed in "$installer" "$helper_dir/e2e_launch.exe"; do
    [ -f "$needed" ] || { echo "missing: $needed (build latticedrift_installer and e2e_helpers)" >&2; exit 2; }
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
passed=0
failed=0
pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }
expect_eq() { if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "expected '$2', got '$3'"; fi; }

if ! e2e_start; then
    echo "0 passed, 1 failed"
    exit 1
fi
timeout 30 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
system32=$WINEPREFIX/drive_c/windows/system32
instdir="$WINEPREFIX/drive_c/Program Files/Lattice Drift"
saver='C:\windows\system32\Lattice Drift.scr'
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\LatticeDrift'
desktop='HKCU\Control Panel\Desktop'

# reg_value <key> <name>: a value's data as `reg query` prints it; empty when it is absent.
reg_value() {
    timeout 30 wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -n "s/^    $2    REG_[A-Z_]*    //p"
}

# install <setup.exe> <what>: a silent install; checks the files and the entry.
install() {
    local status
    timeout 120 wine "$1" /S >/dev/null 2>&1
    status=$?
    timeout 60 wineserver -w
    if [ $status -eq 0 ] && cmp -s "$(dirname "$1")/stage/Lattice Drift.scr" "$system32/Lattice Drift.scr" &&
        [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/Lattice Drift.scr" ]; then
        pass "$2: the saver is in the 64-bit System32, not in SysWOW64"
    else
        fail "$2: the saver is in the 64-bit System32, not in SysWOW64" "status $status; $(ls "$system32"/*.scr)"
    fi
    local uninstaller='C:\Program Files\Lattice Drift\Uninstall Lattice Drift.exe'
    expect_eq "$2: the entry (64-bit view)" "Lattice Drift|$version|Lattice Drift developers|$saver,0|\
\"$uninstaller\"|\"$uninstaller\" /S|0x1|0x1" "$(for name in DisplayName DisplayVersion Publisher DisplayIcon \
        UninstallString QuietUninstallString NoModify NoRepair; do printf '%s|' "$(reg_value "$entry" "$name")"; done |
        sed 's/|$//')"
    local kib=$(($(cat "$system32/Lattice Drift.scr" "$instdir"/* | wc -c) / 1024))
    local estimated=$(($(reg_value "$entry" EstimatedSize)))
    if [ $((estimated - kib)) -ge -2 ] && [ $((estimated - kib)) -le 2 ]; then
        pass "$2: EstimatedSize is the installed files' size ($estimated KiB)"
    else
        fail "$2: EstimatedSize is the installed files' size" "$estimated KiB for $kib KiB of files"
    fi
}

# uninstall <what>: runs the entry's QuietUninstallString as it stands (the uninstaller copies
# itself away and ends; the copy does the work); checks that no file and no entry is left.
uninstall() {
    local command
    command=$(reg_value "$entry" QuietUninstallString)
    local program=${command#\"}
    program=${program%%\"*}
    E2E_PROGRAM=$program E2E_CMDLINE=$command timeout 120 wine "$helper_dir/e2e_launch.exe" >/dev/null 2>&1
    timeout 60 wineserver -w
    local left
    left=$(ls -d "$system32/Lattice Drift.scr" "$instdir" 2>/dev/null
        timeout 30 wine reg query "$entry" >/dev/null 2>&1 && echo "the entry")
    expect_eq "$1: no file and no entry left" "" "$left"
}

set_saver_choice() {
    timeout 30 wine reg add "$desktop" /v SCRNSAVE.EXE /d "$1" /f >/dev/null 2>&1
}

install "$installer" "silent install"
expect_eq "the installer and the installed saver carry the version" \
    "PE32+ x86-64 $version $version|PE32+ x86-64 $version $version" \
    "$(pe_version "$installer")|$(pe_version "$system32/Lattice Drift.scr")"

out=$e2e_work/installed.out
launch_bg "$out" "$saver" "/s" 40
code="no window"
wait_window '^Screen Saver$' 20 --onlyvisible >/dev/null && close_by_key "$out"
expect_eq "the installed saver runs /s and a key ends it with 0" "0 0" "$code $(saver_windows)"

# Windows may keep the choice in another case (or as a short path).
set_saver_choice 'C:\WINDOWS\SYSTEM32\LATTICE DRIFT.SCR'
uninstall "silent uninstall"
expect_eq "the user's choice of our saver is cleared" "" "$(reg_value "$desktop" SCRNSAVE.EXE)"

# ---- The installer signed with a throwaway certificate; installed over an unrelated choice ----
signing=$e2e_work/signing
mkdir -p "$signing"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Lattice Drift test" -addext extendedKeyUsage=codeSigning \
    -keyout "$signing/key.pem" -out "$signing/cert.pem" >/dev/null 2>&1
echo "throwaway" >"$signing/password"
openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/cert.pem" -passout "file:$signing/password" \
    -out "$signing/cert.p12"
cmake -DSETTINGS="$build_dir/installer/settings.cmake" -DOUT_DIR="$signing/out" -DLD_SIGN_PKCS12="$signing/cert.p12" \
    -DLD_SIGN_PASSWORD_FILE="$signing/password" -P "$script_dir/../../cmake/win32_installer.cmake" >/dev/null
signed="$signing/out/Lattice Drift Setup.exe"
set_saver_choice 'C:\windows\system32\ssText3d.scr'
install "$signed" "signed install"
verified=""
for file in "$signed" "$system32/Lattice Drift.scr" "$instdir/Uninstall Lattice Drift.exe"; do
    osslsigncode verify -CAfile "$signing/cert.pem" -in "$file" >/dev/null 2>&1 && verified="$verified ok" ||
        verified="$verified no"
done
expect_eq "signed installer, installed saver and uninstaller: signatures verify" " ok ok ok" "$verified"
uninstall "silent uninstall after the signed install"
expect_eq "an unrelated saver choice survives our uninstall" 'C:\windows\system32\ssText3d.scr' \
    "$(reg_value "$desktop" SCRNSAVE.EXE)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
