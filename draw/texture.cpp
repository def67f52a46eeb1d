// Procedural textures: the texel formulas, upload and binding of Texture, the TextureBank and
// gauss_rand. Texel work happens in fixed scratch storage shared with texture_animate.cpp.
#include "draw/texture.h"

#include "draw/texture_store.h"
#include "view/random.h"

#include <GL/glu.h>

#include <cmath>
#include <cstring>

TextureBank textureBank;

GLuint Texture::boundName = ~GLuint(0);
float Texture::envColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};

unsigned char texel_store[kMaxTexels * 4];

namespace {

// Sum of the SMOKE blobs, one float per texel.
float smoke_accumulator[TEXTURE_MAX_SIDE * TEXTURE_MAX_SIDE];

bool kind_has_formula(int kind)
{
    return (kind >= SPHERE && kind <= BLACK) || kind == CHECK;
}

// Whether a generate request lies within the scratch store and the formulas' domain.
bool generate_request_valid(int kind, int width, int height, int format)
{
    if (width < 1 || height < 1)
        return false;
    if (static_cast<long long>(width) * height > kMaxTexels)
        return false;
    if (format != GL_RGBA && format != GL_LUMINANCE_ALPHA)
        return false;
    if (!kind_has_formula(kind))
        return false;
    // A narrower cloud could give a blob radius of 0; the accumulator is 256 x 256.
    if (kind == SMOKE && (width < 25 || width > TEXTURE_MAX_SIDE || height > TEXTURE_MAX_SIDE))
        return false;
    return true;
}

void copy_label(char* label, const char* text)
{
    std::strncpy(label, text, TEXTURE_LABEL_SIZE - 1);
    label[TEXTURE_LABEL_SIZE - 1] = '\0';
}

// The four channels of texel (x, y) for every kind but SMOKE.
void texel_channels(int kind, int x, int y, int cx, int cy, float out[4])
{
    const float dx = static_cast<float>(x - cx);
    const float dy = static_cast<float>(y - cy);
    float v = 0.0f;
    switch (kind) {
    case SPHERE:
    case INVERSE_SPHERE: {
        // The square root stays double until the division by cx; only r itself is a float.
        float r = static_cast<float>(std::sqrt(static_cast<double>(dx * dx + dy * dy)) / cx);
        if (r > 1.0f)
            r = 1.0f;
        r = r * r;
        v = (kind == SPHERE ? 1.0f - r : r) * 255.0f;
        break;
    }
    case ROW_RAMP:
        v = static_cast<float>((16.0 - std::sqrt(2.0 * y)) * 15.0);
        break;
    case RING: {
        const int ix = x - cx;
        const int iy = y - cy;
        double h = std::sqrt(static_cast<double>(ix * ix + iy * iy)) / 58.0;
        if (h > 1.0)
            h = 9.0 - 8.0 * h;
        v = h < 0.0 ? 0.0f : static_cast<float>(std::pow(h, 1.0) * 255.0);
        break;
    }
    case PYRAMID: {
        const float fcx = static_cast<float>(cx);
        const float fcy = static_cast<float>(cy);
        const float ax = (fcx - std::fabs(dx)) / fcx;
        const float ay = (fcy - std::fabs(dy)) / fcy;
        v = ax * ay;
        if (v < 0.0f)
            v = 0.0f;
        else if (v > 1.0f)
            v = 1.0f;
        v *= 255.0f;
        break;
    }
    case WARM_NOISE: {
        out[3] = 255.0f;
        const double f = frand(1.0);
        if (f < 0.001) {
            out[0] = out[1] = out[2] = 0.0f;
        } else if (f < 0.002) {
            out[0] = out[1] = out[2] = 255.0f;
        } else {
            const double g = frand(127.0) + 127.0;
            out[0] = static_cast<float>(g);
            out[1] = static_cast<float>(g * 0.8);
            out[2] = static_cast<float>(out[0] * 0.6);
            out[3] = out[0];
        }
        return;
    }
    case BLACK:
        out[0] = out[1] = out[2] = 0.0f;
        out[3] = 255.0f;
        return;
    case CHECK:
        v = static_cast<float>(255 * (((x / 8) ^ (y / 8)) & 1));
        break;
    default:
        break;
    }
    out[0] = out[1] = out[2] = out[3] = v;
}

// Computes the SMOKE cloud: blobCount cone-shaped blobs summed and scaled so the peak is 255.
void compute_smoke(Texture& t)
{
    const int width = t.width;
    const int height = t.height;
    const int count = width * height;
    // Zeroed up front rather than during the first blob, so a blob count of 0 gives a black
    // cloud instead of the previous cloud's sums.
    for (int i = 0; i < count; ++i)
        smoke_accumulator[i] = 0.0f;

    float peak = -9999.0f;
    for (int b = 0; b < t.blobCount; ++b) {
        t.blobRadius = static_cast<int>(frand(width * 0.24) + width * 0.04);
        const int bx = static_cast<int>(gauss_rand(static_cast<float>(width * 0.17)) + width * 0.5);
        const int by = static_cast<int>(gauss_rand(static_cast<float>(height * 0.17)) + height * 0.5);
        const double radius = t.blobRadius;
        float* acc = smoke_accumulator;
        for (int y = 0; y < height; ++y) {
            const int ddy = y - by;
            for (int x = 0; x < width; ++x, ++acc) {
                const int ddx = x - bx;
                float d = static_cast<float>(std::sqrt(static_cast<double>(ddx * ddx + ddy * ddy)) / radius);
                if (d > 1.0f)
                    d = 1.0f;
                *acc += 1.0f - d;
                if (*acc > peak)
                    peak = *acc;
            }
        }
    }

    // A cloud that covers no texel would scale by infinity; leave it black.
    const float scale = peak > 0.0f ? 255.0f / peak : 0.0f;
    for (int i = 0; i < count; ++i) {
        const float v = scale * smoke_accumulator[i];
        store_texel(i, t.format, v, v, v, v);
    }
}

void compute_per_texel(const Texture& t, int kind)
{
    const int cx = static_cast<int>(t.width * 0.5);
    const int cy = static_cast<int>(t.height * 0.5);
    float c[4];
    int i = 0;
    for (int y = 0; y < t.height; ++y)
        for (int x = 0; x < t.width; ++x, ++i) {
            texel_channels(kind, x, y, cx, cy, c);
            store_texel(i, t.format, c[0], c[1], c[2], c[3]);
        }
}

} // namespace

