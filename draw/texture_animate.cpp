// Texture animation: rewrites a generated texture's texels with a grey level from random offsets,
// a radial fade and stripes, and replaces its image in place.
#include "draw/texture.h"

#include "draw/texture_store.h"
#include "view/numeric.h"
#include "view/random.h"

#include <cmath>

namespace {

// Offset per column, drawn once per call when NOISE_COLUMNS is set.
int column_offsets[TEXTURE_MAX_SIDE];

} // namespace

void Texture::animate(std::uint32_t flags, int amplitude, int radius)
{
    // Only a generated texture within the scratch store: the column table holds 256 entries and
    // the store 65536 texels.
    if (glName == 0 || width < 1 || height < 1 || width > TEXTURE_MAX_SIDE)
        return;
    if (static_cast<long long>(width) * height > kMaxTexels)
        return;
    if (format != GL_RGBA && format != GL_LUMINANCE_ALPHA)
        return;

    const int half = static_cast<int>(amplitude * 0.5);
    const int c = static_cast<int>(width * 0.5);
    if (radius < 1)
        radius = 1;

    if (flags & NOISE_COLUMNS)
        for (int x = 0; x < width; ++x)
            column_offsets[x] = static_cast<int>(frand(static_cast<double>(amplitude)) - half);

    int i = 0;
    for (int y = 0; y < height; ++y) {
        int rowOffset = 0;
        if (flags & NOISE_ROWS)
            rowOffset = static_cast<int>(frand(static_cast<double>(amplitude)) - half);
        for (int x = 0; x < width; ++x, ++i) {
            float v = 255.0f;
            if (flags & NOISE_COLUMNS)
                v += static_cast<float>(column_offsets[x]);
            if (flags & NOISE_ROWS)
                v += static_cast<float>(rowOffset);
            if (flags & NOISE_TEXELS)
                v += static_cast<float>(frand(static_cast<double>(amplitude)) - half);
            if (flags & VIGNETTE) {
                const int dx = x - c;
                const int dy = y - c;
                const double q = std::sqrt(static_cast<double>(dx * dx + dy * dy)) / radius;
                float t = static_cast<float>(1.0 - std::pow(q, 2.0));
                if (t < 0.0f)
                    t = 0.0f;
                v *= t;
            }
            if ((flags & DARK_ODD_COLUMNS) && (x & 1))
                v -= static_cast<float>(amplitude);
            if ((flags & DARK_ODD_ROWS) && (y & 1))
                v -= static_cast<float>(amplitude);
            v = clamp(v, 0.0f, 255.0f);
            store_texel(i, format, v, v, v, v);
        }
    }

    bind();
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, texel_store);
}
