// Sphere and textured rectangle: the exact vertex stream they hand to GL.
#include "draw/shapes.h"

#include "tests/draw/gl_recorder.h"
#include "tests/support/gl_test_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

struct SphereVertex {
    double n[3], s, t, v[3];
};

// The sphere's strips as recorded: one list of (normal, texcoord, vertex) triples per strip.
std::vector<std::vector<SphereVertex>> record_sphere(double radius, int slices, int stacks, double sScale,
                                                     double tScale, double sOffset, double tOffset)
{
    gl_record_start();
    draw_sphere(radius, slices, stacks, sScale, tScale, sOffset, tOffset);
    const std::vector<GlCall> calls = gl_record_stop();
    std::vector<std::vector<SphereVertex>> strips;
    SphereVertex cur{};
    bool open = false;
    for (const GlCall& c : calls) {
        if (c.name == "glBegin") {
            EXPECT_FALSE(open);
            EXPECT_EQ(c.a[0], GL_QUAD_STRIP);
            strips.emplace_back();
            open = true;
        } else if (c.name == "glEnd") {
            open = false;
        } else if (c.name == "glNormal3f") {
            cur.n[0] = c.a[0], cur.n[1] = c.a[1], cur.n[2] = c.a[2];
        } else if (c.name == "glTexCoord2f") {
            cur.s = c.a[0], cur.t = c.a[1];
        } else if (c.name == "glVertex3d") {
            EXPECT_TRUE(open);
            cur.v[0] = c.a[0], cur.v[1] = c.a[1], cur.v[2] = c.a[2];
            strips.back().push_back(cur);
        } else {
            ADD_FAILURE() << "unexpected call " << c.name;
        }
    }
    EXPECT_FALSE(open);
    return strips;
}

class ShapesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error(); }
};

TEST_F(ShapesTest, SphereHasStacksMinusOneStripsOfSlicesPlusOnePairs)
{
    auto strips = record_sphere(1.0, 3, 3, 1, 1, 0, 0);
    ASSERT_EQ(strips.size(), 2u);
    EXPECT_EQ(strips[0].size(), 8u);
    EXPECT_EQ(strips[1].size(), 8u);

    strips = record_sphere(1.0, 8, 8, 1, 1, 0, 0);
    ASSERT_EQ(strips.size(), 7u);
    for (const auto& strip : strips)
        EXPECT_EQ(strip.size(), 18u);
    EXPECT_FLOAT_EQ(static_cast<float>(strips[6][0].t), 0.875f); // top ring: 7 / 8
    EXPECT_FLOAT_EQ(static_cast<float>(strips[0][1].t), 0.0f);

    for (int bad : {2, 101, 0, -5}) {
        EXPECT_TRUE(record_sphere(1.0, bad, 8, 1, 1, 0, 0).empty()) << bad;
        EXPECT_TRUE(record_sphere(1.0, 8, bad, 1, 1, 0, 0).empty()) << bad;
    }
    EXPECT_EQ(record_sphere(1.0, 100, 100, 1, 1, 0, 0).size(), 99u);
}

TEST_F(ShapesTest, SphereVerticesLieOnTheRadiusAlongUnitNormals)
{
    const double radius = 2.5;
    const int slices = 12, stacks = 7;
    const double sScale = 2.0, tScale = 3.0, sOffset = 0.25, tOffset = -1.0;
    const auto strips = record_sphere(radius, slices, stacks, sScale, tScale, sOffset, tOffset);
    ASSERT_EQ(strips.size(), static_cast<std::size_t>(stacks - 1));
    for (std::size_t i = 0; i < strips.size(); ++i) {
        const auto& strip = strips[i];
        ASSERT_EQ(strip.size(), static_cast<std::size_t>(2 * (slices + 1)));
        for (std::size_t k = 0; k < strip.size(); ++k) {
            const SphereVertex& v = strip[k];
            const double nLen = std::sqrt(v.n[0] * v.n[0] + v.n[1] * v.n[1] + v.n[2] * v.n[2]);
            ASSERT_NEAR(nLen, 1.0, 1e-6);
            for (int a = 0; a < 3; ++a)
                ASSERT_NEAR(v.v[a], radius * v.n[a], 1e-12);
            // Upper ring first, then lower; t from the ring index over stacks.
            const double ring = static_cast<double>(i) + (k % 2 == 0 ? 1 : 0);
            ASSERT_FLOAT_EQ(static_cast<float>(v.t), static_cast<float>(ring / stacks * tScale + tOffset));
            const double j = static_cast<double>(k / 2);
            ASSERT_FLOAT_EQ(static_cast<float>(v.s), static_cast<float>(j / slices * sScale + sOffset));
        }
        // The seam closes: the last pair repeats the first pair's positions and normals.
        for (int p = 0; p < 2; ++p) {
            const SphereVertex& first = strip[static_cast<std::size_t>(p)];
            const SphereVertex& last = strip[strip.size() - 2 + static_cast<std::size_t>(p)];
            for (int a = 0; a < 3; ++a) {
                EXPECT_EQ(first.v[a], last.v[a]);
                EXPECT_EQ(first.n[a], last.n[a]);
            }
            EXPECT_FLOAT_EQ(static_cast<float>(first.s), static_cast<float>(sOffset));
            EXPECT_FLOAT_EQ(static_cast<float>(last.s), static_cast<float>(sScale + sOffset));
        }
    }
    // Bottom pole at -radius, top pole at +radius; the seam on +z, turning towards +x.
    EXPECT_NEAR(strips.front()[1].v[1], -radius, 1e-6);
    EXPECT_NEAR(strips.back()[0].v[1], radius, 1e-6);
    const SphereVertex& equatorish = strips[3][1]; // ring 3 of 7: phi = pi / 2
    EXPECT_NEAR(equatorish.v[2], radius, 1e-6);
    EXPECT_GT(strips[3][3].v[0], 0.0);
}

TEST_F(ShapesTest, TexturedRectEmitsFourCornersInOrder)
{
    for (float width : {30.0f, -30.0f}) {
        gl_record_start();
        draw_textured_rect(10.0f, 20.0f, width, 5.0f);
        const std::vector<GlCall> calls = gl_record_stop();
        ASSERT_EQ(calls.size(), 10u);
        EXPECT_EQ(calls[0].name, "glBegin");
        EXPECT_EQ(calls[0].a[0], GL_QUADS);
        const double st[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        const double xy[4][2] = {{10, 20}, {10 + width, 20}, {10 + width, 25}, {10, 25}};
        for (int c = 0; c < 4; ++c) {
            const GlCall& tc = calls[static_cast<std::size_t>(1 + 2 * c)];
            const GlCall& v = calls[static_cast<std::size_t>(2 + 2 * c)];
            EXPECT_EQ(tc.name, "glTexCoord2d");
            EXPECT_EQ(tc.a[0], st[c][0]);
            EXPECT_EQ(tc.a[1], st[c][1]);
            EXPECT_EQ(v.name, "glVertex2f");
            EXPECT_EQ(v.a[0], xy[c][0]);
            EXPECT_EQ(v.a[1], xy[c][1]);
        }
        EXPECT_EQ(calls[9].name, "glEnd");
    }
}

} // namespace
