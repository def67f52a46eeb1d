// Camera: the projection and viewing transform read back from GL, and the motion operations.
#include "tests/support/gl_test_context.h"
#include "view/camera.h"
#include "view/random.h"
#include "view/view_layout.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Matrix {
    GLfloat m[16];
};

Matrix read_matrix(GLenum which)
{
    Matrix out{};
    glGetFloatv(which, out.m);
    return out;
}

void expect_matrix(const Matrix& a, const float (&expected)[16])
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], expected[i], 1e-5) << "element " << i;
}

constexpr float IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void reset_modelview()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

} // namespace

TEST(ViewCamera, ApplyViewAtTheOriginWithEyeDistanceZeroIsIdentity)
{
    ASSERT_TRUE(use_gl_context(32, 32)) << gl_context_error();
    ViewCamera vc;
    vc.eyeDistance = 0.0f;
    reset_modelview();
    vc.applyView();
    expect_matrix(read_matrix(GL_MODELVIEW_MATRIX), IDENTITY);
}

TEST(ViewCamera, ApplyViewInvertsThePoseButKeepsZ)
{
    ASSERT_TRUE(use_gl_context(32, 32)) << gl_context_error();
    ViewCamera vc;
    vc.camera.position.set(1, 2, 3);
    reset_modelview();
    vc.applyView();
    // Eye at (0, 0, -1) moves the world by +1 in z; the position's z is passed on unnegated.
    const float moved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, 3 + 1, 1};
    expect_matrix(read_matrix(GL_MODELVIEW_MATRIX), moved);

    // Turning the viewer by +90 degrees about y turns the world by -90: world -x ends up in front (-z).
    vc.eyeDistance = 0.0f;
    vc.camera.position.set(0, 0, 0);
    vc.camera.rotation.set(0, 90, 0);
    reset_modelview();
    vc.applyView();
    const float turned[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1};
    expect_matrix(read_matrix(GL_MODELVIEW_MATRIX), turned);
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
    vc.applyProjection(layout);
    const Matrix p = read_matrix(GL_PROJECTION_MATRIX);
    const double f = 1.0 / std::tan(50.0 * M_PI / 180.0);
    EXPECT_NEAR(p.m[5], f, 1e-5);
    EXPECT_NEAR(p.m[0], f / (800.0 / 360.0), 1e-5);
    EXPECT_NEAR(p.m[10], -(5.0 + 0.01) / (5.0 - 0.01), 1e-5);
    EXPECT_NEAR(p.m[14], -2.0 * 5.0 * 0.01 / (5.0 - 0.01), 1e-6);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    expect_matrix(read_matrix(GL_MODELVIEW_MATRIX), IDENTITY);

    // The aspect follows the viewport made current last, whichever viewport holds the camera.
    layout.applyViewport(0);
    vc.applyProjection(layout);
    EXPECT_NEAR(read_matrix(GL_PROJECTION_MATRIX).m[0], f / (800.0 / 600.0), 1e-5);
}

TEST(Camera, ConstructedStateAndReset)
{
    Camera c;
    EXPECT_EQ(c.mode, 0);
    EXPECT_EQ(c.wrapAngles, 0);
    EXPECT_FLOAT_EQ(c.shakeFrequency.y, 50.0f);
    EXPECT_FLOAT_EQ(c.turnAmplitude.y, 720.0f);
    EXPECT_FLOAT_EQ(c.swayAmplitude.z, 10.0f);

    c.mode = 2;
    c.position.set(1, 1, 1);
    c.spin.set(1, 1, 1);
    c.target.set(1, 1, 1);
    c.swayAmplitude.set(3, 3, 3);
    c.reset();
    EXPECT_EQ(c.mode, 0);
    EXPECT_FLOAT_EQ(c.position.x + c.spin.y + c.target.z, 0.0f);
    // Wander settings survive a reset.
    EXPECT_FLOAT_EQ(c.swayAmplitude.x, 3.0f);

    const ViewCamera vc;
    EXPECT_DOUBLE_EQ(vc.fovY, 90.0);
    EXPECT_FLOAT_EQ(vc.near, 0.1f);
    EXPECT_FLOAT_EQ(vc.far, 100.0f);
    EXPECT_FLOAT_EQ(vc.eyeDistance, -1.0f);
}

TEST(Camera, IntegrateAndWrappedRotation)
{
    Camera c;
    c.acceleration.set(2, 0, 0);
    c.integrate(0.5f);
    EXPECT_FLOAT_EQ(c.velocity.x, 1.0f);
    EXPECT_FLOAT_EQ(c.position.x, 0.5f);
    EXPECT_FLOAT_EQ(c.acceleration.x, 0.0f);
    c.integrate(0.5f);
    EXPECT_FLOAT_EQ(c.position.x, 1.0f);

    c.rotation.set(350, 10, 400);
    c.spin.set(20, -20, 0);
    c.integrateRotation(1.0f);
    EXPECT_FLOAT_EQ(c.rotation.x, 370.0f);
    c.rotation.set(350, 10, 400);
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
    c.shake(0.1f);
    EXPECT_EQ(random_state(), 7u);
    EXPECT_FLOAT_EQ(c.shakeOffset.x, 0.0f);

    c.shakeAmount = 0.5f;
    c.shake(0.1f);
    EXPECT_FLOAT_EQ(c.shakeAmount, 0.35f);
    EXPECT_NEAR(c.shakeOffset.y, std::sin(0.1 * 50.0) * 0.35, 1e-6);

    // 0.012 falls to 0.0084: the shake stops, the offset stays and x, y, z get new draws in turn.
    const float offsetY = c.shakeOffset.y;
    c.shakeAmount = 0.012f;
    random_seed(7);
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
    EXPECT_EQ(pitch, 45.000015f);
    aimAt(Vec3(1, 0, 0), Vec3(2, 0, 0), pitch, yaw);
    EXPECT_NEAR(yaw, -90.0f, 1e-3);
    EXPECT_NEAR(pairAngle(0, 0), 0.0f, 1e-7);

    Camera c;
    c.mode = 2;
    c.swayCenter.set(1, 2, 3);
    c.turnCenter.set(5, 6, 0);
    c.wander(0, 0);
    EXPECT_FLOAT_EQ(c.position.x, 1.0f);
    EXPECT_FLOAT_EQ(c.position.y, 12.0f);
    EXPECT_FLOAT_EQ(c.position.z, 13.0f);
    EXPECT_FLOAT_EQ(c.rotation.x, 5.0f);
    EXPECT_FLOAT_EQ(c.rotation.y, 6.0f);

    // Mode 1 orbits and looks at the target; other modes leave the pose alone.
    c.mode = 1;
    c.wander(10, 0);
    EXPECT_NEAR(c.position.x, std::sin(1.0) * 10.0 + 1.0, 1e-5);
    float p = 0, y = 0;
    aimAt(c.position, c.target, p, y);
    EXPECT_FLOAT_EQ(c.rotation.x, p);
    EXPECT_FLOAT_EQ(c.rotation.y, y);
    c.mode = 3;
    c.wander(20, 20);
    EXPECT_NEAR(c.position.x, std::sin(1.0) * 10.0 + 1.0, 1e-5);
}

TEST(Camera, ApplyPlacementTranslatesThenTurns)
{
    ASSERT_TRUE(use_gl_context(32, 32)) << gl_context_error();
    Camera c;
    c.position.set(1, 2, 3);
    c.rotation.set(0, 90, 0);
    reset_modelview();
    c.applyPlacement();
    const float placed[16] = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 1, 2, 3, 1};
    expect_matrix(read_matrix(GL_MODELVIEW_MATRIX), placed);
}
