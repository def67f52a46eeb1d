// The Linux host's run on a Wayland compositor, shared by latticedrift and its test build: a
// window, or the saver full screen on every output with one process per output.
#ifndef LATTICEDRIFT_HOST_WAYLAND_WAYLAND_RUN_H
#define LATTICEDRIFT_HOST_WAYLAND_WAYLAND_RUN_H

#include "host/x11/hack_options.h"

#include <wayland-client.h>

// What the test build changes in a run; the installed program runs with none of it. A full-screen
// run's processes for the outputs run the same program, so they take the same switches.
struct WaylandHooks {
    void (*beforeStart)() = nullptr;                             // before the scene starts (clock, seed)
    void (*afterStart)() = nullptr;                              // once the scene has started
    void (*beforeFrame)(long frame) = nullptr;                   // frames count from 1
    void (*afterPresent)(wl_display* display, long frame) = nullptr; // right after the frame's commit
    bool keepFrame = false;                                      // keep the frame even over a keeping swap
    bool noLayerShell = false;                                   // full screen as xdg_toplevels, as on GNOME
    long frameLimit = 0;                                         // draw no more than this many frames (0: no limit)
};

// The variable through which a full-screen run hands each of its processes its output (the
// wl_output global's name); set, the process draws on that output alone.
constexpr char WAYLAND_OUTPUT_VARIABLE[] = "LATTICEDRIFT_WAYLAND_OUTPUT";

// Runs on the compositor `display` is connected to (and disconnects it); the process's exit status.
// `argv` starts the processes of a full-screen run.
int wayland_main(char* argv[], const HackOptions& options, wl_display* display, const WaylandHooks& hooks);

#endif
