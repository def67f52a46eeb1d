// EGL pbuffer context: surfaceless Mesa first, then the first EGL device that gives a context.
#include "tools/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstring>
#include <vector>

namespace {

bool has_extension(const char* list, const char* name)
{
    if (list == nullptr)
        return false;
    const size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n) {
        const bool startOk = p == list || p[-1] == ' ';
        const bool endOk = p[n] == '\0' || p[n] == ' ';
        if (startOk && endOk)
            return true;
    }
    return false;
}

// Initialises dpy and makes a pbuffer context on it; cleans up after itself on failure.
bool make_on_display(EGLDisplay dpy, int width, int height, void** surfaceOut, void** contextOut)
{
    if (dpy == EGL_NO_DISPLAY || !eglInitialize(dpy, nullptr, nullptr))
        return false;
    const EGLint configAttribs[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
        EGL_DEPTH_SIZE, 16,
        EGL_NONE,
    };
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(dpy, configAttribs, &config, 1, &count) || count < 1 || !eglBindAPI(EGL_OPENGL_API)) {
        eglTerminate(dpy);
        return false;
    }
    const EGLint surfaceAttribs[] = { EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE };
    EGLSurface surface = eglCreatePbufferSurface(dpy, config, surfaceAttribs);
    EGLContext context = surface == EGL_NO_SURFACE ? EGL_NO_CONTEXT
                                                   : eglCreateContext(dpy, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT || !eglMakeCurrent(dpy, surface, surface, context)) {
        if (context != EGL_NO_CONTEXT)
            eglDestroyContext(dpy, context);
        if (surface != EGL_NO_SURFACE)
            eglDestroySurface(dpy, surface);
        eglTerminate(dpy);
        return false;
    }
    *surfaceOut = surface;
    *contextOut = context;
    return true;
}

} // namespace

EglContext::~EglContext()
{
    destroy();
}

bool EglContext::create(int width, int height, std::string* error)
{
    destroy();
    if (width < 1 || height < 1 || width > 16384 || height > 16384) {
        if (error != nullptr)
            *error = "EGL: size must be between 1x1 and 16384x16384";
        return false;
    }
    const char* clientExts = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) {
        if (error != nullptr)
            *error = "EGL: eglGetPlatformDisplayEXT is missing (no EGL client extensions)";
        return false;
    }
    if (has_extension(clientExts, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay dpy = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (make_on_display(dpy, width, height, &surface_, &context_)) {
            display_ = dpy;
            platform_ = "surfaceless";
        }
    }
    if (context_ == nullptr && has_extension(clientExts, "EGL_EXT_platform_device")) {
        auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
        EGLint n = 0;
        if (queryDevices != nullptr && queryDevices(0, nullptr, &n) && n > 0) {
            std::vector<EGLDeviceEXT> devices(static_cast<size_t>(n));
            queryDevices(n, devices.data(), &n);
            for (EGLint i = 0; i < n && context_ == nullptr; ++i) {
                EGLDisplay dpy = getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[static_cast<size_t>(i)], nullptr);
                if (make_on_display(dpy, width, height, &surface_, &context_)) {
                    display_ = dpy;
                    platform_ = "device";
                }
            }
        }
    }
    if (context_ == nullptr) {
        if (error != nullptr)
            *error = "EGL: no OpenGL context could be made (neither the surfaceless nor a device platform gave one)";
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

void EglContext::destroy()
{
    if (display_ != nullptr) {
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context_ != nullptr)
            eglDestroyContext(display_, context_);
        if (surface_ != nullptr)
            eglDestroySurface(display_, surface_);
        eglTerminate(display_);
    }
    display_ = surface_ = context_ = nullptr;
    width_ = height_ = 0;
    platform_ = "";
}

void EglContext::readPixelsTopDown(unsigned char* rgba) const
{
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const size_t row = static_cast<size_t>(width_) * 4;
    for (int y = 0; y < height_; ++y)
        glReadPixels(0, height_ - 1 - y, width_, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba + row * static_cast<size_t>(y));
}
