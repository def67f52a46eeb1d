#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, test, fuzz and benchmark (compilers,
# CMake, mingw-w64, Wine, Xvfb, Mesa, Xlib, GoogleTest, Google Benchmark, libpng, valgrind, clang and
# libFuzzer, the X11 screen-saver daemon, Wayland and sway, lintian, ffmpeg, emscripten and
# Chromium, NSIS, ...): every program that the scripts and tests call, as a minimal Debian 12 has
# few of them.
# Does nothing when all of them are already installed. Runs as root or through sudo.
set -euo pipefail

packages=(
    # native toolchain and build
    build-essential cmake pkg-config git
    # Windows cross build
    g++-mingw-w64-x86-64-posix mingw-w64-tools
    # running the Windows build: Wine on a virtual X screen
    wine wine64 xvfb xauth
    # OpenGL 1.1, GLU and EGL (Mesa's llvmpipe renders offscreen)
    libgl1-mesa-dri libgl-dev libopengl-dev libegl-dev libegl1-mesa-dev libglu1-mesa-dev
    # end-to-end checks: window queries, X input, screenshots
    x11-utils xdotool imagemagick
    # tests, benchmarks, PNG output, instruction counts
    googletest libgtest-dev libbenchmark-dev libpng-dev valgrind
    # fuzzing the parsers: clang with libFuzzer and its sanitizer runtimes
    clang libfuzzer-14-dev libclang-rt-14-dev
    # the Linux host: Xlib, the font of --fps, the Debian package's dependencies (dpkg-shlibdeps),
    # and the X11 screen-saver daemon with its process tools for the end-to-end checks
    libx11-dev xfonts-base dpkg-dev xscreensaver procps
    # full screen over every monitor: RandR 1.5 monitors, else Xinerama heads; the checks define
    # monitors with xrandr, composite with picom, and let the daemon pick a GL visual through its
    # helper (xscreensaver-gl) as the package recommends
    libxrandr-dev libxinerama-dev x11-xserver-utils picom xscreensaver-gl
    # the Linux host on Wayland: libwayland-client, libwayland-egl and wayland-scanner (libwayland-dev),
    # the protocols it generates code for (wayland-protocols), the keymap of its window's keys
    # (libxkbcommon-dev); its end-to-end checks run Debian's sway headless (and a second sway nested
    # in it), take each output's picture with grim, type with wtype and read sway's tree with python3
    libwayland-dev wayland-protocols libxkbcommon-dev sway grim wtype python3
    # cpack -G DEB: CPack's Debian generator finds the binaries for dpkg-shlibdeps with file; the
    # package checks of the end-to-end script: lintian, and readelf (binutils) on what links what
    file lintian binutils
    # strace: in the end-to-end checks, the moment the daemon's stop signal reaches the hack, and the
    # exit status of the hack that the settings dialog starts and collects; mount binds the package's
    # settings folder in a mount namespace of the dialog's own (unshare and setpriv come with
    # util-linux, which every system has)
    strace mount
    # awk in every end-to-end script and benchmark (present on a minimal system, but not essential)
    mawk
    # CPU time of a measured run (bench/measure_x11_fps.sh, tests/e2e/measure_wine_fps.sh)
    time
    # the main job's video of the first seconds
    ffmpeg
    # the browser build (emscripten) and its checks: headless Chromium driven through chromedriver by
    # Selenium, frames compared with NumPy and Pillow
    emscripten chromium chromium-driver python3-selenium python3-numpy python3-pil
    # the Windows installer (makensis) and its optional signing (osslsigncode; the installer's checks
    # make a throwaway certificate with openssl); the release files (scripts/release.sh): the zip of
    # the saver, and unzip in its checks
    nsis osslsigncode openssl zip unzip
)

missing=()
for p in "${packages[@]}"; do
    if [[ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]]; then
        missing+=("$p")
    fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
    echo "setup: all ${#packages[@]} packages are installed"
    exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
    as_root=()
elif command -v sudo >/dev/null; then
    as_root=(sudo)
else
    echo "setup: missing packages (${missing[*]}); run this script as root or install sudo" >&2
    exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
echo "setup: done"
