// The point-lattice cube (see point_cube.h).
#include "scene/point_cube.h"

#include "scene/scene.h"

#include <GL/gl.h>

namespace {
constexpr int CUBE_POINTS_PER_EDGE = CUBE_STEPS + 1;

// The compiled stream and the scale it was compiled for.
GLuint g_cubeList = 0;
double g_cubeListScale = 0.0;

// One face of the lattice with its fixed coordinate `h` on axis `Axis` (0 = x, 1 = y, 2 = z);
// the other two coordinates run over u, the outer loop on the lower axis. The loops only call
// glVertex3f: every coordinate comes from the precomputed lattice.
template <int Axis>
void emit_face(const float (&u)[CUBE_POINTS_PER_EDGE], float h)
{
    for (int i = 0; i < CUBE_POINTS_PER_EDGE; ++i) {
        const float a = u[i];
        for (int j = 0; j < CUBE_POINTS_PER_EDGE; ++j) {
            if (Axis == 2)
                glVertex3f(a, u[j], h);
            else if (Axis == 1)
                glVertex3f(a, h, u[j]);
            else
                glVertex3f(h, a, u[j]);
        }
    }
}

// The cube's whole vertex stream for edge scene.scale x 2.05: colours, point size and every vertex,
// faces +z, -z, +y, -y, +x, -x in one GL_POINTS batch.
void emit_point_cube()
{
    const auto s = static_cast<float>(scene.scale * 2.05);
    const double sd = s;
    const auto h = static_cast<float>(sd * 0.5);

    // The lattice coordinate u(k) = k / CUBE_STEPS * s - s * 0.5, formed in double and rounded
    // once; a fixed local array, so the frame allocates nothing.
    float u[CUBE_POINTS_PER_EDGE];
    for (int k = 0; k < CUBE_POINTS_PER_EDGE; ++k)
        u[k] = static_cast<float>(static_cast<double>(k) / CUBE_STEPS * sd - sd * 0.5);

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPointSize(1.0f);
    glBegin(GL_POINTS);

    glColor4f(1.0f, 0.98f, 0.98f, 1.0f);
    emit_face<2>(u, h);
    emit_face<2>(u, -h);

    glColor4f(0.975f, 1.0f, 0.975f, 1.0f);
    emit_face<1>(u, h);
    emit_face<1>(u, -h);

    glColor4f(0.975f, 0.975f, 1.0f, 1.0f);
    emit_face<0>(u, h);
    emit_face<0>(u, -h);

    glEnd();
}
} // namespace

void enable_point_state()
{
    if (scene.pointBlend) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
    }
    if (scene.pointCull)
        glEnable(GL_CULL_FACE);
    if (scene.pointDepth) {
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
    }
    if (scene.pointFog)
        glEnable(GL_FOG);
    if (scene.pointLighting)
        glEnable(GL_LIGHTING);
    if (scene.pointTexture) {
        glEnable(GL_TEXTURE_2D);
        scene_objects::textures[0].bind();
    }
}

void disable_point_state()
{
    if (scene.pointBlend)
        glDisable(GL_BLEND);
    if (scene.pointCull)
        glDisable(GL_CULL_FACE);
    if (scene.pointDepth)
        glDisable(GL_DEPTH_TEST);
    if (scene.pointFog)
        glDisable(GL_FOG);
    if (scene.pointLighting)
        glDisable(GL_LIGHTING);
    if (scene.pointTexture)
        glDisable(GL_TEXTURE_2D);
}

void draw_point_cube()
{
    enable_point_state();
    // The list holds the stream for the scale it was built with; any other scale is issued afresh.
    if (g_cubeList != 0 && g_cubeListScale == scene.scale)
        glCallList(g_cubeList);
    else
        emit_point_cube();
    disable_point_state();
}

void build_point_cube_list()
{
    release_point_cube_list();
    g_cubeList = glGenLists(1);
    if (g_cubeList == 0)
        return;
    g_cubeListScale = scene.scale;
    glNewList(g_cubeList, GL_COMPILE);
    emit_point_cube();
    glEndList();
}

void release_point_cube_list()
{
    if (g_cubeList != 0)
        glDeleteLists(g_cubeList, 1);
    g_cubeList = 0;
}

GLuint point_cube_list()
{
    return g_cubeList;
}
