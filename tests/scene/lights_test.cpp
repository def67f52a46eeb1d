// Fog, light and lighting model: what each hands to GL, read back from a real context.
#include "scene/lights.h"
#include "tests/scene/scene_test_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

void expect_rgba(GLenum light, GLenum what, float r, float g, float b, float a)
{
    GLfloat v[4] = {-9, -9, -9, -9};
    glGetLightfv(light, what, v);
    EXPECT_FLOAT_EQ(v[0], r);
    EXPECT_FLOAT_EQ(v[1], g);
    EXPECT_FLOAT_EQ(v[2], b);
    EXPECT_FLOAT_EQ(v[3], a);
}

void identity_modelview()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

} // namespace

TEST(FogSettings, ApplyHandsLinearFogWithoutEnablingIt)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    FogSettings fog;
    EXPECT_FLOAT_EQ(fog.start, 0.2f);
    EXPECT_FLOAT_EQ(fog.end, 2.0f);
    fog.start = 0.2f;
    fog.end = 1.975f;
    fog.setColor(0.25f, 0.5f, 0.75f, 1.0f);
    fog.apply();

    GLint mode = 0, hint = 0;
    glGetIntegerv(GL_FOG_MODE, &mode);
    glGetIntegerv(GL_FOG_HINT, &hint);
    EXPECT_EQ(mode, GL_LINEAR);
    EXPECT_EQ(hint, GL_NICEST);
    GLfloat start = 0, end = 0, color[4] = {};
    glGetFloatv(GL_FOG_START, &start);
    glGetFloatv(GL_FOG_END, &end);
    glGetFloatv(GL_FOG_COLOR, color);
    EXPECT_FLOAT_EQ(start, 0.2f);
    EXPECT_FLOAT_EQ(end, 1.975f);
    EXPECT_FLOAT_EQ(color[0], 0.25f);
    EXPECT_FLOAT_EQ(color[1], 0.5f);
    EXPECT_FLOAT_EQ(color[2], 0.75f);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST(Light, EnablePlacesTheLightWithZFlippedAndSwitchesItOn)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    identity_modelview();
    Light light;
    light.location = {-5.0f, 5.0f, -3.0f};
    light.enable();
    EXPECT_FLOAT_EQ(light.position[2], 3.0f);
    expect_rgba(GL_LIGHT0, GL_POSITION, -5.0f, 5.0f, 3.0f, 1.0f);
    GLfloat dir[3] = {};
    glGetLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, dir);
    EXPECT_FLOAT_EQ(dir[0], 0.0f);
    EXPECT_FLOAT_EQ(dir[1], 0.0f);
    EXPECT_FLOAT_EQ(dir[2], 0.0f);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
}

TEST(Light, IndexSelectsTheGlLightAndIndicesOutOfRangeTouchNothing)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    identity_modelview();
    Light light;
    light.index = 3;
    light.location = {1.0f, 2.0f, 3.0f};
    light.enable();
    expect_rgba(GL_LIGHT3, GL_POSITION, 1.0f, 2.0f, -3.0f, 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT3));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));

    for (int bad : {-1, 8, 1000}) {
        Light stray;
        stray.index = bad;
        stray.location = {7.0f, 7.0f, 7.0f};
        stray.enable();
        LightingModel model;
        model.apply(stray);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "index " << bad;
    }
    for (GLenum l = GL_LIGHT0; l <= GL_LIGHT7; ++l)
        EXPECT_EQ(glIsEnabled(l) == GL_TRUE, l == GL_LIGHT3) << "light " << (l - GL_LIGHT0);
    expect_rgba(GL_LIGHT3, GL_POSITION, 1.0f, 2.0f, -3.0f, 1.0f);
}

