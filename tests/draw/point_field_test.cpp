// Point field: placement, colours and draw order seen through GL feedback mode, and the replay calls.
#include "draw/point_field.h"

#include "tests/draw/gl_recorder.h"
#include "tests/support/gl_test_context.h"
#include "view/camera.h"
#include "view/random.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

namespace {

struct Point {
    double x, y, z, r, g, b;
};

// The points a replay hands to GL, back in object coordinates (orthographic -2..2 on every axis).
std::vector<Point> replay(PointField& field, const ViewCamera& camera)
{
    static GLfloat buffer[1 << 18];
    glFeedbackBuffer(static_cast<GLsizei>(sizeof buffer / sizeof buffer[0]), GL_3D_COLOR, buffer);
    glRenderMode(GL_FEEDBACK);
    field.draw(camera);
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "feedback buffer overflow";
    std::vector<Point> points;
    for (GLint i = 0; i < used;) {
        const GLfloat token = buffer[i++];
        if (token != GL_POINT_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        const GLfloat* v = buffer + i;
        points.push_back(Point{(v[0] / 100.0 - 1.0) * 2.0, (v[1] / 100.0 - 1.0) * 2.0, -(2.0 * v[2] - 1.0) * 2.0, v[3],
                               v[4], v[5]});
        i += 7;
    }
    return points;
}

// The field that build should compile from `seed`, drawn from the generator in the documented order.
std::vector<Point> expected_field(std::uint32_t seed, const PointField& f)
{
    random_seed(seed);
    const float rOut = static_cast<float>(f.outerSize * 0.5);
    const float rIn = static_cast<float>(std::min(f.innerSize, f.outerSize * 0.9) * 0.5 + 0.01);
    std::vector<Point> out;
    for (int n = 0; n < f.pointCount / f.copies; ++n) {
        float c[3];
        for (;;) {
            for (float& v : c)
                v = (frand(2.0f) - 1.0f) * rOut;
            const float d2 = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
            const bool accept = f.shape == 1 ? !(std::fabs(c[0]) < rIn && std::fabs(c[1]) < rIn && std::fabs(c[2]) < rIn)
                                             : rIn * rIn <= d2 && d2 <= rOut * rOut && (f.shape != 2 || c[1] >= 0);
            if (accept)
                break;
        }
        const bool rare = frand(1.0) < 0.1;
        const double lo = rare ? f.colourSpread : f.colourBase;
        const double span = rare ? f.colourBase : f.colourSpread;
        const double b = lo + frand(span);
        const double g = lo + frand(span);
        const double r = lo + frand(span);
        out.push_back(Point{c[0], c[1], c[2], r, g, b});
    }
    return out;
}

void expect_same_points(const std::vector<Point>& got, const std::vector<Point>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].x, want[i].x, 2e-5) << i;
        EXPECT_NEAR(got[i].y, want[i].y, 2e-5) << i;
        EXPECT_NEAR(got[i].z, want[i].z, 2e-5) << i;
        EXPECT_NEAR(got[i].r, want[i].r, 1e-6) << i;
        EXPECT_NEAR(got[i].g, want[i].g, 1e-6) << i;
        EXPECT_NEAR(got[i].b, want[i].b, 1e-6) << i;
    }
}

class PointFieldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(use_gl_context(200, 200)) << gl_context_error();
        glViewport(0, 0, 200, 200);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-2, 2, -2, 2, -2, 2);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    ViewCamera camera;
};

TEST_F(PointFieldTest, CompilesTheGeneratorsPointsInDrawOrder)
{
    for (int shape : {1, 2, 0}) {
        PointField f;
        f.pointCount = 300;
        f.shape = shape;
        f.innerSize = 1.2;
        f.colourSpread = 0.2;
        f.colourBase = 0.6;
        const std::vector<Point> want = expected_field(1234, f);
        const std::uint32_t stateAfter = random_state();
        random_seed(1234);
        f.build();
        ASSERT_NE(f.listName, 0u);
        EXPECT_EQ(random_state(), stateAfter) << "shape " << shape;
        const std::vector<Point> got = replay(f, camera);
        expect_same_points(got, want);

        int rare = 0;
        for (const Point& p : got) {
            const double d = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
            const double edge = std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
            ASSERT_LE(edge, 1.0 + 1e-5);
            if (shape == 1) {
                ASSERT_GE(edge, 0.61 - 1e-5);
            } else {
                ASSERT_GE(d, 0.61 - 1e-5);
                ASSERT_LE(d, 1.0 + 1e-5);
            }
            if (shape == 2) {
                ASSERT_GE(p.y, -1e-5);
            }
            for (double c : {p.r, p.g, p.b}) {
                ASSERT_GE(c, 0.2 - 1e-6);
                ASSERT_LT(c, 0.8 + 1e-6);
            }
            rare += p.r < 0.6 || p.g < 0.6 || p.b < 0.6;
        }
        EXPECT_GT(rare, 0);
        EXPECT_LT(rare, 100);
    }
}

TEST_F(PointFieldTest, EmptyCoreSurvivesAZeroInnerSize)
{
    PointField f;
    f.pointCount = 20000;
    f.outerSize = 0.5;
    random_seed(7);
    f.build();
    const std::vector<Point> got = replay(f, camera);
    ASSERT_EQ(got.size(), 20000u);
    for (const Point& p : got)
        ASSERT_GE(std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)}), 0.01 - 1e-6);
}