unsigned char channel_byte(float v)
{
    // Truncation toward zero, low eight bits kept; values no integer can hold (NaN, infinities)
    // store 0 instead of an undefined conversion.
    if (!(v > -9.0e18f && v < 9.0e18f))
        return 0;
    return static_cast<unsigned char>(static_cast<long long>(v) & 0xFF);
}

void store_texel(int index, GLenum format, float r, float g, float b, float a)
{
    if (format == GL_LUMINANCE_ALPHA) {
        unsigned char* p = texel_store + index * 2;
        p[0] = p[1] = channel_byte(a);
        return;
    }
    unsigned char* p = texel_store + index * 4;
    p[0] = channel_byte(r);
    p[1] = channel_byte(g);
    p[2] = channel_byte(b);
    p[3] = channel_byte(a);
}

Texture::Texture()
    : glName(0), format(GL_RGBA), wrapMode(GL_REPEAT), envMode(GL_MODULATE), width(128), height(128),
      blobCount(100), blobRadius(12), bankIndex(-1)
{
    for (int i = 0; i < kBankCapacity; ++i) {
        textureBank.labels[i][0] = '\0';
        textureBank.entries[i] = nullptr;
    }
    for (float& c : envColour)
        c = 1.0f;
}

Texture::~Texture()
{
    if (glName != 0) {
        glDeleteTextures(1, &glName);
        // GL may hand the same name out again; a later bind of it must really bind.
        if (glName == boundName)
            boundName = ~GLuint(0);
    }
    // The bank does not own its entries; drop every registration of this one so that nothing
    // reaches it after it is gone.
    for (int i = 0; i < kBankCapacity; ++i)
        if (textureBank.entries[i] == this)
            textureBank.entries[i] = nullptr;
}

void Texture::bind()
{
    if (glName == 0)
        glGenTextures(1, &glName);
    if (glName == boundName)
        return;
    boundName = glName;
    glBindTexture(GL_TEXTURE_2D, glName);
    if (wrapMode != 0) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(wrapMode));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(wrapMode));
    }
    if (envMode != 0) {
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(envMode));
        if (envMode == GL_BLEND)
            glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, envColour);
    }
}

void Texture::applyFilters(int mipmapped)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmapped != 0 ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR);
}

int Texture::generate(int kind, int w, int h, int fmt, int mipmapped)
{
    width = w;
    height = h;
    format = static_cast<GLenum>(fmt);
    if (!generate_request_valid(kind, w, h, fmt))
        return 1;

    // A full bank refuses the registration; the texture is still generated.
    const int slot = textureBank.entryCount;
    const bool registered = slot >= 0 && slot < kBankCapacity;
    if (registered) {
        textureBank.entries[slot] = this;
        bankIndex = slot;
        if (kind == SPHERE)
            copy_label(textureBank.labels[slot], "SPHERE");
        else if (kind == SMOKE)
            copy_label(textureBank.labels[slot], "SMOKE");
        else if (kind == CHECK)
            copy_label(textureBank.labels[slot], "CHECK");
    }

    if (kind == SMOKE)
        compute_smoke(*this);
    else
        compute_per_texel(*this, kind);

    bind();
    applyFilters(mipmapped);
    glTexImage2D(GL_TEXTURE_2D, 0, fmt, width, height, 0, format, GL_UNSIGNED_BYTE, texel_store);
    // GLU reads the context's version string before it builds anything and crashes on the null
    // that no current context gives; without a context there is nothing to build anyway.
    if (mipmapped != 0 && glGetString(GL_VERSION) != nullptr)
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, width, height, format, GL_UNSIGNED_BYTE, texel_store);

    if (registered)
        ++textureBank.entryCount;
    return 0;
}

void TextureBank::releaseAll()
{
    const int count = entryCount < kBankCapacity ? entryCount : kBankCapacity;
    for (int i = 0; i < count; ++i) {
        Texture* t = entries[i];
        if (t == nullptr || t->glName == 0)
            continue;
        glDeleteTextures(1, &t->glName);
        if (t->glName == Texture::boundName)
            Texture::boundName = ~GLuint(0);
    }
}

float gauss_rand(float s)
{
    double sum = frand(1.0);
    for (int i = 1; i < 6; ++i)
        sum += frand(1.0);
    return static_cast<float>(s * 1.414 * (sum - 3.0));
}
