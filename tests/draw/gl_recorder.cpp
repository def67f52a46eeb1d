// Interposes the GL and GLU entry points used by draw/ so tests can see exactly which calls a
// drawing step makes; each call is forwarded to the next definition (the real library).
#include "tests/draw/gl_recorder.h"

#include <GL/gl.h>
#include <dlfcn.h>

#include <cstring>

namespace {

bool g_recording = false;
std::vector<GlCall> g_calls;

void note(const char* name, double a0 = 0, double a1 = 0, double a2 = 0, double a3 = 0)
{
    if (g_recording)
        g_calls.push_back(GlCall{name, {a0, a1, a2, a3}});
}

// The real entry point of `name`, looked up once per shim.
template <typename F>
F real(F& cache, const char* name)
{
    if (cache == nullptr) {
        void* p = dlsym(RTLD_NEXT, name);
        std::memcpy(&cache, &p, sizeof cache);
    }
    return cache;
}

} // namespace

void gl_record_start()
{
    g_calls.clear();
    g_calls.reserve(4096);
    g_recording = true;
}

std::vector<GlCall> gl_record_stop()
{
    g_recording = false;
    return g_calls;
}

#define FORWARD(name, args)                                                                              \
    static decltype(&name) cache;                                                                                \
    real(cache, #name) args

extern "C" {

void glBegin(GLenum mode)
{
    note("glBegin", mode);
    FORWARD(glBegin, (mode));
}
void glEnd()
{
    note("glEnd");
    FORWARD(glEnd, ());
}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    note("glNormal3f", x, y, z);
    FORWARD(glNormal3f, (x, y, z));
}
void glTexCoord2f(GLfloat s, GLfloat t)
{
    note("glTexCoord2f", s, t);
    FORWARD(glTexCoord2f, (s, t));
}
void glTexCoord2d(GLdouble s, GLdouble t)
{
    note("glTexCoord2d", s, t);
    FORWARD(glTexCoord2d, (s, t));
}
void glVertex3d(GLdouble x, GLdouble y, GLdouble z)
{
    note("glVertex3d", x, y, z);
    FORWARD(glVertex3d, (x, y, z));
}
void glVertex2f(GLfloat x, GLfloat y)
{
    note("glVertex2f", x, y);
    FORWARD(glVertex2f, (x, y));
}
void glGenTextures(GLsizei n, GLuint* names)
{
    note("glGenTextures", n);
    FORWARD(glGenTextures, (n, names));
}
void glBindTexture(GLenum target, GLuint name)
{
    note("glBindTexture", target, name);
    FORWARD(glBindTexture, (target, name));
}
void glTexParameteri(GLenum target, GLenum pname, GLint value)
{
    note("glTexParameteri", target, pname, value);
    FORWARD(glTexParameteri, (target, pname, value));
}
void glTexEnvf(GLenum target, GLenum pname, GLfloat value)
{
    note("glTexEnvf", target, pname, value);
    FORWARD(glTexEnvf, (target, pname, value));
}
void glTexEnvfv(GLenum target, GLenum pname, const GLfloat* values)
{
    note("glTexEnvfv", target, pname, values[0], values[3]);
    FORWARD(glTexEnvfv, (target, pname, values));
}
void glPixelStorei(GLenum pname, GLint value)
{
    note("glPixelStorei", pname, value);
    FORWARD(glPixelStorei, (pname, value));
}
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels)
{
    note("glTexImage2D", level, internalFormat, width, height);
    FORWARD(glTexImage2D, (target, level, internalFormat, width, height, border, format, type, pixels));
}
void glTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                     GLenum type, const GLvoid* pixels)
{
    note("glTexSubImage2D", width, height, format);
    FORWARD(glTexSubImage2D, (target, level, x, y, width, height, format, type, pixels));
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    note("glRotatef", angle, x, y, z);
    FORWARD(glRotatef, (angle, x, y, z));
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    note("glTranslatef", x, y, z);
    FORWARD(glTranslatef, (x, y, z));
}
void glPointSize(GLfloat size)
{
    note("glPointSize", size);
    FORWARD(glPointSize, (size));
}
void glCallList(GLuint list)
{
    note("glCallList", list);
    FORWARD(glCallList, (list));
}
GLuint glGenLists(GLsizei range)
{
    note("glGenLists", range);
    static decltype(&glGenLists) cache;
    return real(cache, "glGenLists")(range);
}

} // extern "C"
