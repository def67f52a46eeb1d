// Texture generation, the bank and binding, checked against textures read back from Mesa.
#include "draw/texture.h"

#include "tests/draw/draw_test_support.h"
#include "tests/draw/gl_recorder.h"
#include "tests/support/gl_test_context.h"
#include "view/random.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

using Texels = std::vector<std::uint8_t>;
std::vector<int> grey(int v) { return {v, v, v, v}; }
const std::vector<int> WHITE = grey(255);

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error(); }
};

TEST_F(TextureTest, CheckIsEightTexelSquaresAndRegistersAtZero)
{
    Texture t;
    ASSERT_EQ(t.generate(CHECK, 256, 256, GL_RGBA, 1), 0);
    const Texels px = read_texels(t);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(rgba_at(px, 256, x, y), grey(0)) << x << "," << y;
    EXPECT_EQ(rgba_at(px, 256, 8, 0), WHITE);
    EXPECT_EQ(rgba_at(px, 256, 0, 8), WHITE);
    EXPECT_EQ(rgba_at(px, 256, 8, 8), grey(0));
    EXPECT_EQ(rgba_at(px, 256, 255, 255), grey(0));
    EXPECT_EQ(t.bankIndex, 0);
    EXPECT_EQ(textureBank.entryCount, 1);
    EXPECT_EQ(textureBank.entries[0], &t);
    EXPECT_STREQ(textureBank.labels[0], "CHECK");
}

TEST_F(TextureTest, RadialKindsHaveTheirCentreRimAndPeak)
{
    Texture sphere, inverse, ring, pyramid;
    ASSERT_EQ(sphere.generate(SPHERE, 256, 256, GL_RGBA, 0), 0);
    ASSERT_EQ(inverse.generate(INVERSE_SPHERE, 256, 256, GL_RGBA, 0), 0);
    ASSERT_EQ(ring.generate(RING, 256, 256, GL_RGBA, 0), 0);
    ASSERT_EQ(pyramid.generate(PYRAMID, 256, 256, GL_RGBA, 0), 0);
    EXPECT_STREQ(textureBank.labels[0], "SPHERE");
    EXPECT_STREQ(textureBank.labels[1], "");

    Texels px = read_texels(sphere);
    EXPECT_EQ(rgba_at(px, 256, 128, 128), WHITE);
    EXPECT_EQ(rgba_at(px, 256, 0, 0), grey(0));
    EXPECT_EQ(rgba_at(px, 256, 0, 128), grey(0));          // exactly at radius 128
    EXPECT_EQ(rgba_at(px, 256, 128 + 64, 128), grey(191)); // (1 - 0.25) * 255
    // Width 70: at (14, 7) from the centre r * r is 245 / 1225 = 0.2, so (1 - 0.2) * 255 = 204. Rounding
    // the square root to float before dividing by cx would store 203.
    Texture odd;
    ASSERT_EQ(odd.generate(SPHERE, 70, 70, GL_RGBA, 0), 0);
    EXPECT_EQ(rgba_at(read_texels(odd), 70, 35 + 14, 35 + 7), grey(204));
    px = read_texels(inverse);
    EXPECT_EQ(rgba_at(px, 256, 128, 128), grey(0));
    EXPECT_EQ(rgba_at(px, 256, 0, 0), WHITE);

    px = read_texels(ring);
    EXPECT_EQ(rgba_at(px, 256, 128, 128), grey(0));
    EXPECT_EQ(rgba_at(px, 256, 128 + 58, 128), WHITE);
    EXPECT_EQ(rgba_at(px, 256, 128, 128 - 58), WHITE);
    EXPECT_EQ(rgba_at(px, 256, 128 + 29, 128), grey(127)); // halfway up
    EXPECT_EQ(rgba_at(px, 256, 128 + 65, 128), grey(8));   // (9 - 8 * 65 / 58) * 255
    EXPECT_EQ(rgba_at(px, 256, 128 + 66, 128), grey(0));

    px = read_texels(pyramid);
    EXPECT_EQ(rgba_at(px, 256, 128, 128), WHITE);
    EXPECT_EQ(rgba_at(px, 256, 0, 128), grey(0));
    EXPECT_EQ(rgba_at(px, 256, 64, 64), grey(63));
}

TEST_F(TextureTest, RowRampDependsOnRowOnlyAndWrapsBelowZero)
{
    Texture t, black;
    ASSERT_EQ(t.generate(ROW_RAMP, 256, 256, GL_RGBA, 1), 0);
    const Texels px = read_texels(t);
    EXPECT_EQ(rgba_at(px, 256, 0, 0), grey(240));
    EXPECT_EQ(rgba_at(px, 256, 255, 0), grey(240));
    EXPECT_EQ(rgba_at(px, 256, 3, 8), grey(180)); // (16 - 4) * 15
    EXPECT_EQ(rgba_at(px, 256, 17, 128), grey(0));
    EXPECT_EQ(rgba_at(px, 256, 200, 255), grey(158));
    ASSERT_EQ(black.generate(BLACK, 4, 4, GL_RGBA, 0), 0);
    EXPECT_EQ(rgba_at(read_texels(black), 4, 3, 3), (std::vector<int>{0, 0, 0, 255}));
}

