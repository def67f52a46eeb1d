#!/usr/bin/env bash
# The main job: installs what is missing and builds the native Linux preset. With a display (a
# Wayland compositor, else an X server) it opens the saver there in a window (latticedrift; Escape,
# q or closing the window ends it).
# Without one it renders the saver's first three seconds headless into out/: a still
# (out/still.png), an animation's frames (out/frames/frame_NNNNNN.png) and a video of them
# (out/lattice-drift.mp4).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/setup.sh
cmake --preset linux
cmake --build --preset linux -j "$jobs"

saver=build/linux/bin/latticedrift
# The program itself prefers a running Wayland compositor to an X server, as this does.
wayland_socket=${WAYLAND_DISPLAY:-}
[[ -n "$wayland_socket" && "$wayland_socket" != /* ]] && wayland_socket=${XDG_RUNTIME_DIR:-/nonexistent}/$wayland_socket
where=""
if [[ -n "$wayland_socket" && -S "$wayland_socket" ]]; then
    where="the Wayland compositor $WAYLAND_DISPLAY"
elif [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
    where="display $DISPLAY"
fi
if [[ -n "$where" ]]; then
    echo
    echo "Opening Lattice Drift in a window on $where: Escape, q or closing the window ends it."
    echo "(Full screen: $saver --fullscreen; every option: $saver --help)"
    if "$saver"; then
        exit 0
    fi
    echo "The saver could not run on $where; rendering headless instead."
else
    echo
    echo "No display${DISPLAY:+ reachable at $DISPLAY}${WAYLAND_DISPLAY:+ and no Wayland compositor at $WAYLAND_DISPLAY}: rendering headless into out/ instead of opening a window."
fi

render=build/linux/tools/latticedrift-render
mkdir -p out
rm -rf out/frames
mkdir -p out/frames
# Three seconds at 60 frames per second: every frame to out/frames is a 60 fps animation.
"$render" --size 800x600 --fps 60 --frames 180 --out out/still.png --every 1 out/frames
ffmpeg -loglevel error -y -framerate 60 -i out/frames/frame_%06d.png -c:v libx264 -pix_fmt yuv420p \
    -movflags +faststart out/lattice-drift.mp4

frames=$(find out/frames -name 'frame_*.png' | wc -l)
echo
echo "Rendered the first 3 seconds of Lattice Drift at 800x600 (simulated 60 fps):"
echo "  video:     $(pwd)/out/lattice-drift.mp4 (H.264, 3 s at 60 fps)"
echo "  still:     $(pwd)/out/still.png (the frame at 3.0 s)"
echo "  animation: $(pwd)/out/frames/ ($frames frames, frame_000001.png to frame_000180.png, 60 fps)"
