// Start-up and teardown of the scene: the fixed rendering state, the start values of every
// quantity, the seed, and the generated content (point field, check texture).
#include "scene/scene.h"

#include "scene/point_cube.h"
#include "view/random.h"

#include <GL/gl.h>

#include <cstdint>

using namespace scene_objects;

namespace {
bool g_useFixedSeed = false;
std::uint32_t g_fixedSeed = 0;
} // namespace

std::uint32_t startup_seed()
{
    const auto ms = static_cast<std::int32_t>(clock.milliseconds);
    const auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&pointField));
    return static_cast<std::uint32_t>(ms) + address;
}

void scene_use_seed(std::uint32_t seed)
{
    g_useFixedSeed = true;
    g_fixedSeed = seed;
}

void apply_fixed_gl_state()
{
    glLineWidth(1.0f);
    glPointSize(1.0f);
    glShadeModel(GL_SMOOTH);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glDisable(GL_DITHER);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glMateriali(GL_FRONT_AND_BACK, GL_SHININESS, 30);
    scene_start(window_width, window_height);
}

void scene_start(int width, int height)
{
    layout.setWindowSize(static_cast<float>(width), static_cast<float>(height));
    scene_setup();
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    layout.applyViewport(0);
    layout.applyOrtho(0);
    layout.clearFrame();
    // After the start-up proper: the lattice draws no random numbers, so the seeded order stays.
    build_point_cube_list();
}

void scene_setup()
{
    scene.scale = 1.0;
    scene.letterboxTarget = 0.2;

    layout.fadeAlpha = 0.2f;
    layout.letterbox = static_cast<float>(scene.letterboxTarget);
    // Dark blue fade; the quad's opacity is fadeAlpha, not this alpha.
    layout.setColor(0.0f, 0.0f, 0.1f, 0.0f);
    layout.viewportCount = 2;

    Viewport& view = layout.viewports[1];
    view.setFraction(0.0, 0.0, 1.0, 1.0);
    view.letterboxed = 1;
    view.camera.fovY = 100.0;
    view.camera.eyeDistance = 0.0f;
    view.camera.near = static_cast<float>(scene.scale * 0.01);
    view.camera.far = static_cast<float>(scene.scale * 5.0);

    fog.start = static_cast<float>(scene.scale * 0.2);
    fog.end = static_cast<float>(scene.scale * 1.975);
    fog.setColor(0.0f, 0.0f, 0.0f, 1.0f);
    fog.apply();

    light.location = {-5.0f, 5.0f, -3.0f};
    light.color.r = 1.0f;
    light.color.g = 1.0f;
    light.color.b = 1.0f;
    // Placed under the identity model-view of a fresh context, so it stays fixed to the eye.
    light.enable();

    lighting.setFactors(0.0f, 0.9f, 0.7f, 0.0f);
    lighting.shininess = 40;
    lighting.tint.r = 0.95f;
    lighting.tint.g = 0.85f;
    lighting.tint.b = 0.75f;
    lighting.apply(light);

    scene.drawOverlay = 0;
    scene.drawScene = 1;
    scene.drawFinalReset = 0;
    scene.pointBlend = 1;
    scene.pointCull = 0;
    scene.pointDepth = 0;
    scene.pointFog = 1;
    scene.pointLighting = 0;
    scene.drawPointField = 0;
    scene.pointTexture = 0;

    scene.cameraTimeScale = 1.0;
    scene.effectTimeScale = 1.0;

    pointField.pointCount = 5000;
    // Reads the fadeAlpha set above: with trails the field is thinned to a third.
    if (layout.fadeAlpha < 1.0f)
        pointField.pointCount = pointField.pointCount / 3;
    pointField.copies = 1;
    pointField.outerSize = scene.scale * 3.0;
    pointField.innerSize = 0.0 * pointField.outerSize;
    pointField.blend = 1;
    pointField.depthTest = 0;
    pointField.depthWrite = 0;
    pointField.shape = 1;
    pointField.follow = 1;
    pointField.fogged = 0;
    pointField.colourSpread = 0.2;
    pointField.colourBase = 0.6;

    // The seed depends on the first clock reading; the point field, the texture and later the
    // oscillators then draw from the generator in that order.
    clock.tick();
    random_seed(g_useFixedSeed ? g_fixedSeed : startup_seed());
    pointField.build();
    textures[0].generate(CHECK, 256, 256, GL_RGBA, 1);
}

void scene_teardown()
{
    pointField.release();
    release_point_cube_list();
}
