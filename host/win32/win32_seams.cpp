// The real Windows functions behind the host's platform seams.
#include "host/win32/win32_seams.h"

HostPlatform host_platform = {
    DefWindowProcA,
    GetCursorPos,
    SetCursor,
    GetTickCount,
    SystemParametersInfoA,
    SetTimer,
    KillTimer,
    GetDC,
    ReleaseDC,
    ChoosePixelFormat,
    SetPixelFormat,
    wglCreateContext,
    wglMakeCurrent,
    wglDeleteContext,
    SwapBuffers,
    UnhandledExceptionFilter,
    GetMessageA,
    GetVersionExA,
};
