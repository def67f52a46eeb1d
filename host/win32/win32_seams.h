// The platform calls of the saver host that tests need to watch or steer (cursor, clock, default
// window handling, saver-running state, timer, GDI/WGL surface, last-chance fault filter, message
// retrieval, version query). They default to the real Windows functions; only host tests replace them.
#ifndef LATTICEDRIFT_HOST_WIN32_SEAMS_H
#define LATTICEDRIFT_HOST_WIN32_SEAMS_H

#include <windows.h>

struct HostPlatform {
    LRESULT(WINAPI* defWindowProc)(HWND, UINT, WPARAM, LPARAM);
    BOOL(WINAPI* getCursorPos)(LPPOINT);
    HCURSOR(WINAPI* setCursor)(HCURSOR);
    DWORD(WINAPI* getTickCount)();
    BOOL(WINAPI* systemParametersInfo)(UINT, UINT, PVOID, UINT);
    UINT_PTR(WINAPI* setTimer)(HWND, UINT_PTR, UINT, TIMERPROC);
    BOOL(WINAPI* killTimer)(HWND, UINT_PTR);
    HDC(WINAPI* getDC)(HWND);
    int(WINAPI* releaseDC)(HWND, HDC);
    int(WINAPI* choosePixelFormat)(HDC, const PIXELFORMATDESCRIPTOR*);
    BOOL(WINAPI* setPixelFormat)(HDC, int, const PIXELFORMATDESCRIPTOR*);
    HGLRC(WINAPI* createContext)(HDC);
    BOOL(WINAPI* makeCurrent)(HDC, HGLRC);
    BOOL(WINAPI* deleteContext)(HGLRC);
    BOOL(WINAPI* swapBuffers)(HDC);
    LONG(WINAPI* unhandledExceptionFilter)(EXCEPTION_POINTERS*);
    BOOL(WINAPI* getMessage)(LPMSG, HWND, UINT, UINT);
    BOOL(WINAPI* getVersionEx)(LPOSVERSIONINFOA);
};

extern HostPlatform host_platform;

#endif
