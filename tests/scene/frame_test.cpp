// Frame driver: oscillator-driven quantities, the clock, the pixels of whole frames at 800 x 600,
// and the state each pass leaves behind.
#include "compat/glut_clock.h"
#include "scene/frame.h"
#include "scene/point_cube.h"
#include "scene/scene.h"
#include "tests/scene/scene_test_support.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

using namespace scene_objects;

namespace {

constexpr int W = 800;
constexpr int H = 600;
constexpr double PI = 3.14159265358979323846;

struct Image {
    std::vector<std::uint8_t> px;
    const std::uint8_t* at(int x, int y) const { return &px[static_cast<std::size_t>((y * W + x) * 4)]; }
};

Image grab()
{
    return Image{read_rgba(0, 0, W, H)};
}

Oscillator* const ALL_OSCILLATORS[] = {&camOscX, &camOscY, &camOscZ, &fadeOsc, &letterboxOsc};

// Brightest red in the (2r+1)^2 pixels around (x, y).
int max_red_around(const Image& img, int x, int y, int r)
{
    int best = 0;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            best = std::max(best, static_cast<int>(img.at(x + dx, y + dy)[0]));
    return best;
}

} // namespace

TEST(Frame, FirstFrameShowsTheOscillatorsStartPose)
{
    ASSERT_TRUE(start_scene(W, H, 5000)) << gl_context_error();
    render_frame(); // no time has passed: nothing moves
    EXPECT_EQ(scene_objects::clock.deltaSeconds, 0.0);
    EXPECT_FLOAT_EQ(layout.fadeAlpha, 0.3f);
    EXPECT_DOUBLE_EQ(scene.letterboxTarget, 0.225);
    EXPECT_FLOAT_EQ(layout.letterbox, 0.225f);
    const Camera& cam = layout.viewports[1].camera.camera;
    EXPECT_FLOAT_EQ(cam.position.x, 1.0f);
    EXPECT_FLOAT_EQ(cam.position.y, 1.0f);
    EXPECT_FLOAT_EQ(cam.position.z, 1.0f);
    EXPECT_FLOAT_EQ(cam.rotation.x, 180.0f);
    EXPECT_FLOAT_EQ(cam.rotation.y, 180.0f);
    EXPECT_FLOAT_EQ(cam.rotation.z, 0.0f);
    EXPECT_EQ(layout.current, 1);

    // Viewport 1 spans the full width between the bars, with a 100 degree vertical field of view.
    const Viewport& v1 = layout.viewports[1];
    EXPECT_NEAR(v1.bottom, 135.0f, 1e-3);
    EXPECT_NEAR(v1.top, 465.0f, 1e-3);
    EXPECT_FLOAT_EQ(v1.width, 800.0f);
    GLfloat proj[16];
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    EXPECT_NEAR(proj[5], 1.0 / std::tan(50.0 * PI / 180.0), 1e-5);
    EXPECT_NEAR(proj[0], proj[5] / (800.0 / 330.0), 1e-4);
    EXPECT_NEAR(proj[14], -2.0 * 5.0 * 0.01 / (5.0 - 0.01), 1e-6);
}

TEST(Frame, OscillatorsAdvanceByElapsedTimeAtTheirRates)
{
    ASSERT_TRUE(start_scene(W, H, 0, 1)) << gl_context_error();
    set_simulated_ms(10000);
    render_frame();
    EXPECT_DOUBLE_EQ(scene_objects::clock.deltaSeconds, 10.0);
    // No reversal is drawn with this seed in one frame, so every oscillator runs at full level.
    for (const Oscillator* o : ALL_OSCILLATORS)
        ASSERT_EQ(o->level, 1.0);
    EXPECT_DOUBLE_EQ(camOscX.phase, 1.0);
    EXPECT_DOUBLE_EQ(camOscZ.phase, 1.0);
    EXPECT_DOUBLE_EQ(fadeOsc.phase, 3.0);
    EXPECT_DOUBLE_EQ(letterboxOsc.phase, 1.0);
    EXPECT_FLOAT_EQ(layout.fadeAlpha, static_cast<float>((std::cos(3.0) * 0.5 + 0.5) * 0.2 + 0.1));
    EXPECT_DOUBLE_EQ(scene.letterboxTarget, (std::cos(1.0) * 0.5 + 0.5) * 0.225);
    const Camera& cam = layout.viewports[1].camera.camera;
    EXPECT_FLOAT_EQ(cam.position.x, static_cast<float>(std::cos(1.0)));
    EXPECT_FLOAT_EQ(cam.rotation.y, static_cast<float>(std::cos(1.0) * 180.0));

    // The time scales multiply the steps.
    scene.cameraTimeScale = 2.0;
    scene.effectTimeScale = 0.0;
    set_simulated_ms(11000);
    render_frame();
    EXPECT_DOUBLE_EQ(camOscY.phase, 1.2);
    EXPECT_DOUBLE_EQ(fadeOsc.phase, 3.0);
}

