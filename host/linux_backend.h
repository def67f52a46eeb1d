// Which display system the Linux host draws on, decided from the options and the environment alone
// (free of X11 and Wayland calls, so that a table test covers every case).
#ifndef LATTICEDRIFT_HOST_LINUX_BACKEND_H
#define LATTICEDRIFT_HOST_LINUX_BACKEND_H

#include "host/x11/hack_options.h"

#include <string>

enum class LinuxBackend { Wayland, X11 };

// The outcome: the backend to run on, or an exit status (1: no compositor where one was asked
// for; 2: options that do not go together) with a one-line reason.
struct BackendChoice {
    LinuxBackend backend = LinuxBackend::X11;
    int status = 0;
    std::string reason;
};

// Whether a connection to a Wayland compositor is worth trying: asked for with --backend wayland,
// or, by default, WAYLAND_DISPLAY names one (`waylandDisplay`, null or empty when unset) and
// the options name no X11 window.
bool wayland_worth_trying(const HackOptions& options, const char* waylandDisplay);

// Wayland when asked for, or by default when a compositor answered (`waylandConnected`) and no
// X11 window is named; X11 otherwise. On Wayland the X11-only options are refused.
BackendChoice choose_backend(const HackOptions& options, const char* waylandDisplay, bool waylandConnected);

#endif
