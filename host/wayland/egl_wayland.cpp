// EGL on the Wayland platform. The configuration matches the headless renderer's where it matters to
// the picture (8 bits per colour channel, a depth buffer of at least 16 bits, the smallest offered),
// prefers no alpha channel (an opaque buffer) and a swap that keeps the back buffer.
#include "host/wayland/egl_wayland.h"

#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>

#include <vector>

namespace {

std::string egl_failure(const char* what)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%04x", static_cast<unsigned>(eglGetError()));
    return std::string("EGL: ") + what + " failed (error " + code + ")";
}

EGLint attribute(EGLDisplay display, EGLConfig config, EGLint name)
{
    EGLint value = 0;
    eglGetConfigAttrib(display, config, name, &value);
    return value;
}

// The best of the offered configurations, or null: exact 8-bit colour, then the smallest depth of
// 16 bits or more, then no alpha, then a swap that can keep the back buffer.
EGLConfig choose_config(EGLDisplay display)
{
    const EGLint wanted[] = {
        EGL_SURFACE_TYPE, EGL_WINDOW_BIT,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
        EGL_DEPTH_SIZE, 16,
        EGL_NONE,
    };
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, nullptr, 0, &count) || count < 1)
        return nullptr;
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    eglChooseConfig(display, wanted, configs.data(), count, &count);
    EGLConfig best = nullptr;
    long bestScore = -1;
    for (EGLint i = 0; i < count; ++i) {
        EGLConfig c = configs[static_cast<size_t>(i)];
        if (attribute(display, c, EGL_RED_SIZE) != 8 || attribute(display, c, EGL_GREEN_SIZE) != 8 ||
            attribute(display, c, EGL_BLUE_SIZE) != 8)
            continue;
        const long depth = attribute(display, c, EGL_DEPTH_SIZE);
        const bool alpha = attribute(display, c, EGL_ALPHA_SIZE) > 0;
        const bool keeps = (attribute(display, c, EGL_SURFACE_TYPE) & EGL_SWAP_BEHAVIOR_PRESERVED_BIT) != 0;
        const long score = (64 - depth) * 4 + (alpha ? 0 : 2) + (keeps ? 1 : 0);
        if (score > bestScore) {
            best = c;
            bestScore = score;
        }
    }
    return best;
}

// A whole name in a blank-separated extension list (one name may begin another).
bool has_extension(const char* list, const char* name)
{
    const std::size_t length = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length) {
        const bool starts = p == list || p[-1] == ' ';
        if (starts && (p[length] == ' ' || p[length] == '\0'))
            return true;
    }
    return false;
}

} // namespace

bool egl_wayland_open(EglWayland* egl, wl_display* display, wl_surface* surface, int width, int height,
                      std::string* error)
{
    egl->display = eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, display, nullptr);
    if (egl->display == EGL_NO_DISPLAY || !eglInitialize(egl->display, nullptr, nullptr)) {
        *error = egl_failure("a display on the Wayland platform");
        egl->display = EGL_NO_DISPLAY;
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = egl_failure("binding OpenGL");
        return false;
    }
    egl->config = choose_config(egl->display);
    if (egl->config == nullptr) {
        *error = "EGL: no configuration for an OpenGL window with 8-bit colour and a depth buffer";
        return false;
    }
    egl->alphaBits = attribute(egl->display, egl->config, EGL_ALPHA_SIZE);
    // OpenGL without a version asked for: the compatibility profile, where OpenGL 1.1 runs.
    egl->context = eglCreateContext(egl->display, egl->config, EGL_NO_CONTEXT, nullptr);
    if (egl->context == EGL_NO_CONTEXT) {
        *error = egl_failure("creating an OpenGL context");
        return false;
    }
    egl->window = wl_egl_window_create(surface, width, height);
    if (egl->window == nullptr) {
        *error = "EGL: wl_egl_window_create failed";
        return false;
    }
    egl->surface = eglCreatePlatformWindowSurface(egl->display, egl->config, egl->window, nullptr);
    if (egl->surface == EGL_NO_SURFACE) {
        *error = egl_failure("creating the window surface");
        return false;
    }
    if (!eglMakeCurrent(egl->display, egl->surface, egl->surface, egl->context)) {
        *error = egl_failure("making the context current");
        return false;
    }
    // Never block in a swap: a hidden surface gets no frame callbacks, and the host waits for them.
    eglSwapInterval(egl->display, 0);
    const bool offered = (attribute(egl->display, egl->config, EGL_SURFACE_TYPE) & EGL_SWAP_BEHAVIOR_PRESERVED_BIT) != 0;
    egl->preserved = offered && eglSurfaceAttrib(egl->display, egl->surface, EGL_SWAP_BEHAVIOR, EGL_BUFFER_PRESERVED);
    const char* extensions = eglQueryString(egl->display, EGL_EXTENSIONS);
    egl->bufferAge = extensions != nullptr && has_extension(extensions, "EGL_EXT_buffer_age");
    return true;
}

int egl_wayland_buffer_age(const EglWayland& egl)
{
    EGLint age = 0;
    if (!egl.bufferAge || !eglQuerySurface(egl.display, egl.surface, EGL_BUFFER_AGE_EXT, &age))
        return 0;
    return age;
}

void egl_wayland_resize(EglWayland* egl, int width, int height)
{
    if (egl->window != nullptr)
        wl_egl_window_resize(egl->window, width, height, 0, 0);
}

bool egl_wayland_present(EglWayland* egl)
{
    return eglSwapBuffers(egl->display, egl->surface) == EGL_TRUE;
}

void egl_wayland_close(EglWayland* egl)
{
    if (egl->display != EGL_NO_DISPLAY) {
        eglMakeCurrent(egl->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (egl->surface != EGL_NO_SURFACE)
            eglDestroySurface(egl->display, egl->surface);
        if (egl->context != EGL_NO_CONTEXT)
            eglDestroyContext(egl->display, egl->context);
        eglTerminate(egl->display);
        eglReleaseThread();
    }
    if (egl->window != nullptr)
        wl_egl_window_destroy(egl->window);
    *egl = EglWayland{};
}