TEST(Frame, BackwardClockGivesAZeroStepAndNothingMovesBack)
{
    ASSERT_TRUE(start_scene(W, H, 0, 1)) << gl_context_error();
    set_simulated_ms(8000);
    render_frame();
    double before[5];
    for (int i = 0; i < 5; ++i)
        before[i] = ALL_OSCILLATORS[i]->phase;
    const float camX = layout.viewports[1].camera.camera.position.x;

    set_simulated_ms(2000); // e.g. the 32-bit millisecond count wrapped
    render_frame();
    EXPECT_EQ(scene_objects::clock.deltaSeconds, 0.0);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ALL_OSCILLATORS[i]->phase, before[i]) << "oscillator " << i;
    EXPECT_EQ(layout.viewports[1].camera.camera.position.x, camX);

    // Time runs on from the new reading.
    set_simulated_ms(3000);
    render_frame();
    EXPECT_DOUBLE_EQ(scene_objects::clock.deltaSeconds, 1.0);
    EXPECT_DOUBLE_EQ(fadeOsc.phase, before[3] + 0.3);
}

// The Windows build's count: its start point plus the performance counter's whole milliseconds,
// wrapped to an int as GLUT's count is.
TEST(WindowsClock, CountsFromItsStartByTheCounterAndWrapsLikeGlut)
{
    constexpr std::int64_t MHZ10 = 10000000;
    constexpr std::int64_t GHZ3 = 3000000000;
    struct Case {
        std::uint32_t startMs;
        std::int64_t counts;
        std::int64_t frequency;
        int count;
    };
    const Case cases[] = {
        {0, 0, MHZ10, 0},
        {123456, MHZ10 * 3 / 2, MHZ10, 124956},
        {123456, MHZ10 - 1, MHZ10, 124455}, // a part of a millisecond is not counted yet
        {0x7FFFFFFFu, MHZ10 / 1000, MHZ10, INT32_MIN},
        {0xFFFFFFFFu, MHZ10 / 1000, MHZ10, 0},
        // 40 days of a 3 GHz counter: counts * 1000 would not fit in 64 bits.
        {0, GHZ3 * 86400 * 40, GHZ3, static_cast<int>(3456000000u)},
        {7, GHZ3 * 86400 * 40 + GHZ3 / 2, GHZ3, static_cast<int>(3456000507u)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(glut_count_ms(c.startMs, c.counts, c.frequency), c.count)
            << c.startMs << " + " << c.counts << " / " << c.frequency;
}

TEST(Frame, SameSeedGivesTheSameOscillatorReversals)
{
    ASSERT_TRUE(start_scene(64, 64, 0, 31337)) << gl_context_error();
    // Every (step, oscillator) at which a ramp starts, over 20000 steps of 0.05 s.
    auto reversals = [] {
        std::vector<int> out;
        for (Oscillator* o : ALL_OSCILLATORS)
            *o = Oscillator();
        scene_objects::clock.deltaSeconds = 0.05;
        for (int step = 0; step < 20000; ++step) {
            double ramps[5];
            for (int i = 0; i < 5; ++i)
                ramps[i] = ALL_OSCILLATORS[i]->ramp;
            advance_oscillators();
            for (int i = 0; i < 5; ++i)
                if (ramps[i] == 0.0 && ALL_OSCILLATORS[i]->ramp != 0.0)
                    out.push_back(step * 5 + i);
        }
        return out;
    };
    const std::vector<int> first = reversals();
    EXPECT_GT(first.size(), 5u);

    scene_setup(); // the same seed again: same point field draws, then the same reversals
    EXPECT_EQ(reversals(), first);

    scene_use_seed(31338);
    scene_setup();
    EXPECT_NE(reversals(), first);
}

TEST(Frame, BarsAreBlackAndTheFadeBandTurnsDarkBlue)
{
    ASSERT_TRUE(start_scene(W, H, 5000)) << gl_context_error();
    render_frame(); // lays the viewports out for the window
    glClear(GL_COLOR_BUFFER_BIT);
    scene.drawScene = 0;
    for (int i = 0; i < 30; ++i)
        render_frame();
    const Image img = grab();
    // Bars of 0.225 x 600 = 135 px (+1 below): rows 0..135 and 464..599 are black.
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; x += 7) {
            const std::uint8_t* p = img.at(x, y);
            if (y <= 134 || y >= 464) {
                ASSERT_EQ(p[0] + p[1] + p[2], 0) << x << "," << y;
            } else if (y >= 137 && y <= 462) {
                // 0.1 blue laid at opacity 0.3 thirty times over converges to 0.1 x 255.
                ASSERT_EQ(p[0], 0) << x << "," << y;
                ASSERT_EQ(p[1], 0) << x << "," << y;
                ASSERT_NEAR(p[2], 25, 1) << x << "," << y;
            }
        }
    }
}

