#!/usr/bin/env bash
# Builds every file a user downloads into dist/, named with the project version V:
#   latticedrift-V-setup.exe      the Windows installer ("Lattice Drift Setup.exe")
#   latticedrift-V-windows.zip    the bare "Lattice Drift.scr" and the licence, to install by right-click
#   latticedrift_V_amd64.deb      the Debian package of the Linux host
#   latticedrift-V-web.tar.gz     the web page (index.html, latticedrift.js, latticedrift.wasm), a static site
#   SHA256SUMS                    the checksums of the four, for `sha256sum -c`
# Installs what is missing first (scripts/setup.sh), then builds the windows, linux and web presets
# without tests or benchmarks in build/release/. The installer and the saver are signed when a
# certificate is configured (LD_SIGN_PKCS12 and LD_SIGN_PASSWORD_FILE in the environment; see
# cmake/win32_sign.cmake). Archive dates are the last commit's, so that the same commit gives the
# same archives.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
# emscripten's optimizer finds its Node modules there (the web build preset sets it too).
export NODE_PATH=/usr/share/nodejs
bash scripts/setup.sh

# build <preset> <target>...: the preset's release build folder, with only the given targets.
build() {
    local preset=$1
    shift
    cmake --preset "$preset" -B "build/release/$preset" -DLD_BUILD_TESTS=OFF -DLD_BUILD_BENCH=OFF >/dev/null
    cmake --build "build/release/$preset" -j "$jobs" --target "$@"
}

# The installer is always made again: the signing settings live outside the build's view.
rm -f "build/release/windows/installer/Lattice Drift Setup.exe"
build windows latticedrift_installer
build linux all
(cd build/release/linux && cpack -G DEB >/dev/null)
build web all

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/linux/CMakeCache.txt)
epoch=$(git log -1 --format=%ct 2>/dev/null || date +%s)
stage=build/release/stage
rm -rf dist "$stage"
mkdir -p dist "$stage/windows" "$stage/latticedrift-$version-web"

cp "build/release/windows/installer/Lattice Drift Setup.exe" "dist/latticedrift-$version-setup.exe"

cp "build/release/windows/installer/stage/Lattice Drift.scr" "$stage/windows/"
cp LICENSE "$stage/windows/LICENSE.txt"
touch -d "@$epoch" "$stage/windows"/*
(cd "$stage/windows" && TZ=UTC zip -X -q "../../../../dist/latticedrift-$version-windows.zip" \
    "Lattice Drift.scr" LICENSE.txt)

cp "build/release/linux/latticedrift_${version}_amd64.deb" dist/

cp build/release/web/index.html build/release/web/latticedrift.js build/release/web/latticedrift.wasm LICENSE \
    "$stage/latticedrift-$version-web/"
tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$epoch" -cf - \
    "latticedrift-$version-web" | gzip -9n >"dist/latticedrift-$version-web.tar.gz"

(cd dist && sha256sum -- latticedrift* >SHA256SUMS)
if [[ -z "${LD_SIGN_PKCS12:-}" ]]; then
    echo "release: the installer and the saver are not signed (no LD_SIGN_PKCS12)"
fi
echo "release: version $version in dist/:"
(cd dist && ls -l)