TEST(LightingModel, SceneValuesGiveTheDocumentedColours)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    Light light;
    LightingModel model;
    model.setFactors(0.0f, 0.9f, 0.7f, 0.0f);
    model.shininess = 40;
    model.tint.r = 0.95f;
    model.tint.g = 0.85f;
    model.tint.b = 0.75f;
    model.apply(light);

    expect_rgba(GL_LIGHT0, GL_AMBIENT, 0, 0, 0, 1);
    expect_rgba(GL_LIGHT0, GL_DIFFUSE, 0.9f * 0.95f, 0.9f * 0.85f, 0.9f * 0.75f, 1);
    expect_rgba(GL_LIGHT0, GL_SPECULAR, 0.7f * 0.95f, 0.7f * 0.85f, 0.7f * 0.75f, 1);
    EXPECT_NEAR(0.9f * 0.95f, 0.855f, 1e-6);
    EXPECT_NEAR(0.7f * 0.75f, 0.525f, 1e-6);

    GLfloat modelAmbient[4] = {-1, -1, -1, -1};
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, modelAmbient);
    EXPECT_FLOAT_EQ(modelAmbient[0], 0.0f);
    EXPECT_FLOAT_EQ(modelAmbient[3], 1.0f);

    GLfloat specular[4] = {-1, -1, -1, -1}, shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glGetMaterialfv(GL_BACK, GL_SHININESS, &shininess);
    EXPECT_FLOAT_EQ(specular[0], 0.0f);
    EXPECT_FLOAT_EQ(specular[3], 1.0f);
    EXPECT_FLOAT_EQ(shininess, 40.0f);

    GLfloat exponent = 0, cutoff = 0;
    glGetLightfv(GL_LIGHT0, GL_SPOT_EXPONENT, &exponent);
    glGetLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, &cutoff);
    EXPECT_FLOAT_EQ(exponent, 1.0f);
    EXPECT_FLOAT_EQ(cutoff, 180.0f);
}

TEST(LightingModel, ChannelsPairByNameWhateverTheDeclarationOrder)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    Light light;
    light.color.r = 1.0f;
    light.color.g = 0.0f;
    light.color.b = 0.0f;
    LightingModel model; // factors 0.25, 0.5, 0.675, 0.99
    model.tint.r = 0.5f;
    model.tint.g = 0.9f;
    model.tint.b = 0.8f;
    model.apply(light);
    expect_rgba(GL_LIGHT0, GL_AMBIENT, 0.25f * 0.5f, 0, 0, 1);
    expect_rgba(GL_LIGHT0, GL_DIFFUSE, 0.5f * 0.5f, 0, 0, 1);
    expect_rgba(GL_LIGHT0, GL_SPECULAR, 0.675f * 0.5f, 0, 0, 1);
    GLfloat specular[4] = {};
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    EXPECT_FLOAT_EQ(specular[0], 0.99f * 0.5f);
    EXPECT_FLOAT_EQ(specular[1], 0.0f);
    EXPECT_FLOAT_EQ(specular[2], 0.0f);

    light.color.r = 0.0f;
    light.color.b = 1.0f;
    model.apply(light);
    expect_rgba(GL_LIGHT0, GL_DIFFUSE, 0, 0, 0.5f * 0.8f, 1);
}

TEST(Light, MarkerIsASphereOfTheLightsColourAtItsUnflippedLocation)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    glDisable(GL_LIGHTING);
    Light light;
    light.location = {0.5f, -1.0f, -2.0f};
    light.markerRadius = 0.75f;
    light.color.r = 1.0f;
    light.color.g = 0.25f;
    light.color.b = 0.0f;
    bool pointsOnly = true;
    const auto vertices = capture_feedback([&] { light.drawMarker(); }, 1 << 16, &pointsOnly);
    ASSERT_FALSE(vertices.empty());
    EXPECT_FALSE(pointsOnly);
    for (const FeedbackVertex& v : vertices) {
        const double d = std::sqrt((v.x - 0.5) * (v.x - 0.5) + (v.y + 1.0) * (v.y + 1.0) + (v.z + 2.0) * (v.z + 2.0));
        ASSERT_NEAR(d, 0.75, 1e-3);
        ASSERT_NEAR(v.r, 1.0f, 1e-6);
        ASSERT_NEAR(v.g, 0.25f, 1e-6);
        ASSERT_NEAR(v.b, 0.0f, 1e-6);
    }
    // 8 slices and 8 stacks: eight rings, the poles included, bound seven bands of eight quads.
    std::set<long> ringHeights;
    std::set<long> sliceAngles;
    for (const FeedbackVertex& v : vertices) {
        ringHeights.insert(std::lround((v.y + 1.0) * 1000.0));
        const double dx = v.x - 0.5;
        const double dz = v.z + 2.0;
        double angle = std::atan2(dx, dz);
        if (angle < -1e-3)
            angle += 2.0 * M_PI;
        if (std::hypot(dx, dz) > 1e-3)
            sliceAngles.insert(std::lround(angle * 100.0));
    }
    EXPECT_EQ(ringHeights.size(), 8u);
    EXPECT_EQ(sliceAngles.size(), 8u);
    // The matrix is restored.
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 0.0f);
    EXPECT_FLOAT_EQ(m[14], 0.0f);
}
