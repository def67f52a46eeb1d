// Helpers shared by the scene's GL tests: start-up on a test context, and GL feedback capture of
// points and polygon vertices mapped back to object coordinates.
#ifndef LATTICEDRIFT_TESTS_SCENE_TEST_SUPPORT_H
#define LATTICEDRIFT_TESTS_SCENE_TEST_SUPPORT_H

#include "scene/scene.h"
#include "tests/support/gl_test_context.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdint>
#include <vector>

// Starts the scene as window creation does, on a width x height context, with the clock at `ms`
// and a fixed seed. Returns false when no context could be made.
inline bool start_scene(int width, int height, int ms = 1000, std::uint32_t seed = 4242)
{
    if (!use_gl_context(width, height))
        return false;
    set_simulated_ms(ms);
    window_width = width;
    window_height = height;
    scene_use_seed(seed);
    apply_fixed_gl_state();
    return true;
}

// One vertex recorded in feedback mode, mapped back to object coordinates through the matrices and
// viewport current when it was captured.
struct FeedbackVertex {
    double x, y, z;
    float r, g, b, a;
};

// Runs draw() in GL_3D_COLOR feedback mode with an orthographic projection of [-4, 4] on every axis
// and an identity model-view, and returns every vertex of every point and polygon in order.
// `pointsOnly` reports whether anything but points was recorded.
template <typename Draw>
std::vector<FeedbackVertex> capture_feedback(Draw draw, std::size_t capacity, bool* pointsOnly = nullptr)
{
    glViewport(0, 0, 800, 800);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4.0, 4.0, -4.0, 4.0, -4.0, 4.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    GLdouble model[16], proj[16];
    GLint view[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, view);

    std::vector<GLfloat> buffer(capacity);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);

    std::vector<FeedbackVertex> out;
    bool onlyPoints = true;
    // Each vertex is x, y, z and an RGBA colour.
    auto read_vertex = [&](GLint at) {
        FeedbackVertex v{};
        gluUnProject(buffer[at], buffer[at + 1], buffer[at + 2], model, proj, view, &v.x, &v.y, &v.z);
        v.r = buffer[at + 3];
        v.g = buffer[at + 4];
        v.b = buffer[at + 5];
        v.a = buffer[at + 6];
        out.push_back(v);
    };
    GLint i = 0;
    while (used > 0 && i < used) {
        const auto token = static_cast<GLint>(buffer[i++]);
        if (token == GL_POINT_TOKEN) {
            read_vertex(i);
            i += 7;
        } else if (token == GL_POLYGON_TOKEN) {
            onlyPoints = false;
            const auto n = static_cast<GLint>(buffer[i++]);
            for (GLint k = 0; k < n; ++k, i += 7)
                read_vertex(i);
        } else {
            onlyPoints = false;
            break;
        }
    }
    if (used < 0)
        onlyPoints = false;
    if (pointsOnly)
        *pointsOnly = onlyPoints;
    return out;
}

#endif
