// Textures of the OpenGL 1.1 layer: names, binding, parameters, images and the texture
// environment. Every image reaches WebGL as packed RGBA, whatever the core's format.
#include "compat/webgl/webgl_backend.h"
#include "compat/webgl/webgl_context.h"

#include <cstring>

namespace {

Layer& L = gl_layer;

// Largest side the layer converts: a larger image would not fit the page's memory.
constexpr int MAX_TEXTURE_SIDE = 4096;
constexpr int MAX_LEVELS = 16;

TextureRecord* bound_record()
{
    const GLuint name = L.state.boundTexture;
    return name != 0 && name < L.textures.size() ? &L.textures[name] : nullptr;
}

bool uses_mipmaps(GLint minFilter)
{
    return minFilter != GL_NEAREST && minFilter != GL_LINEAR;
}

int channels_of(GLenum format)
{
    switch (format) {
    case GL_RGBA: return 4;
    case GL_RGB: return 3;
    case GL_LUMINANCE_ALPHA: return 2;
    case GL_LUMINANCE: return 1;
    default: return 0;
    }
}

// Hands a parameter to WebGL: GL 1.1's GL_CLAMP has no WebGL counterpart; clamping to the edge is
// the nearest.
void send_parameter(GLenum pname, GLint value)
{
    constexpr GLint WEBGL_CLAMP_TO_EDGE = 0x812F;
    ld_gpu_texture_parameter(static_cast<int>(pname), value == GL_CLAMP ? WEBGL_CLAMP_TO_EDGE : value);
}

void apply_parameters(const TextureRecord& t)
{
    send_parameter(GL_TEXTURE_MIN_FILTER, t.minFilter);
    send_parameter(GL_TEXTURE_MAG_FILTER, t.magFilter);
    send_parameter(GL_TEXTURE_WRAP_S, t.wrapS);
    send_parameter(GL_TEXTURE_WRAP_T, t.wrapT);
}

bool image_request_valid(GLenum target, GLint level, GLsizei width, GLsizei height, GLenum type)
{
    return L.open && target == GL_TEXTURE_2D && type == GL_UNSIGNED_BYTE && level >= 0 && level < MAX_LEVELS &&
           width >= 0 && height >= 0 && width <= MAX_TEXTURE_SIDE && height <= MAX_TEXTURE_SIDE;
}

} // namespace

bool bound_texture_complete()
{
    const TextureRecord* t = bound_record();
    if (t == nullptr || t->levelWidth[0] == 0 || t->levelHeight[0] == 0)
        return false;
    if (!uses_mipmaps(t->minFilter))
        return true;
    int w = t->levelWidth[0];
    int h = t->levelHeight[0];
    for (int level = 1; level < MAX_LEVELS && (w > 1 || h > 1); ++level) {
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
        if (t->levelWidth[level] != w || t->levelHeight[level] != h)
            return false;
    }
    return true;
}

void sync_texture_binding()
{
    TextureRecord* t = bound_record();
    if (t != nullptr && t->gpu == 0) {
        t->gpu = ld_gpu_texture_create();
        ld_gpu_texture_bind(t->gpu);
        apply_parameters(*t);
        return;
    }
    ld_gpu_texture_bind(t != nullptr ? t->gpu : 0);
}

const unsigned char* texels_as_rgba(int width, int height, GLenum format, const void* pixels)
{
    const int channels = channels_of(format);
    if (channels == 0)
        return nullptr;
    const std::size_t texels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (L.texels.size() < texels * 4)
        L.texels.resize(texels * 4);
    unsigned char* out = L.texels.data();
    if (pixels == nullptr) {
        std::memset(out, 0, texels * 4);
        return out;
    }
    const auto align = static_cast<std::size_t>(L.state.unpackAlignment);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    const std::size_t stride = (rowBytes + align - 1) / align * align;
    const auto* in = static_cast<const unsigned char*>(pixels);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = in + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x, out += 4) {
            const unsigned char* p = row + static_cast<std::size_t>(x) * static_cast<std::size_t>(channels);
            switch (channels) {
            case 4: std::memcpy(out, p, 4); break;
            case 3: out[0] = p[0]; out[1] = p[1]; out[2] = p[2]; out[3] = 255; break;
            case 2: out[0] = out[1] = out[2] = p[0]; out[3] = p[1]; break;
            default: out[0] = out[1] = out[2] = p[0]; out[3] = 255; break;
            }
        }
    }
    return L.texels.data();
}

void texture_level_rgba(int level, int width, int height, const unsigned char* rgba)
{
    TextureRecord* t = bound_record();
    if (t == nullptr)
        return;
    t->levelWidth[level] = width;
    t->levelHeight[level] = height;
    ld_gpu_texture_image(level, width, height, rgba);
}

