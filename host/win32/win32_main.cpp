// The program's main routine for the saver executables: the runtime calls it once the global
// objects exist, and saver_entry ends the process itself.
#include "host/win32/win32_host.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    saver_entry();
}
