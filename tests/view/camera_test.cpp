// Camera: the projection and viewing transform read back from GL, and the motion operations.
#include "tests/draw/gl_recorder.h"
#include "tests/support/gl_test_context.h"
#include "view/camera.h"
#include "view/random.h"
#include "view/view_layout.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Runs load() on a reset model-view matrix and compares the result (column-major) with expected.
template <typename Load>
void expect_modelview(Load load, const float (&expected)[16])
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    load();
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m[i], expected[i], 1e-5) << "element " << i;
}

} // namespace

TEST(ViewCamera, ApplyViewInvertsThePoseButKeepsZ)
{
    ASSERT_TRUE(use_gl_context(32, 32)) << gl_context_error();
    ViewCamera vc;
    vc.eyeDistance = 0.0f;
    expect_modelview([&] { vc.applyView(); }, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    // The eye at z = -1 moves the world by +1; the position's z is handed on unnegated.
    vc.eyeDistance = -1.0f;
    vc.camera.position.set(1, 2, 3);
    expect_modelview([&] { vc.applyView(); }, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, 4, 1});
    // A viewer turned +90 degrees about y turns the world by -90: world -x comes to lie ahead (-z).
    vc.eyeDistance = 0.0f;
    vc.camera.position.set(0, 0, 0);
    vc.camera.rotation.set(0, 90, 0);
    expect_modelview([&] { vc.applyView(); }, {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1});
}

