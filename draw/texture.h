// Procedural textures: Texture (one OpenGL texture computed from a texel formula), its animation,
// the process-wide TextureBank of generated textures, and gauss_rand. Part of the drawing core.
#ifndef LATTICEDRIFT_DRAW_TEXTURE_H
#define LATTICEDRIFT_DRAW_TEXTURE_H

#include <GL/gl.h>

#include <cstdint>

// Texel formulas of Texture::generate. 8 and values above 9 have none.
enum TextureKind : std::int32_t {
    SPHERE = 0,
    INVERSE_SPHERE = 1,
    ROW_RAMP = 2,
    SMOKE = 3,
    RING = 4,
    PYRAMID = 5,
    WARM_NOISE = 6,
    BLACK = 7,
    CHECK = 9,
};

// Largest texel count generate and animate work with (their fixed scratch store).
constexpr int kMaxTexels = 65536;
// Largest width and height of a SMOKE texture (its accumulator) and width of an animated one.
constexpr int TEXTURE_MAX_SIDE = 256;

class Texture {
public:
    // Flag bits of animate.
    static constexpr std::uint32_t NOISE_COLUMNS = 1;
    static constexpr std::uint32_t NOISE_ROWS = 2;
    static constexpr std::uint32_t NOISE_TEXELS = 4;
    static constexpr std::uint32_t VIGNETTE = 8;
    static constexpr std::uint32_t DARK_ODD_COLUMNS = 16;
    static constexpr std::uint32_t DARK_ODD_ROWS = 32;

    // Sets the fields to their start values, empties the bank's labels and entries and resets
    // envColour to white.
    Texture();
    // Deletes the texture name if one was made, and drops this texture from the bank.
    virtual ~Texture();

    // Makes this texture current on GL_TEXTURE_2D; issues no GL call when it already is.
    void bind();
    // Unpack alignment 1, linear magnification, and a mipmapped or linear minification filter.
    void applyFilters(int mipmapped);
    // Fills the texture with the texels of `kind` and uploads them; 0 on success, 1 when the
    // request is refused (bad size, format or kind), in which case no GL call is made.
    int generate(int kind, int width, int height, int format, int mipmapped);
    // Rewrites the texels with a grey level from random offsets, a radial fade and stripes (flag
    // bits above) and replaces the image in place. Does nothing for a texture never generated or
    // outside the scratch store (wider than 256 or more than 65536 texels).
    void animate(std::uint32_t flags, int amplitude, int radius);

    GLuint glName;
    GLenum format;
    GLenum wrapMode;
    GLenum envMode;
    std::int32_t width;
    std::int32_t height;
    std::int32_t blobCount;
    std::int32_t blobRadius;
    std::int32_t bankIndex;

    // Process-wide bind state: the name last bound through bind (all bits set = none), and the
    // colour sent as GL_TEXTURE_ENV_COLOR for a texture whose envMode is GL_BLEND.
    static GLuint boundName;
    static float envColour[4];
};

constexpr int kBankCapacity = 31;
constexpr int TEXTURE_LABEL_SIZE = 80;

// Registry of generated textures, in order of registration. A plain aggregate so that it is ready
// (zero) before any static Texture is constructed.
struct TextureBank {
    // Deletes the name of every registered texture that has one; changes neither glName nor the bank.
    void releaseAll();

    char labels[kBankCapacity][TEXTURE_LABEL_SIZE];
    Texture* entries[kBankCapacity];
    std::int32_t entryCount;
};

extern TextureBank textureBank;

// s * 1.414 * (sum of six frand(1.0) draws - 3): roughly normal, mean 0, deviation s.
float gauss_rand(float s);

#endif