extern "C" {

void glGenTextures(GLsizei n, GLuint* textures)
{
    if (!L.open || n < 0 || textures == nullptr)
        return;
    if (L.textures.empty())
        L.textures.resize(1);
    std::size_t next = 1;
    for (GLsizei i = 0; i < n; ++i) {
        while (next < L.textures.size() && L.textures[next].named)
            ++next;
        if (next == L.textures.size())
            L.textures.emplace_back();
        L.textures[next].named = true;
        textures[i] = static_cast<GLuint>(next);
    }
}

void glDeleteTextures(GLsizei n, const GLuint* textures)
{
    if (!L.open || n < 0 || textures == nullptr)
        return;
    for (GLsizei i = 0; i < n; ++i) {
        const GLuint name = textures[i];
        if (name == 0 || name >= L.textures.size())
            continue;
        if (L.textures[name].gpu != 0)
            ld_gpu_texture_delete(L.textures[name].gpu);
        L.textures[name] = TextureRecord();
        // Deleting the bound texture binds none, as in GL.
        if (L.state.boundTexture == name) {
            L.state.boundTexture = 0;
            ld_gpu_texture_bind(0);
        }
    }
}

void glBindTexture(GLenum target, GLuint texture)
{
    if (!L.open || target != GL_TEXTURE_2D)
        return;
    // GL 1.1 lets any unused name become a texture at its first binding.
    if (texture != 0 && texture >= L.textures.size())
        L.textures.resize(static_cast<std::size_t>(texture) + 1);
    if (texture != 0)
        L.textures[texture].named = true;
    L.state.boundTexture = texture;
    sync_texture_binding();
}

void glTexParameteri(GLenum target, GLenum pname, GLint param)
{
    TextureRecord* t = bound_record();
    if (!L.open || target != GL_TEXTURE_2D || t == nullptr)
        return;
    const bool filter = param == GL_NEAREST || param == GL_LINEAR;
    const bool mipmapFilter = param >= GL_NEAREST_MIPMAP_NEAREST && param <= GL_LINEAR_MIPMAP_LINEAR;
    const bool wrap = param == GL_REPEAT || param == GL_CLAMP;
    switch (pname) {
    case GL_TEXTURE_MIN_FILTER:
        if (!filter && !mipmapFilter)
            return;
        t->minFilter = param;
        break;
    case GL_TEXTURE_MAG_FILTER:
        if (!filter)
            return;
        t->magFilter = param;
        break;
    case GL_TEXTURE_WRAP_S:
        if (!wrap)
            return;
        t->wrapS = param;
        break;
    case GL_TEXTURE_WRAP_T:
        if (!wrap)
            return;
        t->wrapT = param;
        break;
    default:
        return;
    }
    send_parameter(pname, param);
}

void glTexEnvf(GLenum target, GLenum pname, GLfloat param)
{
    const auto mode = static_cast<GLenum>(param);
    if (L.open && target == GL_TEXTURE_ENV && pname == GL_TEXTURE_ENV_MODE &&
        (mode == GL_MODULATE || mode == GL_REPLACE || mode == GL_DECAL || mode == GL_BLEND))
        L.state.texEnvMode = mode;
}

void glTexEnvfv(GLenum target, GLenum pname, const GLfloat* params)
{
    if (!L.open || target != GL_TEXTURE_ENV || params == nullptr)
        return;
    if (pname == GL_TEXTURE_ENV_COLOR) {
        std::memcpy(L.state.texEnvColour, params, sizeof L.state.texEnvColour);
        L.dirty |= DIRTY_TEX_ENV;
    } else {
        glTexEnvf(target, pname, params[0]);
    }
}

void glPixelStorei(GLenum pname, GLint param)
{
    if (L.open && pname == GL_UNPACK_ALIGNMENT && (param == 1 || param == 2 || param == 4 || param == 8))
        L.state.unpackAlignment = param;
}

void glTexImage2D(GLenum target, GLint level, GLint, GLsizei width, GLsizei height, GLint border, GLenum format,
                  GLenum type, const GLvoid* pixels)
{
    if (!image_request_valid(target, level, width, height, type) || border != 0 || bound_record() == nullptr)
        return;
    const unsigned char* rgba = texels_as_rgba(width, height, format, pixels);
    if (rgba != nullptr)
        texture_level_rgba(level, width, height, rgba);
}

void glTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLsizei width, GLsizei height,
                     GLenum format, GLenum type, const GLvoid* pixels)
{
    const TextureRecord* t = bound_record();
    if (!image_request_valid(target, level, width, height, type) || t == nullptr || pixels == nullptr)
        return;
    // Only inside the level's image, as GL requires.
    if (xoffset < 0 || yoffset < 0 || xoffset + width > t->levelWidth[level] ||
        yoffset + height > t->levelHeight[level])
        return;
    const unsigned char* rgba = texels_as_rgba(width, height, format, pixels);
    if (rgba != nullptr)
        ld_gpu_texture_sub_image(level, xoffset, yoffset, width, height, rgba);
}

} // extern "C"