TEST(ViewCamera, ApplyProjectionUsesTheCurrentViewportsAspect)
{
    ASSERT_TRUE(use_gl_context(32, 32)) << gl_context_error();
    ViewLayout layout;
    layout.setWindowSize(800, 600);
    layout.letterbox = 0.2f;
    layout.viewportCount = 2;
    layout.viewports[1].letterboxed = 1;
    layout.updateLayout();
    ViewCamera& vc = layout.viewports[1].camera;
    vc.fovY = 100.0;
    vc.near = 0.01f;
    vc.far = 5.0f;

    glMatrixMode(GL_PROJECTION);
    glTranslatef(5, 5, 5);
    layout.applyViewport(1);
    expect_modelview([&] { glTranslatef(1, 1, 1); vc.applyProjection(layout); },
                     {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    GLfloat p[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    const double f = 1.0 / std::tan(50.0 * M_PI / 180.0);
    EXPECT_NEAR(p[5], f, 1e-5);
    EXPECT_NEAR(p[0], f / (800.0 / 360.0), 1e-5);
    EXPECT_NEAR(p[14], -2.0 * 5.0 * 0.01 / (5.0 - 0.01), 1e-6);
    // The aspect follows the viewport made current last, whichever viewport holds the camera.
    layout.applyViewport(0);
    vc.applyProjection(layout);
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    EXPECT_NEAR(p[0], f / (800.0 / 600.0), 1e-5);
}

TEST(Camera, PlacementTranslatesThenTurnsAboutYThenXThenZSkippingZeroAngles)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    const struct {
        Vec3 rotation;
        std::vector<std::string> turns;
    } cases[] = {
        {Vec3(10, 20, 30), {"glRotatef 20 0 1 0", "glRotatef 10 1 0 0", "glRotatef 30 0 0 1"}},
        {Vec3(0, 0, 0), {}},
        {Vec3(-45, 0, 90), {"glRotatef -45 1 0 0", "glRotatef 90 0 0 1"}},
        {Vec3(0, 5, 0), {"glRotatef 5 0 1 0"}},
    };
    for (const auto& c : cases) {
        Camera camera;
        camera.position.set(1, -2, 3);
        camera.rotation = c.rotation;
        gl_record_start();
        camera.applyPlacement();
        std::vector<std::string> calls;
        for (const GlCall& call : gl_record_stop()) {
            std::string text = call.name;
            for (int i = 0; i < (call.name == "glRotatef" ? 4 : 3); ++i)
                text += " " + std::to_string(static_cast<int>(call.a[i]));
            calls.push_back(text);
        }
        std::vector<std::string> expected{"glTranslatef 1 -2 3"};
        expected.insert(expected.end(), c.turns.begin(), c.turns.end());
        EXPECT_EQ(calls, expected);
    }
}

TEST(Camera, IntegrationAndWrappedRotation)
{
    Camera c;
    c.acceleration.set(2, 0, 0);
    c.integrate(0.5f);
    c.integrate(0.5f); // the acceleration was used up by the first step
    EXPECT_FLOAT_EQ(c.velocity.x, 1.0f);
    EXPECT_FLOAT_EQ(c.position.x, 1.0f);

    c.rotation.set(350, 10, 400);
    c.spin.set(20, -20, 0);
    c.wrapAngles = 1;
    c.integrateRotation(1.0f);
    EXPECT_FLOAT_EQ(c.rotation.x, 10.0f);
    EXPECT_FLOAT_EQ(c.rotation.y, 350.0f);
    EXPECT_FLOAT_EQ(c.rotation.z, 400.0f);
}

TEST(Camera, ShakeDecaysAndRedrawsFrequenciesFromTheGenerator)
{
    Camera c;
    random_seed(7);
    c.shake(0.1f); // off: draws nothing
    EXPECT_EQ(random_state(), 7u);

    c.shakeAmount = 0.5f;
    c.shake(0.1f);
    EXPECT_FLOAT_EQ(c.shakeAmount, 0.35f);
    EXPECT_NEAR(c.shakeOffset.y, std::sin(0.1 * 50.0) * 0.35, 1e-6);

    // 0.012 falls to 0.0084: the shake stops, the offset stays, and x, y, z get new draws in turn.
    const float offsetY = c.shakeOffset.y;
    c.shakeAmount = 0.012f;
    const double fx = frand(50.0) + 25.0, fy = frand(50.0) + 25.0, fz = frand(50.0) + 25.0;
    random_seed(7);
    c.shake(0.1f);
    EXPECT_FLOAT_EQ(c.shakeAmount, 0.0f);
    EXPECT_FLOAT_EQ(c.shakeOffset.y, offsetY);
    EXPECT_FLOAT_EQ(c.shakeFrequency.x, static_cast<float>(fx));
    EXPECT_FLOAT_EQ(c.shakeFrequency.y, static_cast<float>(fy));
    EXPECT_FLOAT_EQ(c.shakeFrequency.z, static_cast<float>(fz));
}

TEST(Camera, AimAtAndWander)
{
    float pitch = 1, yaw = 1;
    aimAt(Vec3(0, 0, 0), Vec3(0, 0, -5), pitch, yaw);
    EXPECT_FLOAT_EQ(pitch, 0.0f);
    EXPECT_FLOAT_EQ(yaw, 0.0f);
    aimAt(Vec3(0, 0, 0), Vec3(0, 5, -5), pitch, yaw);
    EXPECT_FLOAT_EQ(yaw, 0.0f);
    EXPECT_EQ(pitch, 45.000015f); // the factor 57.2958 is a little above 180/pi

    Camera c;
    c.mode = 2;
    c.swayCenter.set(1, 2, 3);
    c.turnCenter.set(5, 6, 0);
    c.wander(0, 0);
    EXPECT_FLOAT_EQ(c.position.y, 12.0f);
    EXPECT_FLOAT_EQ(c.rotation.y, 6.0f);
    // Mode 1 orbits and looks at the target.
    c.mode = 1;
    c.wander(10, 0);
    EXPECT_NEAR(c.position.x, std::sin(1.0) * 10.0 + 1.0, 1e-5);
    aimAt(c.position, c.target, pitch, yaw);
    EXPECT_FLOAT_EQ(c.rotation.x, pitch);
    EXPECT_FLOAT_EQ(c.rotation.y, yaw);
}
