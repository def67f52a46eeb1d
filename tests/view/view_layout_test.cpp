// View layout: viewport rectangles, what reaches glViewport and glOrtho, and the pixels clearFrame
// paints, read back from a real llvmpipe context.
#include "tests/support/gl_test_context.h"
#include "view/view_layout.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

void expect_rect(const Viewport& v, float l, float b, float r, float t)
{
    EXPECT_FLOAT_EQ(v.left, l);
    EXPECT_FLOAT_EQ(v.bottom, b);
    EXPECT_FLOAT_EQ(v.width, r - l);
    EXPECT_FLOAT_EQ(v.height, t - b);
}

std::array<GLint, 4> gl_viewport()
{
    std::array<GLint, 4> out{};
    glGetIntegerv(GL_VIEWPORT, out.data());
    return out;
}

// Compares the RGB of pixel (x, y) of a size-wide read-back within llvmpipe's rounding.
void expect_rgb(const std::vector<std::uint8_t>& rgba, int size, int x, int y, int r, int g, int b)
{
    const std::uint8_t* p = &rgba[static_cast<size_t>(y * size + x) * 4];
    EXPECT_NEAR(p[0], r, 2) << "row " << y;
    EXPECT_NEAR(p[1], g, 2) << "row " << y;
    EXPECT_NEAR(p[2], b, 2) << "row " << y;
}

// A layout for a size x size window with viewport 0 and its pixel projection current.
void start_frame(ViewLayout& layout, int size)
{
    layout.setWindowSize(static_cast<float>(size), static_cast<float>(size));
    layout.updateLayout();
    layout.applyViewport(0);
    layout.applyOrtho(0);
    glClearColor(1, 1, 1, 1); // the previous picture: white
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 1);
}

} // namespace

TEST(ViewLayout, UpdateLayoutPlacesLetterboxedAndPlainViewports)
{
    ViewLayout layout;
    layout.setWindowSize(800, 600);
    expect_rect(layout.viewports[0], 0, 0, 100, 100); // follows only at updateLayout
    layout.letterbox = 0.2f;
    layout.viewportCount = 3;
    layout.viewports[1].letterboxed = 1;
    layout.viewports[2].setFraction(0.5, 0, 1, 1);
    layout.viewports[3].setFraction(0.5, 0.5, 1, 1); // not in use: stays as constructed
    layout.updateLayout();
    expect_rect(layout.viewports[0], 0, 0, 800, 600);
    expect_rect(layout.viewports[1], 0, 120, 800, 480);
    expect_rect(layout.viewports[2], 400, 0, 800, 600);
    expect_rect(layout.viewports[3], 0, 0, 100, 100);
}

TEST(ViewLayout, PixelValuesAreTruncatedTowardZeroEachOnItsOwn)
{
    ASSERT_TRUE(use_gl_context(64, 64)) << gl_context_error();
    ViewLayout layout;
    Viewport& v = layout.viewports[4];
    v.setParentRect(0, 0, 1000, 1000);
    v.setFraction(0.0107, 0.0209, 0.1106, 0.0714); // left 10.7, bottom 20.9, width 99.9, height 50.5
    v.computePixelRect();
    layout.applyViewport(4);
    EXPECT_EQ(layout.current, 4);
    // The width is the truncated 99.9, not 110 - 10.
    EXPECT_EQ(gl_viewport(), (std::array<GLint, 4>{10, 20, 99, 50}));

    layout.applyOrtho(4);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    // glOrtho(10, 110, 20, 71): the viewport's own pixel rectangle, not 0 to width.
    EXPECT_FLOAT_EQ(m[0], 2.0f / 100.0f);
    EXPECT_FLOAT_EQ(m[12], -120.0f / 100.0f);
    EXPECT_FLOAT_EQ(m[5], 2.0f / 51.0f);
    EXPECT_FLOAT_EQ(m[13], -91.0f / 51.0f);
}

TEST(ViewLayout, ClearFramePaintsBarsAndBlendedFadeBand)
{
    const int size = 64;
    ASSERT_TRUE(use_gl_context(size, size)) << gl_context_error();
    ViewLayout layout;
    start_frame(layout, size);
    layout.letterbox = 0.25f;
    layout.fadeAlpha = 0.5f;
    layout.setColor(0, 0, 0.2f, 1);
    layout.clearFrame();

    // Bottom bar up to H*f + 1 = 17, the fade band from 16 to (1 - f)*H - 1 = 47 over it, top bar above.
    const auto rgba = read_rgba(0, 0, size, size);
    for (int y = 0; y < size; ++y) {
        if (y < 16 || y >= 47)
            expect_rgb(rgba, size, 32, y, 0, 0, 0);
        else if (y == 16)
            expect_rgb(rgba, size, 32, y, 0, 0, 26); // half of the band's blue over the black bar
        else
            expect_rgb(rgba, size, 32, y, 128, 128, 153); // half of it over white
    }
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    // A second frame darkens the band further: trails fade out.
    layout.clearFrame();
    expect_rgb(read_rgba(0, 0, size, size), size, 5, 30, 64, 64, 102);
}

TEST(ViewLayout, ClearFrameOpaqueAndFullClearCases)
{
    const int size = 40;
    ASSERT_TRUE(use_gl_context(size, size)) << gl_context_error();
    ViewLayout layout;
    start_frame(layout, size);
    layout.setColor(0, 0, 0.2f, 1);
    // No letterbox and an opaque fade: a full clear to black.
    layout.clearFrame();
    expect_rgb(read_rgba(0, 0, size, size), size, 20, 20, 0, 0, 0);

    // Opaque fade between bars: the band takes the colour and blending is switched off.
    start_frame(layout, size);
    layout.letterbox = 0.25f;
    glEnable(GL_BLEND);
    layout.clearFrame();
    const auto rgba = read_rgba(0, 0, size, size);
    expect_rgb(rgba, size, 3, 5, 0, 0, 0);
    expect_rgb(rgba, size, 3, 20, 0, 0, 51);
    expect_rgb(rgba, size, 3, 35, 0, 0, 0);
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
    const auto before = gl_viewport();
    for (int index : {-1, 10, 1000}) { // ignored
        layout.applyViewport(index);
        layout.applyOrtho(index);
        EXPECT_EQ(layout.current, 1);
    }
    EXPECT_EQ(gl_viewport(), before);

    // Counts beyond the slots lay out all ten; zero and negative counts lay out none.
    layout.viewportCount = 11;
    layout.viewports[9].setFraction(0.5, 0.5, 1, 1);
    layout.updateLayout();
    expect_rect(layout.viewports[9], 32, 32, 64, 64);
    layout.viewportCount = -3;
    layout.viewports[9].setFraction(0, 0, 1, 1);
    layout.updateLayout();
    expect_rect(layout.viewports[9], 32, 32, 64, 64);

    // A letterbox of a half or more empties or inverts the band: GL gets an empty viewport, the
    // projection stays finite and the clear still runs.
    layout.viewportCount = 2;
    layout.fadeAlpha = 0.3f;
    for (float f : {0.5f, 0.75f}) {
        layout.letterbox = f;
        layout.updateLayout();
        layout.applyViewport(1);
        EXPECT_EQ(gl_viewport()[3], 0);
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
