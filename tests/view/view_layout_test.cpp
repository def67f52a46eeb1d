// View layout: viewport rectangles, what reaches glViewport and glOrtho, and the pixels clearFrame
// paints, read back from a real llvmpipe context.
#include "tests/support/gl_test_context.h"
#include "view/view_layout.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

void expect_rect(const Viewport& v, float l, float b, float r, float t)
{
    EXPECT_FLOAT_EQ(v.left, l);
    EXPECT_FLOAT_EQ(v.bottom, b);
    EXPECT_FLOAT_EQ(v.right, r);
    EXPECT_FLOAT_EQ(v.top, t);
    EXPECT_FLOAT_EQ(v.width, r - l);
    EXPECT_FLOAT_EQ(v.height, t - b);
}

struct GlViewport {
    GLint v[4];
};

GlViewport gl_viewport()
{
    GlViewport out{};
    glGetIntegerv(GL_VIEWPORT, out.v);
    return out;
}

// RGBA of one row of the colour buffer, sampled at x.
const std::uint8_t* pixel(const std::vector<std::uint8_t>& rgba, int width, int x, int y)
{
    return &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
}

void expect_rgb(const std::uint8_t* p, int r, int g, int b, int row)
{
    EXPECT_NEAR(p[0], r, 2) << "row " << row;
    EXPECT_NEAR(p[1], g, 2) << "row " << row;
    EXPECT_NEAR(p[2], b, 2) << "row " << row;
}

// Fills the whole colour buffer with white.
void paint_white()
{
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 1);
}

} // namespace

TEST(ViewLayout, StartsAsOneHundredPixelWindowWithOneViewport)
{
    ViewLayout layout;
    EXPECT_EQ(layout.viewportCount, 1);
    EXPECT_EQ(layout.current, 0);
    EXPECT_FLOAT_EQ(layout.extentX, 100);
    EXPECT_FLOAT_EQ(layout.top, 100);
    expect_rect(layout.viewports[0], 0, 0, 100, 100);
    // setWindowSize alone leaves the viewports at the constructed rectangle.
    layout.setWindowSize(800, 600);
    EXPECT_FLOAT_EQ(layout.extentY, 600);
    expect_rect(layout.viewports[0], 0, 0, 100, 100);
}

TEST(ViewLayout, UpdateLayoutPlacesLetterboxedAndPlainViewports)
{
    ViewLayout layout;
    layout.setWindowSize(800, 600);
    layout.letterbox = 0.2f;
    layout.viewportCount = 3;
    layout.viewports[1].letterboxed = 1;
    layout.viewports[2].setFraction(0.5, 0, 1, 1);
    // Slot 3 is not in use: it keeps its rectangle even with fractions changed.
    layout.viewports[3].setFraction(0.5, 0.5, 1, 1);
    layout.updateLayout();
    expect_rect(layout.viewports[0], 0, 0, 800, 600);
    expect_rect(layout.viewports[1], 0, 120, 800, 480);
    expect_rect(layout.viewports[2], 400, 0, 800, 600);
    expect_rect(layout.viewports[3], 0, 0, 100, 100);

    // New fractions show only once the rectangle is recomputed.
    layout.viewports[2].setFraction(0, 0, 0.25, 0.5);
    expect_rect(layout.viewports[2], 400, 0, 800, 600);
    layout.viewports[2].computePixelRect();
    expect_rect(layout.viewports[2], 0, 0, 200, 300);
}

