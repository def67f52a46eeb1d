// Helpers shared by the drawing tests: reading a texture's level 0 back from GL.
#ifndef LATTICEDRIFT_TESTS_DRAW_SUPPORT_H
#define LATTICEDRIFT_TESTS_DRAW_SUPPORT_H

#include "draw/texture.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Level 0 of `t` as bytes in `format` (four per texel for GL_RGBA, two for GL_LUMINANCE_ALPHA).
// Restores the binding that Texture::bind believes is current.
inline std::vector<std::uint8_t> read_texels(const Texture& t, GLenum format = GL_RGBA)
{
    const int perTexel = format == GL_RGBA ? 4 : 2;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(t.width) * static_cast<std::size_t>(t.height) * perTexel);
    glBindTexture(GL_TEXTURE_2D, t.glName);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
    glBindTexture(GL_TEXTURE_2D, Texture::boundName == ~GLuint(0) ? 0 : Texture::boundName);
    return out;
}

// The four bytes of RGBA texel (x, y).
inline std::vector<int> rgba_at(const std::vector<std::uint8_t>& texels, int width, int x, int y)
{
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
    return {texels[i], texels[i + 1], texels[i + 2], texels[i + 3]};
}

#endif
