// The --fps counter and its corner text: glyphs from glXUseXFont in display lists, drawn under a
// saved and restored GL state so that the scene's own state is untouched.
#include "host/x11/glx_fps.h"

#include "host/posix_frame_rate.h"
#include "host/x11/x11_window.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int FIRST_GLYPH = 32;
constexpr int GLYPH_COUNT = 95; // printable ASCII
constexpr int PAD = 4;

XFontStruct* font = nullptr;
GLuint glyphLists = 0;
const char* text = "";
int textLength = 0;
int textWidth = 0;

FrameRate rate;

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
    rate.start();
}

void fps_frame(int width, int height)
{
    if (const char* figures = rate.frame()) {
        text = figures;
        textLength = static_cast<int>(std::strlen(text));
        if (font != nullptr)
            textWidth = XTextWidth(font, text, textLength);
        else
            std::fprintf(stderr, "latticedrift: %s\n", text);
    }
    if (font != nullptr && textLength > 0)
        draw_text(width, height);
}

void fps_stop(Display* display)
{
    rate.stop();
    if (font != nullptr) {
        glDeleteLists(glyphLists, GLYPH_COUNT);
        XFreeFont(display, font);
        font = nullptr;
    }
}
