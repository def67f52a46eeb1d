// GLX for the Linux host: framebuffer configurations through GLX 1.3, a copying swap through
// GLX_OML_swap_method, vsync through GLX_EXT_swap_control or GLX_MESA_swap_control.
#include "host/x11/glx_context.h"

#include "host/x11/hack_options.h"

#include <cstring>
#include <initializer_list>

#ifndef GLX_SWAP_METHOD_OML
#define GLX_SWAP_METHOD_OML 0x8060
#define GLX_SWAP_COPY_OML 0x8062
#endif

namespace {

using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);
using SwapIntervalMesa = int (*)(unsigned);

// A whole name in a blank-separated extension list (one name may begin another).
bool has_extension(const char* list, const char* name)
{
    const std::size_t length = std::strlen(name);
    for (const char* p = list; p != nullptr && (p = std::strstr(p, name)) != nullptr; p += length) {
        const bool starts = p == list || p[-1] == ' ';
        if (starts && (p[length] == ' ' || p[length] == '\0'))
            return true;
    }
    return false;
}

int attribute(Display* display, GLXFBConfig config, int name)
{
    int value = 0;
    return glXGetFBConfigAttrib(display, config, name, &value) == Success ? value : 0;
}

GlxConfig describe(Display* display, GLXFBConfig config, bool swapMethodOffered)
{
    GlxConfig c;
    c.config = config;
    c.doubleBuffered = attribute(display, config, GLX_DOUBLEBUFFER) != 0;
    c.copySwap = swapMethodOffered && attribute(display, config, GLX_SWAP_METHOD_OML) == GLX_SWAP_COPY_OML;
    c.alphaBits = attribute(display, config, GLX_ALPHA_SIZE);
    return c;
}

bool swap_method_offered(Display* display, int screen)
{
    return has_extension(glXQueryExtensionsString(display, screen), "GLX_OML_swap_method");
}

int visual_depth(Display* display, GLXFBConfig config)
{
    XVisualInfo* visual = glXGetVisualFromFBConfig(display, config);
    const int depth = visual != nullptr ? visual->depth : 0;
    if (visual != nullptr)
        XFree(visual);
    return depth;
}

// The first configuration of the list (best first) without alpha or multisampling, whose visual
// has `depth` bits (0: any): an alpha visual would show through under a compositor. Any without
// multisampling otherwise.
GLXFBConfig pick(Display* display, GLXFBConfig* configs, int count, int depth)
{
    GLXFBConfig fallback = nullptr;
    for (int i = 0; i < count; ++i) {
        if (attribute(display, configs[i], GLX_SAMPLE_BUFFERS) != 0 || attribute(display, configs[i], GLX_VISUAL_ID) == 0)
            continue;
        if (depth != 0 && visual_depth(display, configs[i]) != depth)
            continue;
        if (attribute(display, configs[i], GLX_ALPHA_SIZE) == 0)
            return configs[i];
        if (fallback == nullptr)
            fallback = configs[i];
    }
    return fallback;
}

} // namespace

bool glx_check(Display* display, int* errorBase, std::string* error)
{
    int eventBase = 0;
    if (!glXQueryExtension(display, errorBase, &eventBase)) {
        *error = "the X server has no GLX (OpenGL) extension";
        return false;
    }
    int major = 0;
    int minor = 0;
    glXQueryVersion(display, &major, &minor);
    if (major < 1 || (major == 1 && minor < 3)) {
        *error = "the X server's GLX is version " + std::to_string(major) + "." + std::to_string(minor) +
                 "; 1.3 or later is needed";
        return false;
    }
    return true;
}