TEST(ViewLayout, PixelValuesAreTruncatedTowardZeroEachOnItsOwn)
{
    ASSERT_TRUE(use_gl_context(64, 64)) << gl_context_error();
    ViewLayout layout;
    Viewport& v = layout.viewports[4];
    v.setParentRect(0, 0, 1000, 1000);
    v.setFraction(0.0107, 0.0209, 0.1106, 0.0714);
    v.computePixelRect();
    EXPECT_NEAR(v.left, 10.7f, 1e-4);
    EXPECT_NEAR(v.width, 99.9f, 1e-4);

    layout.applyViewport(4);
    EXPECT_EQ(layout.current, 4);
    const GlViewport vp = gl_viewport();
    // The width is the truncated 99.9, not 110 - 10.
    EXPECT_EQ(vp.v[0], 10);
    EXPECT_EQ(vp.v[1], 20);
    EXPECT_EQ(vp.v[2], 99);
    EXPECT_EQ(vp.v[3], 50);

    layout.applyOrtho(4);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    // glOrtho(10, 110, 20, 71): window pixels map onto the viewport, not 0..width.
    EXPECT_FLOAT_EQ(m[0], 2.0f / 100.0f);
    EXPECT_FLOAT_EQ(m[12], -120.0f / 100.0f);
    EXPECT_FLOAT_EQ(m[5], 2.0f / 51.0f);
    EXPECT_FLOAT_EQ(m[13], -91.0f / 51.0f);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST(ViewLayout, ClearFramePaintsBarsAndBlendedFadeBand)
{
    const int size = 64;
    ASSERT_TRUE(use_gl_context(size, size)) << gl_context_error();
    ViewLayout layout;
    layout.setWindowSize(size, size);
    layout.updateLayout();
    layout.letterbox = 0.25f;
    layout.fadeAlpha = 0.5f;
    layout.setColor(0, 0, 0.2f, 1);
    paint_white();
    layout.applyViewport(0);
    layout.applyOrtho(0);
    layout.clearFrame();

    // Bottom bar up to H*f + 1 = 17, fade band from 16 to (1 - f)*H - 1 = 47 laid over it, top bar
    // from 47 up.
    const auto rgba = read_rgba(0, 0, size, size);
    for (int y = 0; y < size; ++y) {
        const std::uint8_t* p = pixel(rgba, size, size / 2, y);
        if (y < 16 || y >= 47)
            expect_rgb(p, 0, 0, 0, y);
        else if (y == 16)
            expect_rgb(p, 0, 0, 26, y); // black bar under the fade band
        else
            expect_rgb(p, 128, 128, 153, y); // white under the fade band
    }
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLfloat c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_FLOAT_EQ(c[2], 0.2f);
    EXPECT_FLOAT_EQ(c[3], 0.5f);

    // A second frame darkens the band further towards the background colour: trails fade out.
    layout.clearFrame();
    expect_rgb(pixel(read_rgba(0, 0, size, size), size, 5, 30), 64, 64, 102, 30);
}

TEST(ViewLayout, ClearFrameOpaqueAndFullClearCases)
{
    const int size = 40;
    ASSERT_TRUE(use_gl_context(size, size)) << gl_context_error();
    ViewLayout layout;
    layout.setWindowSize(size, size);
    layout.updateLayout();
    layout.applyViewport(0);
    layout.applyOrtho(0);
    layout.setColor(0, 0, 0.2f, 1);

    // No letterbox and an opaque fade: one full clear, no drawing.
    paint_white();
    glClearDepth(0.25);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    layout.clearFrame();
    expect_rgb(pixel(read_rgba(0, 0, size, size), size, 20, 20), 0, 0, 0, 20);
    GLfloat depth = 0;
    glReadPixels(20, 20, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_FLOAT_EQ(depth, 1.0f);

    // Opaque fade between bars: the band takes the colour and blending stays off.
    layout.letterbox = 0.25f;
    paint_white();
    glEnable(GL_BLEND);
    layout.clearFrame();
    const auto rgba = read_rgba(0, 0, size, size);
    expect_rgb(pixel(rgba, size, 3, 5), 0, 0, 0, 5);
    expect_rgb(pixel(rgba, size, 3, 20), 0, 0, 51, 20);
    expect_rgb(pixel(rgba, size, 3, 35), 0, 0, 0, 35);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST(ViewLayout, OutOfRangeIndicesCountsAndLetterboxAreHarmless)
{
    ASSERT_TRUE(use_gl_context(64, 64)) << gl_context_error();
    ViewLayout layout;
    layout.setWindowSize(64, 64);
    layout.viewportCount = 2;
    layout.viewports[1].letterboxed = 1;
    layout.updateLayout();
    layout.applyViewport(1);
    const GlViewport before = gl_viewport();

    // Indices outside the ten slots are ignored.
    for (int index : {-1, 10, 1000}) {
        layout.applyViewport(index);
        layout.applyOrtho(index);
        EXPECT_EQ(layout.current, 1);
    }
    const GlViewport after = gl_viewport();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(after.v[i], before.v[i]);

    // Counts beyond the slots lay out all ten; zero and negative counts lay out none.
    layout.viewportCount = 11;
    layout.viewports[9].setFraction(0.5, 0.5, 1, 1);
    layout.updateLayout();
    expect_rect(layout.viewports[9], 32, 32, 64, 64);
    layout.viewportCount = -3;
    layout.viewports[9].setFraction(0, 0, 1, 1);
    layout.updateLayout();
    expect_rect(layout.viewports[9], 32, 32, 64, 64);

    // A letterbox of a half or more inverts the band: the viewport goes to GL as empty, the projection
    // stays finite, and the clear still runs.
    for (float f : {0.5f, 0.75f}) {
        layout.viewportCount = 2;
        layout.letterbox = f;
        layout.fadeAlpha = 0.3f;
        layout.updateLayout();
        EXPECT_LE(layout.viewports[1].height, 0.0f);
        layout.applyViewport(1);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        const GlViewport vp = gl_viewport();
        EXPECT_EQ(vp.v[3], 0);
        layout.viewports[1].camera.applyProjection(layout);
        GLfloat m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        for (float e : m)
            EXPECT_TRUE(std::isfinite(e));
        layout.applyViewport(0);
        layout.applyOrtho(0);
        layout.clearFrame();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}
