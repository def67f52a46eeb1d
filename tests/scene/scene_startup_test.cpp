// Scene start-up: the state before it, the start values and fixed GL state after it, the seed rule
// and the teardown.
#include "scene/point_cube.h"
#include "scene/scene.h"
#include "tests/scene/scene_test_support.h"
#include "view/random.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>

using namespace scene_objects;

TEST(SceneStartup, BeforeStartUpTheRecordIsZeroAndObjectsHoldTheirConstructedValues)
{
    EXPECT_EQ(scene.scale, 0.0);
    EXPECT_EQ(scene.letterboxTarget, 0.0);
    EXPECT_EQ(scene.drawScene, 0);
    EXPECT_EQ(scene.pointFog, 0);
    EXPECT_FLOAT_EQ(fog.end, 2.0f);
    EXPECT_FLOAT_EQ(light.location.x, -1.0f);
    EXPECT_EQ(layout.viewportCount, 1);
    EXPECT_FLOAT_EQ(layout.fadeAlpha, 1.0f);
    EXPECT_EQ(pointField.pointCount, 10);
    EXPECT_EQ(pointField.listName, 0u);
    EXPECT_EQ(scene_objects::clock.milliseconds, 0.0);
    for (const Oscillator* o : {&camOscX, &camOscY, &camOscZ, &fadeOsc, &letterboxOsc}) {
        EXPECT_EQ(o->level, 1.0);
        EXPECT_EQ(o->phase, 0.0);
    }
    EXPECT_EQ(lighting.shininess, 20);
    for (const Texture& t : textures) {
        EXPECT_EQ(t.glName, 0u);
        EXPECT_EQ(t.bankIndex, -1);
    }
}

TEST(SceneStartup, StartValuesAfterStartUp)
{
    ASSERT_TRUE(start_scene(800, 600, 1234)) << gl_context_error();

    EXPECT_EQ(scene.scale, 1.0);
    EXPECT_EQ(scene.letterboxTarget, 0.2);
    EXPECT_EQ(scene.cameraTimeScale, 1.0);
    EXPECT_EQ(scene.effectTimeScale, 1.0);
    EXPECT_EQ(scene.drawOverlay, 0);
    EXPECT_EQ(scene.drawScene, 1);
    EXPECT_EQ(scene.drawFinalReset, 0);
    EXPECT_EQ(scene.drawPointField, 0);
    EXPECT_EQ(scene.pointBlend, 1);
    EXPECT_EQ(scene.pointDepth, 0);
    EXPECT_EQ(scene.pointFog, 1);

    EXPECT_FLOAT_EQ(layout.windowWidth, 800.0f);
    EXPECT_FLOAT_EQ(layout.windowHeight, 600.0f);
    EXPECT_FLOAT_EQ(layout.fadeAlpha, 0.2f);
    EXPECT_FLOAT_EQ(layout.letterbox, 0.2f);
    EXPECT_FLOAT_EQ(layout.color.b, 0.1f);
    EXPECT_EQ(layout.viewportCount, 2);
    EXPECT_EQ(layout.current, 0);
    const Viewport& v1 = layout.viewports[1];
    EXPECT_EQ(v1.letterboxed, 1);
    EXPECT_EQ(v1.camera.fovY, 100.0);
    EXPECT_FLOAT_EQ(v1.camera.eyeDistance, 0.0f);
    EXPECT_FLOAT_EQ(v1.camera.near, 0.01f);
    EXPECT_FLOAT_EQ(v1.camera.far, 5.0f);
    EXPECT_EQ(layout.viewports[0].letterboxed, 0);

    EXPECT_FLOAT_EQ(fog.start, 0.2f);
    EXPECT_FLOAT_EQ(fog.end, 1.975f);
    EXPECT_EQ(lighting.shininess, 40);

    // With the fade on, the point field is thinned to a third.
    EXPECT_EQ(pointField.pointCount, 1666);
    EXPECT_EQ(pointField.outerSize, 3.0);
    EXPECT_EQ(pointField.follow, 1);
    EXPECT_EQ(pointField.fogged, 0);
    EXPECT_NE(pointField.listName, 0u);
    EXPECT_TRUE(glIsList(pointField.listName));

    EXPECT_EQ(textures[0].bankIndex, 0);
    EXPECT_NE(textures[0].glName, 0u);
    EXPECT_TRUE(glIsTexture(textures[0].glName));
    EXPECT_EQ(textures[1].bankIndex, -1);

    EXPECT_EQ(scene_objects::clock.milliseconds, 1234.0);
    EXPECT_DOUBLE_EQ(scene_objects::clock.nowSeconds, 1.234);
}