TEST_F(PointFieldTest, CopiesAreRotatedReplaysWithGrowingPointSizes)
{
    PointField f;
    f.pointCount = 10;
    f.copies = 3;
    random_seed(11);
    f.build();
    gl_record_start();
    f.draw(camera);
    std::vector<GlCall> calls = gl_record_stop();
    ASSERT_EQ(calls.size(), 9u);
    for (int i = 0; i < 3; ++i) {
        const GlCall& rotate = calls[static_cast<std::size_t>(3 * i)];
        EXPECT_EQ(rotate.name, "glRotatef");
        EXPECT_FLOAT_EQ(static_cast<float>(rotate.a[0]), 120.0f);
        EXPECT_EQ(rotate.a[2], 1.0);
        EXPECT_EQ(calls[static_cast<std::size_t>(3 * i + 1)].name, "glPointSize");
        EXPECT_EQ(calls[static_cast<std::size_t>(3 * i + 1)].a[0], i + 1);
        EXPECT_EQ(calls[static_cast<std::size_t>(3 * i + 2)].name, "glCallList");
        EXPECT_EQ(calls[static_cast<std::size_t>(3 * i + 2)].a[0], f.listName);
    }
    GLfloat size = 0;
    glGetFloatv(GL_POINT_SIZE, &size);
    EXPECT_EQ(size, 3.0f);
    GLboolean mask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_FALSE);
    EXPECT_EQ(glIsEnabled(GL_BLEND), GL_FALSE);

    // Three points per copy; copy k is the list turned by 120 (k + 1) degrees about y.
    const std::vector<Point> got = replay(f, camera);
    ASSERT_EQ(got.size(), 9u);
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j) {
            const Point& base = got[static_cast<std::size_t>(6 + j)]; // the full turn
            const Point& p = got[static_cast<std::size_t>(3 * k + j)];
            const double a = (k + 1) * 120.0 * M_PI / 180.0;
            EXPECT_NEAR(p.x, base.x * std::cos(a) + base.z * std::sin(a), 1e-4);
            EXPECT_NEAR(p.y, base.y, 1e-5);
            EXPECT_NEAR(p.z, -base.x * std::sin(a) + base.z * std::cos(a), 1e-4);
        }
}

TEST_F(PointFieldTest, FollowTranslatesByTheCameraPositionWithZFlipped)
{
    PointField f;
    random_seed(21);
    f.build();
    const std::vector<Point> still = replay(f, camera);

    ViewCamera moved;
    moved.camera.position.set(0.5f, 0.25f, 0.75f);
    expect_same_points(replay(f, moved), still); // follow 0 ignores the camera

    f.follow = 1;
    std::vector<Point> shifted = still;
    for (Point& p : shifted) {
        p.x += 0.5;
        p.y += 0.25;
        p.z -= 0.75;
    }
    expect_same_points(replay(f, moved), shifted);
}

TEST_F(PointFieldTest, RebuildLowersTheCoreAndReplacesTheList)
{
    PointField f;
    f.release(); // nothing to delete
    EXPECT_EQ(f.listName, 0u);
    gl_record_start();
    f.draw(camera);
    EXPECT_TRUE(gl_record_stop().empty());

    f.innerSize = 5.0; // lowered to 0.9 * outerSize, and it stays lowered
    f.build();
    const GLuint first = f.listName;
    ASSERT_NE(first, 0u);
    EXPECT_EQ(f.innerSize, 2.0 * 0.9);
    f.build();
    EXPECT_NE(f.listName, 0u);
    EXPECT_EQ(glIsList(first), first == f.listName ? GL_TRUE : GL_FALSE);
    const GLuint second = f.listName;
    f.release();
    EXPECT_EQ(f.listName, 0u);
    EXPECT_EQ(glIsList(second), GL_FALSE);
    f.release();
}

TEST_F(PointFieldTest, BuildsNothingWithoutCopiesOrRoomForPoints)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        int copies, shape;
        double outer, inner;
    };
    const Case cases[] = {
        {0, 1, 2.0, 0.0},  {-3, 1, 2.0, 0.0}, {1, 1, 0.2, 0.0}, {1, 1, 0.1, 0.0}, {1, 0, -1.0, 0.0},
        {1, 1, nan, 0.0},  {1, 0, inf, 0.0},  {1, 0, 2.0, -10.0}, {1, 2, 2.0, nan},
        {1, 0, 0.2000001, 1.0}, {1, 2, 0.2000001, 1.0}, {1, 0, 0.2000002, 1.0}, {1, 2, 0.2000002, 1.0},
    };
    for (const Case& c : cases) {
        PointField f;
        random_seed(5);
        f.build(); // a previous list is released by a build that compiles nothing
        ASSERT_NE(f.listName, 0u);
        f.copies = c.copies;
        f.shape = c.shape;
        f.outerSize = c.outer;
        f.innerSize = c.inner;
        const auto start = std::chrono::steady_clock::now();
        f.build();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(f.listName, 0u) << c.copies << " " << c.shape << " " << c.outer << " " << c.inner;
        gl_record_start();
        f.draw(camera);
        EXPECT_TRUE(gl_record_stop().empty());
    }
}

} // namespace
