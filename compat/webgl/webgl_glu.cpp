// GLU on the OpenGL 1.1 layer: the perspective and viewing matrices and the mipmap chain.
#include "compat/webgl/glu_mipmap.h"
#include "compat/webgl/webgl_context.h"

#include <GL/glu.h>

#include <vector>

namespace {

// GLU's error codes.
constexpr GLint GLU_INVALID_ENUM = 100900;
constexpr GLint GLU_INVALID_VALUE = 100901;
constexpr GLint GLU_INVALID_OPERATION = 100904;

void changed_matrix() { gl_layer.dirty |= DIRTY_MATRICES; }

} // namespace

extern "C" {

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    if (!gl_layer.open)
        return;
    current_matrix() = mat_perspective(current_matrix(), fovy, aspect, zNear, zFar);
    changed_matrix();
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
               GLdouble upX, GLdouble upY, GLdouble upZ)
{
    if (!gl_layer.open)
        return;
    const double eye[3] = {eyeX, eyeY, eyeZ};
    const double center[3] = {centerX, centerY, centerZ};
    const double up[3] = {upX, upY, upZ};
    current_matrix() = mat_look_at(current_matrix(), eye, center, up);
    changed_matrix();
}

// Every level from the image down to 1x1, each the box-filtered half of the one above. A side that
// is not a power of two is halved as it is (WebGL 2 takes such textures) where GLU would first
// rescale the image; the core's textures are powers of two.
GLint gluBuild2DMipmaps(GLenum target, GLint, GLint width, GLint height, GLenum format, GLenum type, const void* data)
{
    if (!gl_layer.open)
        return GLU_INVALID_OPERATION;
    if (target != GL_TEXTURE_2D || type != GL_UNSIGNED_BYTE)
        return GLU_INVALID_ENUM;
    if (width < 1 || height < 1 || width > 4096 || height > 4096 || data == nullptr)
        return GLU_INVALID_VALUE;
    const unsigned char* rgba = texels_as_rgba(width, height, format, data);
    if (rgba == nullptr)
        return GLU_INVALID_ENUM;
    std::vector<unsigned char> level(rgba, rgba + static_cast<std::size_t>(width) * height * 4);
    std::vector<unsigned char> below;
    texture_level_rgba(0, width, height, level.data());
    for (int n = 1; width > 1 || height > 1; ++n) {
        below.resize(static_cast<std::size_t>(next_level_side(width)) * next_level_side(height) * 4);
        halve_rgba(level.data(), width, height, below.data());
        width = next_level_side(width);
        height = next_level_side(height);
        level.swap(below);
        texture_level_rgba(n, width, height, level.data());
    }
    return 0;
}

} // extern "C"
