// The Linux host's choice of display system.
#include "host/linux_backend.h"

namespace {

BackendChoice refuse(int status, const std::string& reason)
{
    BackendChoice choice;
    choice.status = status;
    choice.reason = reason;
    return choice;
}

BackendChoice run_on(LinuxBackend backend)
{
    BackendChoice choice;
    choice.backend = backend;
    return choice;
}

} // namespace

bool wayland_worth_trying(const HackOptions& options, const char* waylandDisplay)
{
    if (options.backend != HackBackend::Any)
        return options.backend == HackBackend::Wayland;
    return options.mode != HackMode::Target && waylandDisplay != nullptr && *waylandDisplay != '\0';
}

BackendChoice choose_backend(const HackOptions& options, const char* waylandDisplay, bool waylandConnected)
{
    if (options.backend == HackBackend::X11)
        return run_on(LinuxBackend::X11);
    const bool forced = options.backend == HackBackend::Wayland;
    if (options.mode == HackMode::Target) {
        if (!forced)
            return run_on(LinuxBackend::X11);
        return refuse(2, "--backend wayland: --root, --window-id and XSCREENSAVER_WINDOW name an X11 window");
    }
    if (!waylandConnected) {
        if (!forced)
            return run_on(LinuxBackend::X11);
        const bool named = waylandDisplay != nullptr && *waylandDisplay != '\0';
        return refuse(1, "--backend wayland: no Wayland compositor answers at " +
                             (named ? "WAYLAND_DISPLAY '" + std::string(waylandDisplay) + "'"
                                    : std::string("wayland-0 (WAYLAND_DISPLAY is not set)")));
    }
    if (options.x11Only != nullptr)
        return refuse(2, std::string(options.x11Only) + " is for X11 only, and this run is on Wayland" +
                             (forced ? "" : " (add --backend x11 to draw through X11)"));
    return run_on(LinuxBackend::Wayland);
}
