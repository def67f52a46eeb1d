#!/usr/bin/env bash
# The release files from a clean clone: scripts/release.sh, run in a fresh clone of this repository
# (its commit, plus uncommitted changes to tracked files), makes dist/, and each file there is what
# it claims to be: the installer a 64-bit NSIS installer with the version, the zip the saver and the
# licence, the package one that dpkg-deb reads, the page's tarball a site that serves and draws as
# the headless renderer does; SHA256SUMS verifies.
# Usage: tests/release/run_release_checks.sh <latticedrift-render>   (the native build's, for the
# page's reference picture). Prints one PASS/FAIL line per check and "N passed, N failed" last.
set -u
export LC_ALL=C

repo=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=tests/e2e/e2e_lib.sh
. "$repo/tests/e2e/e2e_lib.sh"
renderer=$(realpath "${1:?usage: run_release_checks.sh <latticedrift-render>}") || exit 2
passed=0
failed=0
pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }
expect_eq() { if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "expected '$2', got '$3'"; fi; }

work=$(mktemp -d /tmp/ld-release.XXXXXX)
trap 'rm -rf "$work"' EXIT
clone=$work/clone
if git -C "$repo" rev-parse --git-dir >/dev/null 2>&1; then
    git clone -q --no-hardlinks --no-checkout "$repo" "$clone" &&
        git -C "$clone" checkout -q "$(git -C "$repo" rev-parse HEAD)" || { echo "0 passed, 1 failed"; exit 1; }
    git -C "$repo" diff HEAD --binary | git -C "$clone" apply --allow-empty
else
    # A tree without its repository (an exported one): a copy of it, less what builds make, stands in.
    mkdir -p "$clone" && tar -C "$repo" --exclude=./build --exclude=./dist --exclude=./out -cf - . | tar -C "$clone" -xf - ||
        { echo "0 passed, 1 failed"; exit 1; }
fi

started=$(date +%s)
if bash "$clone/scripts/release.sh" >"$work/release.log" 2>&1; then
    pass "scripts/release.sh runs in a clean clone ($(($(date +%s) - started)) s)"
else
    fail "scripts/release.sh runs in a clean clone" "$(tail -20 "$work/release.log")"
fi
dist=$clone/dist
version=$(sed -n 's/^project(LatticeDrift VERSION \([^ ]*\) .*/\1/p' "$clone/CMakeLists.txt")
expect_eq "dist/ holds the five files, named with version $version" \
    "SHA256SUMS latticedrift-$version-setup.exe latticedrift-$version-web.tar.gz latticedrift-$version-windows.zip \
latticedrift_${version}_amd64.deb" "$(ls "$dist" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"

setup=$dist/latticedrift-$version-setup.exe
expect_eq "the installer: a 64-bit NSIS installer carrying the version" "PE32+ x86-64 $version $version 1" \
    "$(pe_version "$setup") $(grep -c -a -m1 NullsoftInst "$setup")"

mkdir -p "$work/zip"
unzip -q "$dist/latticedrift-$version-windows.zip" -d "$work/zip" 2>/dev/null
expect_eq "the zip holds the saver, with the version, and the licence" \
    "LICENSE.txt|Lattice Drift.scr|PE32+ x86-64 $version $version" \
    "$(ls "$work/zip" | paste -sd'|')|$(pe_version "$work/zip/Lattice Drift.scr")"

deb=$dist/latticedrift_${version}_amd64.deb
expect_eq "dpkg-deb reads the package: latticedrift $version for amd64 with the hack" \
    "latticedrift $version amd64 ./usr/libexec/xscreensaver/latticedrift" \
    "$(dpkg-deb --show --showformat='${Package} ${Version} ${Architecture}' "$deb" 2>&1) \
$(dpkg-deb --contents "$deb" 2>/dev/null | awk '{print $6}' | grep -x './usr/libexec/xscreensaver/latticedrift')"

site=latticedrift-$version-web
tar -xzf "$dist/$site.tar.gz" -C "$work" 2>/dev/null
expect_eq "the page's tarball holds the site in one folder" \
    "$site/ $site/LICENSE $site/index.html $site/latticedrift.js $site/latticedrift.wasm" \
    "$(tar -tzf "$dist/$site.tar.gz" 2>/dev/null | sort | tr '\n' ' ' | sed 's/ $//')"
# Served from the unpacked folder, a fixed run of 150 frames in headless Chromium (browser_checks.py's
# screenshot) against the renderer's frame: under 1% of the pixels more than 3% apart, and the
# lattice's points there (the frame has about 430 bright pixels).
query='?seed=12345&frames=150'
/usr/bin/python3 "$repo/tests/web/browser_checks.py" "$work/$site" "$renderer" --screenshot "$work/page.png" "$query" \
    >"$work/page.log" 2>&1
"$renderer" --size 800x600 --fps 60 --seed 12345 --frames 150 --out "$work/reference.png" >/dev/null 2>&1
apart=$(compare -metric AE -fuzz 3% "$work/page.png" "$work/reference.png" null: 2>&1)
apart=${apart%%[^0-9]*}
bright=$(area_stats "$work/page.png" 800x600+0+0 2>/dev/null | cut -d' ' -f3)
if [ "${apart:-480000}" -lt 4800 ] && [ "${bright:-0}" -ge 200 ]; then
    pass "the released page serves and draws frame 150 as the renderer does ($apart pixels apart, $bright bright)"
else
    fail "the released page serves and draws" "${apart:-?} pixels apart, ${bright:-?} bright; $(tail -3 "$work/page.log")"
fi

expect_eq "SHA256SUMS names the four files and verifies" "4 0" \
    "$(cd "$dist" && grep -c latticedrift SHA256SUMS) $(cd "$dist" && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1; echo $?)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
