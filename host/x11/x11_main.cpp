// latticedrift, the Linux host: in a window, full screen, or as a hack of the X11 screen-saver daemon.
#include "host/x11/x11_run.h"

int main(int argc, char* argv[])
{
    return hack_main(argc, argv, RunHooks{});
}
