// Point-lattice cube: the points issued (through GL feedback) and the states switched around them.
#include "scene/point_cube.h"
#include "scene/scene.h"
#include "tests/scene/scene_test_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstddef>

namespace {

constexpr std::size_t FACE_POINTS = 141 * 141;
constexpr std::size_t CUBE_POINTS = 6 * FACE_POINTS;

void scene_switches(int blend, int cull, int depth, int fog, int lighting, int texture)
{
    scene.scale = 1.0;
    scene.pointBlend = blend;
    scene.pointCull = cull;
    scene.pointDepth = depth;
    scene.pointFog = fog;
    scene.pointLighting = lighting;
    scene.pointTexture = texture;
}

// Room for one more point than expected, so that an extra point is seen rather than dropped.
std::vector<FeedbackVertex> capture_cube(bool* pointsOnly = nullptr)
{
    return capture_feedback([] { draw_point_cube(); }, (CUBE_POINTS + 1) * 8, pointsOnly);
}

// Lattice coordinate k of an edge s long, as an independent reference.
double lattice(int k, double s)
{
    return k * s / 140.0 - s / 2.0;
}

const GLenum SWITCHED_CAPS[] = {GL_BLEND, GL_CULL_FACE, GL_DEPTH_TEST, GL_FOG, GL_LIGHTING, GL_TEXTURE_2D};

} // namespace

TEST(PointCube, IssuesEveryLatticePointOfTheSixFacesInOrder)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    scene_switches(1, 0, 0, 1, 0, 0);
    bool pointsOnly = false;
    const auto pts = capture_cube(&pointsOnly);
    EXPECT_TRUE(pointsOnly);
    ASSERT_EQ(pts.size(), CUBE_POINTS);

    EXPECT_NEAR(pts.front().x, -1.025, 1e-4);
    EXPECT_NEAR(pts.front().y, -1.025, 1e-4);
    EXPECT_NEAR(pts.front().z, 1.025, 1e-4);
    EXPECT_NEAR(pts.back().x, -1.025, 1e-4);
    EXPECT_NEAR(pts.back().y, 1.025, 1e-4);
    EXPECT_NEAR(pts.back().z, 1.025, 1e-4);

    const double s = 2.05, h = 1.025;
    const double fixed[6] = {h, -h, h, -h, h, -h};
    std::size_t n = 0;
    for (int face = 0; face < 6; ++face) {
        for (int i = 0; i <= 140; ++i) {
            for (int j = 0; j <= 140; ++j, ++n) {
                const double a = lattice(i, s), b = lattice(j, s), f = fixed[face];
                double x = f, y = a, z = b;
                if (face < 2) {
                    x = a;
                    y = b;
                    z = f;
                } else if (face < 4) {
                    x = a;
                    y = f;
                    z = b;
                }
                const FeedbackVertex& p = pts[n];
                ASSERT_NEAR(p.x, x, 1e-4) << "face " << face << " i " << i << " j " << j;
                ASSERT_NEAR(p.y, y, 1e-4) << "face " << face << " i " << i << " j " << j;
                ASSERT_NEAR(p.z, z, 1e-4) << "face " << face << " i " << i << " j " << j;
            }
        }
    }
}

TEST(PointCube, StartUpListReplaysExactlyTheImmediateStream)
{
    ASSERT_TRUE(start_scene(16, 16)) << gl_context_error();
    ASSERT_NE(point_cube_list(), 0u);
    const auto replayed = capture_cube();
    const GLuint list = point_cube_list();
    release_point_cube_list();
    EXPECT_FALSE(glIsList(list));
    const auto issued = capture_cube();
    ASSERT_EQ(replayed.size(), CUBE_POINTS);
    ASSERT_EQ(issued.size(), CUBE_POINTS);
    bool same = true;
    for (std::size_t n = 0; n < CUBE_POINTS && same; ++n)
        same = replayed[n].x == issued[n].x && replayed[n].y == issued[n].y && replayed[n].z == issued[n].z &&
               replayed[n].r == issued[n].r && replayed[n].g == issued[n].g && replayed[n].b == issued[n].b;
    EXPECT_TRUE(same);
    EXPECT_NEAR(replayed.front().z, 1.025, 1e-4);
    EXPECT_NEAR(replayed.back().y, 1.025, 1e-4);

    // A list built for one scale is not replayed for another.
    build_point_cube_list();
    scene.scale = 1.5;
    EXPECT_NEAR(capture_cube().front().x, -1.5375, 1e-4);
}

TEST(PointCube, FacesCarryTheirTintsAndTheEdgeFollowsTheScale)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    scene_switches(0, 0, 0, 0, 0, 0);
    scene.scale = 1.5;
    const auto pts = capture_cube();
    ASSERT_EQ(pts.size(), CUBE_POINTS);
    EXPECT_NEAR(pts.front().x, -1.5375, 1e-4);
    EXPECT_NEAR(pts[FACE_POINTS].z, -1.5375, 1e-4);
    EXPECT_NEAR(pts.back().y, 1.5375, 1e-4);
    const float tints[3][3] = {{1.0f, 0.98f, 0.98f}, {0.975f, 1.0f, 0.975f}, {0.975f, 0.975f, 1.0f}};
    for (std::size_t n = 0; n < pts.size(); n += 997) {
        const float* t = tints[n / (2 * FACE_POINTS)];
        ASSERT_NEAR(pts[n].r, t[0], 1e-6) << n;
        ASSERT_NEAR(pts[n].g, t[1], 1e-6) << n;
        ASSERT_NEAR(pts[n].b, t[2], 1e-6) << n;
        ASSERT_EQ(pts[n].a, 1.0f) << n;
    }
}

TEST(PointCube, WithAllSwitchesOffNoEnableStateChanges)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    scene_switches(0, 0, 0, 0, 0, 0);
    glEnable(GL_BLEND);
    glEnable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    draw_point_cube();
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean mask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_FALSE);
}

TEST(PointCube, EverySwitchedStateIsOffAfterwardsExceptTheDepthMask)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    ASSERT_EQ(scene_objects::textures[0].generate(CHECK, 16, 16, GL_RGBA, 0), 0);
    // Generating another texture leaves that one bound.
    ASSERT_EQ(scene_objects::textures[1].generate(BLACK, 16, 16, GL_RGBA, 0), 0);
    scene_switches(1, 1, 1, 1, 1, 1);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDepthMask(GL_FALSE);
    draw_point_cube();
    for (GLenum cap : SWITCHED_CAPS)
        EXPECT_FALSE(glIsEnabled(cap)) << "cap 0x" << std::hex << cap;
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_TRUE);
    GLint src = 0, dst = 0, bound = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(static_cast<GLuint>(bound), scene_objects::textures[0].glName);
    EXPECT_NE(bound, 0);
}

TEST(PointCube, EnableSwitchesOnExactlyTheSelectedStates)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    scene_switches(1, 0, 1, 0, 1, 0);
    glDepthMask(GL_FALSE);
    enable_point_state();
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_TRUE);
    disable_point_state();
    for (GLenum cap : SWITCHED_CAPS)
        EXPECT_FALSE(glIsEnabled(cap)) << "cap 0x" << std::hex << cap;
}
