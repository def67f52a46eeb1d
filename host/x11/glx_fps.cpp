// The --fps counter and its corner text: glyphs from glXUseXFont in display lists, drawn under a
// saved and restored GL state so that the scene's own state is untouched.
#include "host/x11/glx_fps.h"

#include "host/posix_clock.h"
#include "host/x11/x11_window.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <sys/resource.h>

#include <cstdio>

namespace {

constexpr int FIRST_GLYPH = 32;
constexpr int GLYPH_COUNT = 95; // printable ASCII
constexpr int PAD = 4;

XFontStruct* font = nullptr;
GLuint glyphLists = 0;
char text[80] = "";
int textLength = 0;
int textWidth = 0;

long frames = 0;
long framesSinceUpdate = 0;
double startWall = 0.0;
double startCpu = 0.0;
double updateWall = 0.0;
double updateCpu = 0.0;

double wall_seconds()
{
    return static_cast<double>(monotonic_us()) * 1e-6;
}

// User and system time of the whole process.
double cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const timeval& u = usage.ru_utime;
    const timeval& s = usage.ru_stime;
    return static_cast<double>(u.tv_sec + s.tv_sec) + static_cast<double>(u.tv_usec + s.tv_usec) * 1e-6;
}

void draw_text(int width, int height)
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(0, 0, width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    // An opaque box: the picture is never cleared, so bare text would leave trails.
    glColor3f(0.0f, 0.0f, 0.0f);
    glRecti(0, 0, textWidth + 2 * PAD, font->ascent + font->descent + 2 * PAD);
    glColor3f(1.0f, 1.0f, 0.6f);
    glRasterPos2i(PAD, PAD + font->descent);
    glListBase(glyphLists - FIRST_GLYPH);
    glCallLists(textLength, GL_UNSIGNED_BYTE, text);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

} // namespace

void fps_start(Display* display)
{
    font = XLoadQueryFont(display, "fixed");
    if (font != nullptr) {
        glyphLists = glGenLists(GLYPH_COUNT);
        glXUseXFont(font->fid, FIRST_GLYPH, GLYPH_COUNT, static_cast<int>(glyphLists));
        // Mesa compiles the space, a glyph without pixels, into a list that does not advance: a
        // blank one-pixel bitmap does.
        static const GLubyte blank[4] = {};
        glNewList(glyphLists, GL_COMPILE);
        glBitmap(1, 1, 0.0f, 0.0f, static_cast<float>(XTextWidth(font, " ", 1)), 0.0f, blank);
        glEndList();
        // Some servers cannot make the glyphs (indirect GLX may refuse them): then the figures go
        // to stderr.
        glFinish();
        if (!x11_sync_clean(display)) {
            glDeleteLists(glyphLists, GLYPH_COUNT);
            XFreeFont(display, font);
            font = nullptr;
        }
    }
    startWall = updateWall = wall_seconds();
    startCpu = updateCpu = cpu_seconds();
}

void fps_frame(int width, int height)
{
    ++frames;
    ++framesSinceUpdate;
    const double now = wall_seconds();
    if (now - updateWall >= 1.0) {
        const double cpu = cpu_seconds();
        const double perSecond = static_cast<double>(framesSinceUpdate) / (now - updateWall);
        const double cpuMs = (cpu - updateCpu) * 1000.0 / static_cast<double>(framesSinceUpdate);
        textLength = std::snprintf(text, sizeof text, "%.1f fps  %.2f ms CPU per frame", perSecond, cpuMs);
        if (font != nullptr)
            textWidth = XTextWidth(font, text, textLength);
        else
            std::fprintf(stderr, "latticedrift: %s\n", text);
        updateWall = now;
        updateCpu = cpu;
        framesSinceUpdate = 0;
    }
    if (font != nullptr && textLength > 0)
        draw_text(width, height);
}

void fps_stop(Display* display)
{
    const double seconds = wall_seconds() - startWall;
    if (frames > 0 && seconds > 0.0)
        std::fprintf(stderr, "latticedrift: %ld frames in %.1f s: %.1f frames/s, %.2f ms CPU per frame\n", frames,
                     seconds, static_cast<double>(frames) / seconds,
                     (cpu_seconds() - startCpu) * 1000.0 / static_cast<double>(frames));
    if (font != nullptr) {
        glDeleteLists(glyphLists, GLYPH_COUNT);
        XFreeFont(display, font);
        font = nullptr;
    }
}
