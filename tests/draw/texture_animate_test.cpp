// Texture animation: grey levels from noise, vignette and stripes, read back after the in-place upload.
#include "draw/texture.h"

#include "tests/draw/draw_test_support.h"
#include "tests/draw/gl_recorder.h"
#include "tests/support/gl_test_context.h"
#include "view/random.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class AnimateTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error(); }

    // The grey level of every texel, row by row.
    static std::vector<int> greys(const Texture& t)
    {
        const std::vector<std::uint8_t> px = read_texels(t);
        std::vector<int> out;
        for (std::size_t i = 0; i < px.size(); i += 4) {
            EXPECT_TRUE(px[i] == px[i + 1] && px[i] == px[i + 2] && px[i] == px[i + 3]) << "texel " << i / 4;
            out.push_back(px[i]);
        }
        return out;
    }
};

TEST_F(AnimateTest, ReplacesTheImageInPlace)
{
    Texture t;
    ASSERT_EQ(t.generate(CHECK, 32, 16, GL_RGBA, 0), 0);
    const GLuint name = t.glName;
    gl_record_start();
    t.animate(0, 50, 10);
    const std::vector<GlCall> calls = gl_record_stop();
    ASSERT_EQ(calls.size(), 1u); // already bound: only the sub-image upload
    EXPECT_EQ(calls[0].name, "glTexSubImage2D");
    EXPECT_EQ(t.glName, name);
    const std::vector<int> g = greys(t);
    EXPECT_TRUE(std::all_of(g.begin(), g.end(), [](int v) { return v == 255; }));
}

TEST_F(AnimateTest, VignetteFadesToZeroAtTheRadiusAroundColumnCRowC)
{
    Texture t;
    ASSERT_EQ(t.generate(CHECK, 32, 20, GL_RGBA, 0), 0);
    t.animate(Texture::VIGNETTE, 0, 0);
    std::vector<int> g = greys(t);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(g[static_cast<std::size_t>(y * 32 + x)], x == 16 && y == 16 ? 255 : 0) << x << "," << y;

    t.animate(Texture::VIGNETTE, 0, 8);
    g = greys(t);
    EXPECT_EQ(g[16 * 32 + 16], 255);
    EXPECT_EQ(g[16 * 32 + 20], 191); // q = 0.5: 255 * 0.75
    EXPECT_EQ(g[12 * 32 + 16], 191);
    EXPECT_EQ(g[16 * 32 + 24], 0);
}

TEST_F(AnimateTest, StripesDarkenOddColumnsAndRows)
{
    Texture t;
    ASSERT_EQ(t.generate(CHECK, 8, 4, GL_RGBA, 0), 0);
    t.animate(Texture::DARK_ODD_COLUMNS, 300, 1);
    std::vector<int> g = greys(t);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(g[static_cast<std::size_t>(8 + x)], x % 2 ? 0 : 255);

    t.animate(Texture::DARK_ODD_COLUMNS | Texture::DARK_ODD_ROWS, 100, 1);
    g = greys(t);
    EXPECT_EQ(g[0], 255);
    EXPECT_EQ(g[1], 155);
    EXPECT_EQ(g[8], 155);
    EXPECT_EQ(g[9], 55);

    // Luminance-alpha texels take the grey in both bytes.
    Texture la;
    ASSERT_EQ(la.generate(CHECK, 5, 3, GL_LUMINANCE_ALPHA, 0), 0);
    la.animate(Texture::DARK_ODD_COLUMNS, 100, 1);
    const std::vector<std::uint8_t> px = read_texels(la, GL_LUMINANCE_ALPHA);
    for (std::size_t i = 0; i < px.size(); ++i)
        EXPECT_EQ(px[i], i / 2 % 5 % 2 ? 155 : 255) << i;

    // Amplitude 0: neither noise nor stripes change anything, and only the vignette acts.
    Texture square;
    ASSERT_EQ(square.generate(CHECK, 8, 8, GL_RGBA, 0), 0);
    square.animate(0x3F, 0, 1);
    g = greys(square);
    for (std::size_t i = 0; i < g.size(); ++i)
        EXPECT_EQ(g[i], i == 4 * 8 + 4 ? 255 : 0) << i;
    square.animate(0x3F & ~Texture::VIGNETTE, 0, 1);
    g = greys(square);
    EXPECT_TRUE(std::all_of(g.begin(), g.end(), [](int v) { return v == 255; }));
}

TEST_F(AnimateTest, NoiseDrawsColumnsFirstThenEachRowBeforeItsTexels)
{
    Texture t;
    ASSERT_EQ(t.generate(CHECK, 8, 4, GL_RGBA, 0), 0);
    random_seed(31337);
    t.animate(Texture::NOISE_COLUMNS | Texture::NOISE_ROWS | Texture::NOISE_TEXELS, 40, 1);
    const std::uint32_t after = random_state();
    const std::vector<int> g = greys(t);

    random_seed(31337);
    int columns[8];
    for (int& c : columns)
        c = static_cast<int>(frand(40.0) - 20);
    for (int y = 0; y < 4; ++y) {
        const int row = static_cast<int>(frand(40.0) - 20);
        for (int x = 0; x < 8; ++x) {
            float v = 255.0f + static_cast<float>(columns[x]) + static_cast<float>(row);
            v += static_cast<float>(frand(40.0) - 20);
            v = std::min(255.0f, std::max(0.0f, v));
            ASSERT_EQ(g[static_cast<std::size_t>(y * 8 + x)], static_cast<int>(v)) << x << "," << y;
        }
    }
    EXPECT_EQ(random_state(), after);
}

TEST_F(AnimateTest, DoesNothingOutsideTheScratchStoreOrBeforeGeneration)
{
    const std::uint32_t flags = Texture::NOISE_COLUMNS | Texture::NOISE_TEXELS;
    Texture fresh;
    random_seed(3);
    gl_record_start();
    fresh.animate(flags, 10, 4);
    EXPECT_TRUE(gl_record_stop().empty());
    EXPECT_EQ(fresh.glName, 0u);
    EXPECT_EQ(random_state(), 3u);

    Texture t;
    ASSERT_EQ(t.generate(CHECK, 16, 16, GL_RGBA, 0), 0);
    const std::vector<std::uint8_t> before = read_texels(t);
    const int sizes[][2] = {{257, 16}, {256, 257}, {0, 16}, {16, -1}};
    for (const auto& size : sizes) {
        t.width = size[0];
        t.height = size[1];
        gl_record_start();
        t.animate(flags, 10, 4);
        EXPECT_TRUE(gl_record_stop().empty()) << size[0] << "x" << size[1];
        EXPECT_EQ(random_state(), 3u);
    }
    t.width = t.height = 16;
    EXPECT_EQ(read_texels(t), before);
}

} // namespace
