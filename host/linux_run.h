// The Linux host's entry, shared by latticedrift and its test build: parses the command line,
// chooses Wayland or X11 (host/linux_backend.h) and runs there.
#ifndef LATTICEDRIFT_HOST_LINUX_RUN_H
#define LATTICEDRIFT_HOST_LINUX_RUN_H

#include "host/wayland/wayland_run.h"
#include "host/x11/x11_run.h"

// The process's exit status.
int linux_main(int argc, char* argv[], const RunHooks& x11Hooks, const WaylandHooks& waylandHooks);

#endif
