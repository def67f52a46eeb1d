// latticedrift, the Linux host: on a Wayland compositor, a window or every output full screen; on
// X11, a window, full screen, or a hack of the X11 screen-saver daemon.
#include "host/linux_run.h"

int main(int argc, char* argv[])
{
    return linux_main(argc, argv, RunHooks{}, WaylandHooks{});
}