TEST_F(TextureTest, LuminanceAlphaStoresTheAlphaValueTwicePerTexel)
{
    // An odd width shows that rows are packed two bytes per texel with no padding.
    Texture check, black;
    ASSERT_EQ(check.generate(CHECK, 19, 17, GL_LUMINANCE_ALPHA, 0), 0);
    const Texels px = read_texels(check, GL_LUMINANCE_ALPHA);
    for (int i = 0; i < 19 * 17; ++i) {
        const int expected = (((i % 19 / 8) ^ (i / 19 / 8)) & 1) * 255;
        ASSERT_EQ(px[static_cast<std::size_t>(2 * i)], expected) << i;
        ASSERT_EQ(px[static_cast<std::size_t>(2 * i + 1)], expected) << i;
    }
    // BLACK has colour 0 but alpha 255: both bytes take the alpha.
    ASSERT_EQ(black.generate(BLACK, 3, 3, GL_LUMINANCE_ALPHA, 0), 0);
    EXPECT_EQ(read_texels(black, GL_LUMINANCE_ALPHA), Texels(18, 255));
}

TEST_F(TextureTest, WarmNoiseDrawsOneOrTwoNumbersPerTexelInRowOrder)
{
    random_seed(4242);
    Texture t;
    ASSERT_EQ(t.generate(WARM_NOISE, 64, 32, GL_RGBA, 0), 0);
    const std::uint32_t after = random_state();
    const Texels px = read_texels(t);

    random_seed(4242);
    for (int i = 0; i < 64 * 32; ++i) {
        const double f = frand(1.0);
        std::vector<int> expected = f < 0.001 ? std::vector<int>{0, 0, 0, 255} : WHITE;
        if (f >= 0.002) {
            const float r = static_cast<float>(frand(127.0) + 127.0);
            expected = {static_cast<int>(r), static_cast<int>(static_cast<float>(r * 0.8)), static_cast<int>(r * 0.6),
                        static_cast<int>(r)};
        }
        ASSERT_EQ(rgba_at(px, 64, i % 64, i / 64), expected) << i;
    }
    EXPECT_EQ(random_state(), after);
}

TEST_F(TextureTest, SmokeIsReproducibleFromTheSeedAndPeaksAt255)
{
    Texture a, b, c;
    random_seed(77);
    ASSERT_EQ(a.generate(SMOKE, 64, 48, GL_RGBA, 0), 0);
    const std::uint32_t after = random_state();
    random_seed(77);
    ASSERT_EQ(b.generate(SMOKE, 64, 48, GL_RGBA, 0), 0);
    ASSERT_EQ(c.generate(SMOKE, 64, 48, GL_RGBA, 0), 0);

    // Each blob draws its radius and two gauss_rand centres: 1 + 6 + 6 numbers.
    random_seed(77);
    for (int i = 0; i < 100 * 13; ++i)
        random_next();
    EXPECT_EQ(random_state(), after);

    const Texels pa = read_texels(a);
    EXPECT_EQ(pa, read_texels(b));
    EXPECT_NE(pa, read_texels(c));
    int peak = 0;
    for (std::size_t i = 0; i < pa.size(); i += 4) {
        ASSERT_TRUE(pa[i] == pa[i + 1] && pa[i] == pa[i + 2] && pa[i] == pa[i + 3]);
        peak = std::max(peak, static_cast<int>(pa[i]));
    }
    EXPECT_GE(peak, 254);
    EXPECT_STREQ(textureBank.labels[0], "SMOKE");
}

TEST(GaussRand, SumsSixDrawsScaledBy1414)
{
    random_seed(9);
    double sum = 0.0;
    for (int i = 0; i < 6; ++i)
        sum += frand(1.0);
    random_seed(9);
    EXPECT_FLOAT_EQ(gauss_rand(2.0f), static_cast<float>(2.0 * 1.414 * (sum - 3.0)));
}

