// The frame driver (see frame.h).
#include "scene/frame.h"

#include "draw/shapes.h"
#include "scene/point_cube.h"
#include "scene/scene.h"

#include <GL/gl.h>

using namespace scene_objects;

void render_frame()
{
    clock.tick();
    advance_oscillators();

    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);

    layout.applyViewport(0);
    layout.applyOrtho(0);
    layout.clearFrame();

    if (scene.drawOverlay)
        draw_overlay();

    if (scene.drawScene) {
        apply_letterbox();
        // The viewport slots are fixed storage: never walk past them.
        const int count = layout.viewportCount < kMaxViewports ? layout.viewportCount : kMaxViewports;
        for (int i = 1; i < count; ++i) {
            layout.applyViewport(i);
            // Viewport 1's camera projects every 3-D viewport, with the aspect of the current one.
            layout.viewports[1].camera.applyProjection(layout);
            draw_scene_pass();
        }
    }

    if (scene.drawFinalReset) {
        layout.applyViewport(0);
        layout.applyOrtho(0);
        reset_after_scene();
    }
}

void advance_oscillators()
{
    const double dt = clock.deltaSeconds;
    camOscX.advance(dt * scene.cameraTimeScale * 0.1);
    camOscY.advance(dt * scene.cameraTimeScale * 0.1);
    camOscZ.advance(dt * scene.cameraTimeScale * 0.1);
    fadeOsc.advance(dt * scene.effectTimeScale * 0.3);
    layout.fadeAlpha = static_cast<float>(fadeOsc.normalized() * 0.2 + 0.1);
    letterboxOsc.advance(dt * scene.effectTimeScale * 0.1);
    scene.letterboxTarget = letterboxOsc.normalized() * 0.225;
}

void apply_letterbox()
{
    layout.letterbox = static_cast<float>(scene.letterboxTarget);
    layout.updateLayout();
}

void update_camera()
{
    if (layout.current == 1) {
        Camera& camera = layout.viewports[1].camera.camera;
        camera.position.x = static_cast<float>(camOscX.value());
        camera.position.y = static_cast<float>(camOscY.value());
        camera.position.z = static_cast<float>(camOscZ.value());
        camera.rotation.x = static_cast<float>(camOscY.value() * 180.0);
        camera.rotation.y = static_cast<float>(camOscX.value() * 180.0);
    }
    layout.viewports[layout.current].camera.applyView();
}

void draw_scene_pass()
{
    update_camera();
    if (scene.drawPointField) {
        if (scene.pointFog && pointField.fogged)
            glEnable(GL_FOG);
        glPushMatrix();
        pointField.draw(layout.viewports[layout.current].camera);
        glPopMatrix();
        glDisable(GL_FOG);
    }
    draw_point_cube();
}

void draw_overlay()
{
    const float w = layout.windowWidth;
    const float h = layout.windowHeight;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    textures[0].bind();
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    draw_textured_rect(0.0f, 0.0f, w, h);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

void reset_after_scene()
{
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
}
