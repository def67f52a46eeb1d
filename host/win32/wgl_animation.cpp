// The animation window procedure and its WGL surface: binds an OpenGL context to the saver window
// at creation and starts the scene and the frame timer, renders and swaps on every tick, and tears
// it all down at destruction. Messages it does not act on go on to saver_default_proc.
#include "host/win32/win32_host.h"
#include "host/win32/win32_seams.h"

#include "scene/frame.h"
#include "scene/scene.h"

#if defined(LATTICEDRIFT_STATS_BUILD)
#include "host/win32/win32_frame_stats.h"
#endif

const PIXELFORMATDESCRIPTOR surface_pixel_format = {
    sizeof(PIXELFORMATDESCRIPTOR),
    1,
    // The picture outlives the swap: ask for a copy where the driver honours the hint.
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_SWAP_COPY,
    PFD_TYPE_RGBA,
    24,
    0, 0, 0, 0, 0, 0, // red, green and blue bits and shifts
    8,                // alpha bits
    0,                // alpha shift
    0, 0, 0, 0, 0,    // no accumulation buffer
    16,               // depth bits
    0,                // stencil bits
    0,                // auxiliary buffers
    PFD_MAIN_PLANE,
    0,
    0, 0, 0,
};

RECT client_rect;
HDC surface_dc;
HGLRC render_context;

#if defined(LATTICEDRIFT_FAULT_BUILD)
// Test build only: a real memory fault, so that the fault guard can be seen ending the process.
static void raise_test_fault()
{
    volatile std::uintptr_t address = 0;
    *reinterpret_cast<volatile int*>(address) = 1;
}
#endif

BOOL create_gl_surface(HWND window, HDC* deviceContext, HGLRC* renderContext)
{
    *deviceContext = host_platform.getDC(window);
    const int format = host_platform.choosePixelFormat(*deviceContext, &surface_pixel_format);
    host_platform.setPixelFormat(*deviceContext, format, &surface_pixel_format);
    *renderContext = host_platform.createContext(*deviceContext);
    return host_platform.makeCurrent(*deviceContext, *renderContext);
}

BOOL release_gl_surface(HWND window, HDC deviceContext, HGLRC renderContext)
{
    host_platform.makeCurrent(nullptr, nullptr);
    host_platform.deleteContext(renderContext);
    return host_platform.releaseDC(window, deviceContext);
}

LRESULT CALLBACK animation_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        GetClientRect(window, &client_rect);
        window_width = client_rect.right;
        window_height = client_rect.bottom;
        create_gl_surface(window, &surface_dc, &render_context);
        apply_fixed_gl_state();
        host_platform.setTimer(window, FRAME_TIMER_ID, FRAME_TIMER_MS, nullptr);
#if defined(LATTICEDRIFT_STATS_BUILD)
        frame_stats_start();
#endif
        return 0;
    case WM_TIMER:
#if defined(LATTICEDRIFT_FAULT_BUILD)
        if (preview_mode == 0)
            raise_test_fault();
#endif
        render_frame();
        host_platform.swapBuffers(surface_dc);
#if defined(LATTICEDRIFT_STATS_BUILD)
        frame_stats_count();
#endif
        return 0;
    case WM_DESTROY:
        host_platform.killTimer(window, FRAME_TIMER_ID);
        scene_teardown();
        release_gl_surface(window, surface_dc, render_context);
#if defined(LATTICEDRIFT_STATS_BUILD)
        frame_stats_write();
#endif
        return 0;
    default:
        return saver_default_proc(window, message, wParam, lParam);
    }
}