TEST(Frame, PointsAppearOnlyWhereTheLatticeProjects)
{
    ASSERT_TRUE(start_scene(W, H, 5000)) << gl_context_error();
    render_frame();
    // A pose off the axes that sees several faces (the start pose sits in a corner).
    camOscX.phase = std::acos(0.1);
    camOscY.phase = std::acos(0.2);
    camOscZ.phase = std::acos(-0.3);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    render_frame();
    const Image img = grab();

    // The matrices and viewport the scene pass left behind are those the cube was drawn with.
    GLdouble model[16], proj[16];
    GLint view[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(view[1], 135);
    EXPECT_EQ(view[3], 330);

    std::vector<std::uint8_t> mask(static_cast<std::size_t>(W * H), 0);
    int nearPoints = 0, nearLit = 0;
    const double s = 2.05, h = 1.025;
    for (int face = 0; face < 6; ++face) {
        const double f = (face % 2 == 0) ? h : -h;
        for (int i = 0; i <= CUBE_STEPS; ++i) {
            for (int j = 0; j <= CUBE_STEPS; ++j) {
                const double a = i * s / CUBE_STEPS - s / 2, b = j * s / CUBE_STEPS - s / 2;
                const double p[3] = {face < 2 ? a : (face < 4 ? a : f), face < 2 ? b : (face < 4 ? f : a),
                                     face < 2 ? f : b};
                // Eye-space depth decides clipping and fog; points fogged to below 12/255 of their
                // colour (beyond 1.89 units) cannot light a pixel.
                const double ez = model[2] * p[0] + model[6] * p[1] + model[10] * p[2] + model[14];
                if (-ez < 0.01 || -ez > 1.9)
                    continue;
                double wx, wy, wz;
                gluProject(p[0], p[1], p[2], model, proj, view, &wx, &wy, &wz);
                if (wx < 0 || wy < view[1] || wx >= W || wy >= view[1] + view[3])
                    continue;
                // A one-pixel point lights the pixel holding its centre; allow for rounding when
                // the centre lies on a pixel edge.
                const int px = static_cast<int>(wx), py = static_cast<int>(wy);
                for (double ey : {-0.05, 0.05})
                    for (double ex : {-0.05, 0.05}) {
                        const int x = std::min(std::max(static_cast<int>(wx + ex), 0), W - 1);
                        const int y = std::min(std::max(static_cast<int>(wy + ey), 0), H - 1);
                        mask[static_cast<std::size_t>(y * W + x)] = 1;
                    }
                if (-ez < 1.0 && px > 0 && px < W - 1 && py > view[1] && py < view[1] + view[3] - 1) {
                    ++nearPoints;
                    nearLit += img.at(px, py)[0] > 40;
                }
            }
        }
    }
    int lit = 0;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const std::uint8_t* p = img.at(x, y);
            if (p[0] > 12 || p[1] > 12) {
                ++lit;
                ASSERT_TRUE(mask[static_cast<std::size_t>(y * W + x)]) << "stray point at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(lit, 1000);
    ASSERT_GT(nearPoints, 100);
    EXPECT_GT(nearLit, nearPoints * 9 / 10);
}

TEST(Frame, FogDarkensTheLatticeWithDistance)
{
    ASSERT_TRUE(start_scene(W, H, 5000)) << gl_context_error();
    render_frame();
    // Camera at the cube's centre looking along -z at the middle point of the far face, moved
    // along z by camOscZ; applyView hands +z on, so the face lies at 1.025 - z from the eye.
    camOscX.phase = PI / 2;
    camOscY.phase = PI / 2;
    int previous = 256;
    for (double camZ : {0.5, 0.0, -0.5}) {
        camOscZ.phase = std::acos(camZ);
        glClear(GL_COLOR_BUFFER_BIT);
        render_frame();
        const double distance = 1.025 - camZ;
        const double fog = (1.975 - distance) / (1.975 - 0.2);
        const int red = max_red_around(grab(), 400, 300, 2);
        EXPECT_NEAR(red, 255.0 * fog, 4.0) << "face at " << distance;
        EXPECT_LT(red, previous);
        previous = red;
    }
}

TEST(Frame, PassesLeaveTheDocumentedState)
{
    ASSERT_TRUE(start_scene(W, H, 5000)) << gl_context_error();
    render_frame();
    for (GLenum cap : {GL_BLEND, GL_FOG, GL_DEPTH_TEST, GL_LIGHTING, GL_CULL_FACE, GL_TEXTURE_2D})
        EXPECT_FALSE(glIsEnabled(cap)) << "cap 0x" << std::hex << cap;
    GLboolean mask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_FALSE);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(layout.current, 1);

    // Depth on around the cube leaves depth writes on; the final reset switches them off again
    // and ends in viewport 0 across the whole window.
    scene.pointDepth = 1;
    render_frame();
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));

    scene.drawFinalReset = 1;
    render_frame();
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_FALSE);
    EXPECT_EQ(layout.current, 0);
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(view[2], W);
    EXPECT_EQ(view[3], H);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(Frame, OverlayStretchesTheCheckTextureOverTheWindow)
{
    ASSERT_TRUE(start_scene(W, H, 5000)) << gl_context_error();
    render_frame();
    scene.drawScene = 0;
    scene.drawOverlay = 1;
    render_frame();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    const Image img = grab();
    // 8-texel squares of 256 texels over 800 x 600 pixels: 25 x 18.75 px. The square at the
    // origin is transparent and shows the black bar; its neighbours are opaque white.
    EXPECT_EQ(img.at(12, 9)[0], 0);
    EXPECT_EQ(img.at(37, 9)[0], 255);
    EXPECT_EQ(img.at(12, 28)[1], 255);
    EXPECT_EQ(img.at(37, 28)[2], 0);
}

TEST(Frame, UpdateCameraMovesOnlyCameraOneButAlwaysLoadsTheView)
{
    ASSERT_TRUE(start_scene(W, H, 5000)) << gl_context_error();
    layout.viewports[2].camera.camera.position.set(1.0f, 2.0f, 3.0f);
    layout.viewports[2].camera.eyeDistance = 0.0f;
    layout.viewports[1].camera.camera.position.set(0.25f, 0.25f, 0.25f);
    layout.current = 2;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    update_camera();
    EXPECT_FLOAT_EQ(layout.viewports[1].camera.camera.position.x, 0.25f);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], -1.0f);
    EXPECT_FLOAT_EQ(m[13], -2.0f);
    EXPECT_FLOAT_EQ(m[14], 3.0f);
}
