// The Linux host's run, shared by latticedrift and its test build: the command line, the window
// and its GL surface, the scene, and the paced frame loop.
#ifndef LATTICEDRIFT_HOST_X11_X11_RUN_H
#define LATTICEDRIFT_HOST_X11_X11_RUN_H

#include <X11/Xlib.h>

// What the test build changes in a run; the installed program runs with none of it.
struct RunHooks {
    void (*beforeStart)() = nullptr;                              // before the scene starts (clock, seed)
    void (*afterStart)() = nullptr;                               // once the scene has started
    void (*afterSwapInterval)(Display* display) = nullptr;        // once vsync has been asked for
    void (*beforeFrame)(long frame) = nullptr;                    // frames count from 1
    void (*afterPresent)(Display* display, Window window, long frame) = nullptr; // right after the frame is shown
    bool keepFrame = false;                                       // keep the frame even over a copying swap
    int keeperTileLimit = 0;                                      // the frame keeper's largest tile (0: the GL's)
    int keeperRefusedTile = -1;                                   // a tile the keeper fails to allocate
    long frameLimit = 0;                                          // draw no more than this many frames (0: no limit)
};

// Parses the command line (with XSCREENSAVER_WINDOW) and runs; the process's exit status.
int hack_main(int argc, char* argv[], const RunHooks& hooks);

#endif
