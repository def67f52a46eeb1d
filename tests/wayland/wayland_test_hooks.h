// The test build's switches for a run on Wayland (see wayland_test_hooks.cpp).
#ifndef LATTICEDRIFT_TESTS_WAYLAND_WAYLAND_TEST_HOOKS_H
#define LATTICEDRIFT_TESTS_WAYLAND_WAYLAND_TEST_HOOKS_H

#include "host/wayland/wayland_run.h"

// The hooks, set from the environment.
WaylandHooks wayland_test_hooks();

#endif
