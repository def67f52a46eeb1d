// GLX for the Linux host: a visual of our own for the windows the host makes, the given window's
// own visual otherwise (a context of another visual may not draw into it), and one context.
#include "host/x11/glx_context.h"

#include <cstdio>

namespace {

std::string hex(unsigned long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

int config(Display* display, XVisualInfo* visual, int attribute)
{
    int value = 0;
    return glXGetConfig(display, visual, attribute, &value) == 0 ? value : 0;
}

} // namespace

bool glx_check(Display* display, std::string* error)
{
    int errorBase = 0;
    int eventBase = 0;
    if (!glXQueryExtension(display, &errorBase, &eventBase)) {
        *error = "the X server has no GLX (OpenGL) extension";
        return false;
    }
    return true;
}

XVisualInfo* glx_choose_visual(Display* display, int screen, std::string* error)
{
    // No alpha: the fade needs none, and an alpha visual would show through under a compositor.
    int attributes[] = { GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1,
                         GLX_DEPTH_SIZE, 16, None };
    XVisualInfo* visual = glXChooseVisual(display, screen, attributes);
    if (visual == nullptr)
        *error = "no double-buffered RGBA OpenGL visual with a depth buffer on screen " + std::to_string(screen);
    return visual;
}

XVisualInfo* glx_visual_of(Display* display, int screen, VisualID visualId, std::string* error)
{
    XVisualInfo wanted{};
    wanted.visualid = visualId;
    wanted.screen = screen;
    int count = 0;
    XVisualInfo* visual = XGetVisualInfo(display, VisualIDMask | VisualScreenMask, &wanted, &count);
    if (visual == nullptr) {
        *error = "the window's visual " + hex(visualId) + " is not on its screen";
        return nullptr;
    }
    if (config(display, visual, GLX_USE_GL) == 0 || config(display, visual, GLX_RGBA) == 0) {
        *error = "the window's visual " + hex(visualId) + " does not support RGBA OpenGL rendering";
        XFree(visual);
        return nullptr;
    }
    return visual;
}

bool glx_bind(GlxSurface* surface, Display* display, Window window, XVisualInfo* visual, std::string* error)
{
    surface->display = display;
    surface->window = window;
    surface->doubleBuffered = config(display, visual, GLX_DOUBLEBUFFER) != 0;
    surface->context = glXCreateContext(display, visual, nullptr, True);
    if (surface->context == nullptr) {
        *error = "cannot create an OpenGL context for visual " + hex(visual->visualid);
        return false;
    }
    if (!glXMakeCurrent(display, window, surface->context)) {
        *error = "cannot make the OpenGL context current on window " + hex(window);
        glx_release(surface);
        return false;
    }
    return true;
}

void glx_present(const GlxSurface& surface)
{
    if (surface.doubleBuffered)
        glXSwapBuffers(surface.display, surface.window);
    else
        glFlush();
}

void glx_release(GlxSurface* surface)
{
    if (surface->context == nullptr)
        return;
    glXMakeCurrent(surface->display, None, nullptr);
    glXDestroyContext(surface->display, surface->context);
    surface->context = nullptr;
}
