#include "tests/support/gl_test_context.h"

#include "scene/frame_clock.h"
#include "tools/egl_context.h"

#include <GL/gl.h>
#include <string>

namespace {
// Never destroyed: terminating EGL at exit unloads Mesa's driver before the leak checker runs,
// which then blames the driver's own shutdown allocations on an unknown module.
EglContext& g_context = *new EglContext;
std::string g_error;
int g_simulatedMs = 0;
int simulated_ms() { return g_simulatedMs; }
} // namespace

bool use_gl_context(int width, int height)
{
    if (g_context.valid() && g_context.width() == width && g_context.height() == height)
        return true;
    return g_context.create(width, height, &g_error);
}

const char* gl_context_error()
{
    return g_error.c_str();
}

std::vector<std::uint8_t> read_rgba(int x, int y, int width, int height)
{
    std::vector<std::uint8_t> out(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

void set_simulated_ms(int ms)
{
    g_simulatedMs = ms;
    elapsed_ms_source = &simulated_ms;
}
