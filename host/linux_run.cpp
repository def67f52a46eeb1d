// The Linux host's entry: the X11 run keeps its own parse (and so its messages and usage); the
// choice of backend needs the options first, so they are parsed here as well.
#include "host/linux_run.h"

#include "host/linux_backend.h"

#include <cstdio>
#include <cstdlib>

int linux_main(int argc, char* argv[], const RunHooks& x11Hooks, const WaylandHooks& waylandHooks)
{
    HackOptions options;
    options.delayUs = DEFAULT_FRAME_PERIOD_US;
    std::string error;
    if (parse_hack_options(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), &options, &error) != HackParse::Run)
        return hack_main(argc, argv, x11Hooks); // its usage, or its reason and status
    const char* waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    wl_display* display = wayland_worth_trying(options, waylandDisplay) ? wl_display_connect(nullptr) : nullptr;
    const BackendChoice choice = choose_backend(options, waylandDisplay, display != nullptr);
    if (choice.status != 0 || choice.backend == LinuxBackend::X11) {
        if (display != nullptr)
            wl_display_disconnect(display);
        if (choice.status == 0)
            return hack_main(argc, argv, x11Hooks);
        std::fprintf(stderr, "latticedrift: %s\n", choice.reason.c_str());
        return choice.status;
    }
    return wayland_main(argv, options, display, waylandHooks);
}
