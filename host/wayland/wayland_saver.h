// The full-screen saver on Wayland: a process that watches the outputs and starts one process per
// output (the same program, told its output), and ends them all together.
#ifndef LATTICEDRIFT_HOST_WAYLAND_WAYLAND_SAVER_H
#define LATTICEDRIFT_HOST_WAYLAND_WAYLAND_SAVER_H

#include <wayland-client.h>

// Starts a process for every output there is and for every output that comes, with `argv` and
// WAYLAND_OUTPUT_VARIABLE naming its output. An output that goes ends its process quietly. When
// any process ends otherwise (input, the compositor closing its surface, a failure), or a stop
// signal comes, every process is ended; the exit status is 0, or 1 after a failure.
int wayland_saver(char* argv[], wl_display* display);

#endif