XVisualInfo* glx_choose(Display* display, int screen, int depth, bool copyingOnly, GlxConfig* chosen,
                        std::string* error)
{
    const bool offered = swap_method_offered(display, screen);
    // A copying swap first; where none is offered, any swap (the frame keeper then keeps the frame).
    for (const bool copying : { true, false }) {
        if ((copying && !offered) || (!copying && copyingOnly))
            continue;
        int attributes[] = { GLX_X_RENDERABLE, True, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE,
                             GLX_RGBA_BIT, GLX_DOUBLEBUFFER, True, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1,
                             GLX_BLUE_SIZE, 1, GLX_DEPTH_SIZE, 16,
                             // None here ends the list before the swap method.
                             copying ? GLX_SWAP_METHOD_OML : static_cast<int>(None), GLX_SWAP_COPY_OML, None };
        int count = 0;
        GLXFBConfig* configs = glXChooseFBConfig(display, screen, attributes, &count);
        const GLXFBConfig config = configs != nullptr ? pick(display, configs, count, depth) : nullptr;
        if (configs != nullptr)
            XFree(configs);
        if (config != nullptr) {
            *chosen = describe(display, config, offered);
            return glXGetVisualFromFBConfig(display, config);
        }
    }
    *error = "no double-buffered RGBA OpenGL visual with a depth buffer on screen " + std::to_string(screen);
    if (depth != 0)
        *error += " of depth " + std::to_string(depth);
    return nullptr;
}

bool glx_config_of_visual(Display* display, int screen, VisualID visualId, GlxConfig* chosen, std::string* error)
{
    const bool offered = swap_method_offered(display, screen);
    int count = 0;
    GLXFBConfig* configs = glXGetFBConfigs(display, screen, &count);
    bool found = false;
    for (int i = 0; i < count; ++i) {
        if (static_cast<VisualID>(attribute(display, configs[i], GLX_VISUAL_ID)) != visualId ||
            (attribute(display, configs[i], GLX_RENDER_TYPE) & GLX_RGBA_BIT) == 0 ||
            (attribute(display, configs[i], GLX_DRAWABLE_TYPE) & GLX_WINDOW_BIT) == 0)
            continue;
        // Double-buffered first (a single buffer shows each frame half drawn), then a copying swap.
        const GlxConfig c = describe(display, configs[i], offered);
        if (!found || (c.doubleBuffered && !chosen->doubleBuffered) ||
            (c.doubleBuffered == chosen->doubleBuffered && c.copySwap && !chosen->copySwap))
            *chosen = c;
        found = true;
    }
    if (configs != nullptr)
        XFree(configs);
    if (!found)
        *error = "the window's visual " + format_x_id(visualId) + " does not support RGBA OpenGL rendering";
    return found;
}

bool glx_bind(GlxSurface* surface, Display* display, Window window, const GlxConfig& config, std::string* error)
{
    surface->display = display;
    surface->config = config;
    surface->context = glXCreateNewContext(display, config.config, GLX_RGBA_TYPE, nullptr, True);
    if (surface->context == nullptr) {
        *error = "cannot create an OpenGL context";
        return false;
    }
    surface->drawable = glXCreateWindow(display, config.config, window, nullptr);
    if (surface->drawable == 0 ||
        !glXMakeContextCurrent(display, surface->drawable, surface->drawable, surface->context)) {
        *error = "cannot make the OpenGL context current on window " + format_x_id(window);
        glx_release(surface);
        return false;
    }
    return true;
}

void glx_ask_for_vsync(const GlxSurface& surface, int screen)
{
    const char* extensions = glXQueryExtensionsString(surface.display, screen);
    const auto address = [](const char* function) {
        return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(function));
    };
    if (has_extension(extensions, "GLX_EXT_swap_control")) {
        if (const auto set = reinterpret_cast<SwapIntervalExt>(address("glXSwapIntervalEXT")))
            set(surface.display, surface.drawable, 1);
    } else if (has_extension(extensions, "GLX_MESA_swap_control")) {
        if (const auto set = reinterpret_cast<SwapIntervalMesa>(address("glXSwapIntervalMESA")))
            set(1);
    }
}

void glx_present(const GlxSurface& surface)
{
    if (surface.config.doubleBuffered)
        glXSwapBuffers(surface.display, surface.drawable);
    else
        glFlush();
}

void glx_release(GlxSurface* surface)
{
    if (surface->display == nullptr)
        return;
    glXMakeContextCurrent(surface->display, None, None, nullptr);
    if (surface->context != nullptr)
        glXDestroyContext(surface->display, surface->context);
    if (surface->drawable != 0)
        glXDestroyWindow(surface->display, surface->drawable);
    surface->context = nullptr;
    surface->drawable = 0;
}