// A refused request returns 1 and stores the requested size and format but makes no GL call.
TEST_F(TextureTest, GenerateRefusesRequestsOutsideItsStoreAndFormulas)
{
    const int refused[][4] = {
        {CHECK, 0, 16, GL_RGBA},        {CHECK, 16, 0, GL_RGBA},          {CHECK, -4, -4, GL_RGBA},
        {CHECK, 256, 257, GL_RGBA},     {CHECK, 65536, 65536, GL_RGBA},   {CHECK, 2, INT_MAX / 2 + 1, GL_RGBA},
        {CHECK, INT_MIN, INT_MIN, GL_RGBA}, {CHECK, 16, 16, GL_RGB},      {CHECK, 16, 16, GL_LUMINANCE},
        {8, 16, 16, GL_RGBA},           {10, 16, 16, GL_RGBA},            {-1, 16, 16, GL_RGBA},
        {SMOKE, 24, 32, GL_RGBA},       {SMOKE, 257, 32, GL_RGBA},        {SMOKE, 32, 257, GL_RGBA},
    };
    for (const auto& r : refused) {
        Texture t;
        gl_record_start();
        EXPECT_EQ(t.generate(r[0], r[1], r[2], r[3], 1), 1) << r[0] << " " << r[1] << "x" << r[2] << " " << r[3];
        EXPECT_TRUE(gl_record_stop().empty());
        EXPECT_EQ(t.width, r[1]);
        EXPECT_EQ(t.height, r[2]);
        EXPECT_EQ(t.format, static_cast<GLenum>(r[3]));
        EXPECT_EQ(t.bankIndex, -1);
        EXPECT_EQ(textureBank.entryCount, 0);
    }
    // The limits themselves are accepted.
    Texture edge, wide, smoke;
    EXPECT_EQ(edge.generate(CHECK, 256, 256, GL_RGBA, 0), 0);
    EXPECT_EQ(wide.generate(CHECK, 65536, 1, GL_RGBA, 0), 0);
    EXPECT_EQ(smoke.generate(SMOKE, 25, 256, GL_RGBA, 0), 0);
}

TEST_F(TextureTest, BankStopsAt31EntriesButStillGenerates)
{
    Texture t[33];
    for (int i = 0; i < 31; ++i)
        ASSERT_EQ(t[i].generate(CHECK, 16, 16, GL_RGBA, 0), 0);
    ASSERT_EQ(t[31].generate(SPHERE, 16, 16, GL_RGBA, 0), 0);
    ASSERT_EQ(t[32].generate(SMOKE, 32, 32, GL_RGBA, 0), 0);
    EXPECT_EQ(textureBank.entryCount, 31);
    EXPECT_EQ(textureBank.entries[30], &t[30]);
    EXPECT_STREQ(textureBank.labels[30], "CHECK");
    EXPECT_EQ(t[30].bankIndex, 30);
    EXPECT_EQ(t[31].bankIndex, -1);
    EXPECT_EQ(t[32].bankIndex, -1);
    EXPECT_EQ(rgba_at(read_texels(t[31]), 16, 8, 8), WHITE);

    // releaseAll deletes the registered names only and leaves glName alone.
    const GLuint registered = t[0].glName;
    textureBank.releaseAll();
    EXPECT_EQ(glIsTexture(registered), GL_FALSE);
    EXPECT_EQ(t[0].glName, registered);
    EXPECT_EQ(glIsTexture(t[31].glName), GL_TRUE);
}

TEST_F(TextureTest, RegistersEachGenerationAndForgetsDestroyedTextures)
{
    Texture kept;
    {
        Texture gone;
        ASSERT_EQ(gone.generate(CHECK, 8, 8, GL_RGBA, 0), 0);
        ASSERT_EQ(gone.generate(PYRAMID, 8, 8, GL_RGBA, 0), 0);
        EXPECT_EQ(gone.bankIndex, 1);
        EXPECT_EQ(textureBank.entries[1], &gone);
        EXPECT_STREQ(textureBank.labels[1], ""); // PYRAMID has no label
    }
    ASSERT_EQ(kept.generate(CHECK, 8, 8, GL_RGBA, 0), 0);
    EXPECT_EQ(textureBank.entryCount, 3);
    EXPECT_EQ(textureBank.entries[0], nullptr);
    EXPECT_EQ(textureBank.entries[1], nullptr);
    textureBank.releaseAll(); // would reach the destroyed texture otherwise
    EXPECT_EQ(glIsTexture(kept.glName), GL_FALSE);
}

TEST_F(TextureTest, SecondBindOfTheSameTextureMakesNoCall)
{
    Texture t;
    gl_record_start();
    t.bind();
    std::vector<GlCall> calls = gl_record_stop();
    ASSERT_EQ(calls.size(), 5u); // name, bind, wrap S, wrap T, environment
    EXPECT_EQ(calls[2].a[1], GL_TEXTURE_WRAP_S);
    EXPECT_EQ(calls[4].name, "glTexEnvf");

    // A mode changed by a drawing step survives a rebind of the same texture.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    gl_record_start();
    t.bind();
    EXPECT_TRUE(gl_record_stop().empty());
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);

    // Another texture with GL_BLEND binds and sends the environment colour.
    Texture other;
    other.envMode = GL_BLEND;
    Texture::envColour[0] = 0.25f;
    other.bind();
    GLfloat colour[4] = {};
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.25f);

    // Back to the first: it binds again and reapplies its settings.
    t.bind();
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), t.glName);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
}

} // namespace
