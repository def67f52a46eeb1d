// The frame keeper: one RGB texture at least the window's size, filled by glCopyTexSubImage2D and
// drawn back by a textured quad with nearest sampling, so that every pixel comes back unchanged.
#include "host/x11/frame_keeper.h"

#include <initializer_list>

namespace {

int power_of_two_at_least(int n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

} // namespace

void FrameKeeper::resize(int windowWidth, int windowHeight)
{
    width = windowWidth;
    height = windowHeight;
    held = false;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    usable = width > 0 && height > 0 && width <= maxSize && height <= maxSize;
    if (!usable || (width <= textureWidth && height <= textureHeight))
        return;
    glPushAttrib(GL_TEXTURE_BIT);
    if (texture == 0)
        glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    textureWidth = power_of_two_at_least(width);
    textureHeight = power_of_two_at_least(height);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, textureWidth, textureHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPopAttrib();
}

void FrameKeeper::save()
{
    if (!usable)
        return;
    glPushAttrib(GL_TEXTURE_BIT);
    glBindTexture(GL_TEXTURE_2D, texture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
    glPopAttrib();
    held = true;
}

void FrameKeeper::restore() const
{
    if (!held)
        return;
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT |
                 GL_POLYGON_BIT | GL_CURRENT_BIT | GL_TRANSFORM_BIT);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(0, 0, width, height);
    for (GLenum capability : { GL_BLEND, GL_DEPTH_TEST, GL_FOG, GL_LIGHTING, GL_CULL_FACE, GL_ALPHA_TEST,
                               GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_DITHER, GL_COLOR_LOGIC_OP })
        glDisable(capability);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_FALSE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    const float s = static_cast<float>(width) / static_cast<float>(textureWidth);
    const float t = static_cast<float>(height) / static_cast<float>(textureHeight);
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(s, 0.0f);
    glVertex2f(w, 0.0f);
    glTexCoord2f(s, t);
    glVertex2f(w, h);
    glTexCoord2f(0.0f, t);
    glVertex2f(0.0f, h);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glPopAttrib();
}

void FrameKeeper::release()
{
    if (texture != 0)
        glDeleteTextures(1, &texture);
    *this = FrameKeeper();
}
