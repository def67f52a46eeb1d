// Interposes the GL entry points used by draw/ (and the camera's placement) so tests see exactly
// which calls a drawing step makes; each call is recorded while recording is on and forwarded to the real library.
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

// The next definition of `name` after ours, looked up once.
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
    g_recording = true;
}

std::vector<GlCall> gl_record_stop()
{
    g_recording = false;
    return g_calls;
}

#define SHIM(name, params, args, ...)                                                                            \
    void name params                                                                                             \
    {                                                                                                            \
        note(#name, __VA_ARGS__);                                                                                \
        static decltype(&name) next;                                                                             \
        real(next, #name) args;                                                                                  \
    }

extern "C" {
SHIM(glBegin, (GLenum m), (m), m)
SHIM(glEnd, (), (), 0)
SHIM(glNormal3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), x, y, z)
SHIM(glTexCoord2f, (GLfloat s, GLfloat t), (s, t), s, t)
SHIM(glTexCoord2d, (GLdouble s, GLdouble t), (s, t), s, t)
SHIM(glVertex3d, (GLdouble x, GLdouble y, GLdouble z), (x, y, z), x, y, z)
SHIM(glVertex2f, (GLfloat x, GLfloat y), (x, y), x, y)
SHIM(glGenTextures, (GLsizei n, GLuint* names), (n, names), n)
SHIM(glBindTexture, (GLenum target, GLuint name), (target, name), target, name)
SHIM(glTexParameteri, (GLenum target, GLenum p, GLint v), (target, p, v), target, p, v)
SHIM(glTexEnvf, (GLenum target, GLenum p, GLfloat v), (target, p, v), target, p, v)
SHIM(glPixelStorei, (GLenum p, GLint v), (p, v), p, v)
SHIM(glTexImage2D, (GLenum t, GLint l, GLint i, GLsizei w, GLsizei h, GLint b, GLenum f, GLenum y, const GLvoid* d),
     (t, l, i, w, h, b, f, y, d), l, i, w, h)
SHIM(glTexSubImage2D, (GLenum t, GLint l, GLint x, GLint y, GLsizei w, GLsizei h, GLenum f, GLenum e, const GLvoid* d),
     (t, l, x, y, w, h, f, e, d), w, h, f)
SHIM(glRotatef, (GLfloat a, GLfloat x, GLfloat y, GLfloat z), (a, x, y, z), a, x, y, z)
SHIM(glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), x, y, z)
SHIM(glPointSize, (GLfloat s), (s), s)
SHIM(glCallList, (GLuint list), (list), list)
}