TEST(SceneStartup, FixedRenderingStateAfterStartUp)
{
    ASSERT_TRUE(start_scene(320, 240)) << gl_context_error();
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
    EXPECT_EQ(value, GL_NICEST);
    glGetIntegerv(GL_COLOR_MATERIAL_FACE, &value);
    EXPECT_EQ(value, GL_FRONT_AND_BACK);
    glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &value);
    EXPECT_EQ(value, GL_AMBIENT_AND_DIFFUSE);
    GLint polygonMode[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_FILL);
    EXPECT_EQ(polygonMode[1], GL_FILL);
    GLboolean localViewer = GL_FALSE, depthMask = GL_TRUE;
    glGetBooleanv(GL_LIGHT_MODEL_LOCAL_VIEWER, &localViewer);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_EQ(localViewer, GL_TRUE);
    EXPECT_EQ(depthMask, GL_FALSE);
    GLfloat pointSize = 0, lineWidth = 0, shininess = 0;
    glGetFloatv(GL_POINT_SIZE, &pointSize);
    glGetFloatv(GL_LINE_WIDTH, &lineWidth);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_EQ(pointSize, 1.0f);
    EXPECT_EQ(lineWidth, 1.0f);
    EXPECT_EQ(shininess, 40.0f);

    EXPECT_FALSE(glIsEnabled(GL_DITHER));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_FOG));

    // The light sits at (-5, 5, 3) relative to the eye; fog is linear black from 0.2 to 1.975.
    GLfloat position[4] = {};
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_FLOAT_EQ(position[0], -5.0f);
    EXPECT_FLOAT_EQ(position[1], 5.0f);
    EXPECT_FLOAT_EQ(position[2], 3.0f);
    GLfloat fogStart = 0, fogEnd = 0, fogColor[4] = {1, 1, 1, 0};
    glGetFloatv(GL_FOG_START, &fogStart);
    glGetFloatv(GL_FOG_END, &fogEnd);
    glGetFloatv(GL_FOG_COLOR, fogColor);
    EXPECT_FLOAT_EQ(fogStart, 0.2f);
    EXPECT_FLOAT_EQ(fogEnd, 1.975f);
    EXPECT_EQ(fogColor[0] + fogColor[1] + fogColor[2], 0.0f);
    EXPECT_EQ(fogColor[3], 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(SceneStartup, FirstClearPaintsTheBarsInTheConstructorsViewport)
{
    ASSERT_TRUE(use_gl_context(400, 300)) << gl_context_error();
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(start_scene(400, 300)) << gl_context_error();
    // Viewport 0 is still the constructor's 100 x 100 pixels: bars of 0.2 x 300 px (+1) clipped to
    // it, and the fade quad of opacity 0.2 over white between them. Outside, nothing is drawn.
    const auto px = read_rgba(0, 0, 400, 300);
    auto at = [&](int x, int y) { return &px[static_cast<std::size_t>((y * 400 + x) * 4)]; };
    EXPECT_EQ(at(50, 10)[0], 0);
    EXPECT_EQ(at(50, 10)[2], 0);
    EXPECT_NEAR(at(50, 80)[0], 204, 2); // white x 0.8
    EXPECT_NEAR(at(50, 80)[2], 204 + 5, 2); // + 0.1 x 0.2 blue
    EXPECT_EQ(at(200, 10)[0], 255);
    EXPECT_EQ(at(50, 150)[0], 255);
}

namespace {

// Starts with the start-up's own seed rule at `ms`, then repeats the set-up from the seed the rule
// should have produced: both leave the generator in the same state.
void expect_seed_rule(int ms)
{
    ASSERT_TRUE(use_gl_context(64, 64)) << gl_context_error();
    set_simulated_ms(ms);
    window_width = 64;
    window_height = 64;
    apply_fixed_gl_state();
    const std::uint32_t own = random_state();

    const auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&pointField));
    scene_use_seed(static_cast<std::uint32_t>(ms) + address);
    scene_setup();
    EXPECT_EQ(random_state(), own) << "clock at " << ms << " ms";
}

} // namespace

TEST(SceneStartup, SeedIsTheFirstClockReadingPlusThePointFieldAddress)
{
    expect_seed_rule(1234);
}

TEST(SceneStartup, SeedRuleWrapsANegativeClockReading)
{
    // GLUT's count goes negative on a host up for more than 24.8 days.
    expect_seed_rule(-5);
}

TEST(SceneStartup, SameSeedBuildsTheSamePointField)
{
    ASSERT_TRUE(start_scene(64, 64, 1000, 99)) << gl_context_error();
    auto field = [] { return capture_feedback([] { glCallList(pointField.listName); }, 1666 * 8 + 8); };
    const auto first = field();
    ASSERT_EQ(first.size(), 1666u);
    scene_setup();
    const auto again = field();
    ASSERT_EQ(again.size(), first.size());
    bool same = true;
    for (std::size_t i = 0; i < first.size(); ++i)
        same = same && first[i].x == again[i].x && first[i].r == again[i].r;
    EXPECT_TRUE(same);

    scene_use_seed(100);
    scene_setup();
    const auto other = field();
    ASSERT_EQ(other.size(), first.size());
    EXPECT_NE(other[0].x, first[0].x);
}

TEST(SceneStartup, TeardownDeletesThePointFieldAndLatticeLists)
{
    ASSERT_TRUE(start_scene(64, 64)) << gl_context_error();
    const GLuint list = pointField.listName;
    const GLuint cubeList = point_cube_list();
    ASSERT_TRUE(glIsList(list));
    ASSERT_TRUE(glIsList(cubeList));
    scene_teardown();
    EXPECT_FALSE(glIsList(list));
    EXPECT_FALSE(glIsList(cubeList));
    EXPECT_EQ(pointField.listName, 0u);
    EXPECT_EQ(point_cube_list(), 0u);
    scene_teardown(); // a second teardown is harmless
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(SceneStartup, WithoutACurrentContextTheStartUpStillCompletes)
{
    // A host whose context could not be made still runs the start-up: its graphics calls do
    // nothing, and nothing may crash.
    set_simulated_ms(500);
    scene_use_seed(7);
    scene_start(320, 200);
    EXPECT_EQ(scene.drawScene, 1);
    EXPECT_EQ(pointField.listName, 0u);
    EXPECT_EQ(point_cube_list(), 0u);
    EXPECT_EQ(scene_objects::clock.milliseconds, 500.0);
}
