// Mipmap reduction of our GLU (see glu_mipmap.h).
#include "compat/webgl/glu_mipmap.h"

#include <cstddef>

void halve_rgba(const unsigned char* src, int width, int height, unsigned char* dst)
{
    const int w = next_level_side(width);
    const int h = next_level_side(height);
    // Steps to the neighbouring texel in each direction; along a side of 1 there is none, and the
    // pair on the other side counts twice. A 2x2 mean rounds, a pair's mean truncates (as GLU's).
    const std::size_t dx = width > 1 ? 4 : 0;
    const std::size_t dy = height > 1 ? static_cast<std::size_t>(width) * 4 : 0;
    const int bias = dx != 0 && dy != 0 ? 2 : 0;
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = src + static_cast<std::size_t>(y) * 2 * dy;
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = row + static_cast<std::size_t>(x) * 2 * dx;
            for (std::size_t c = 0; c < 4; ++c) {
                const int sum = p[c] + p[dx + c] + p[dy + c] + p[dy + dx + c];
                dst[(static_cast<std::size_t>(y) * w + x) * 4 + c] = static_cast<unsigned char>((sum + bias) / 4);
            }
        }
    }
}
