// Immediate-mode sphere and textured rectangle; they draw with whatever state the caller has set.
#include "draw/shapes.h"

#include <GL/gl.h>

#include <cmath>

void draw_textured_rect(float x, float y, float width, float height)
{
    glBegin(GL_QUADS);
    glTexCoord2d(0.0, 0.0);
    glVertex2f(x, y);
    glTexCoord2d(1.0, 0.0);
    glVertex2f(x + width, y);
    glTexCoord2d(1.0, 1.0);
    glVertex2f(x + width, y + height);
    glTexCoord2d(0.0, 1.0);
    glVertex2f(x, y + height);
    glEnd();
}

namespace {

// One vertex of ring angle phi at slice angle theta: unit normal, texture coordinate, position.
void sphere_vertex(double radius, float theta, float phi, float s, float t)
{
    const double sinPhi = std::sin(static_cast<double>(phi));
    const float nx = static_cast<float>(std::sin(static_cast<double>(theta)) * sinPhi);
    const float ny = static_cast<float>(-std::cos(static_cast<double>(phi)));
    const float nz = static_cast<float>(std::cos(static_cast<double>(theta)) * sinPhi);
    glNormal3f(nx, ny, nz);
    glTexCoord2f(s, t);
    glVertex3d(radius * nx, radius * ny, radius * nz);
}

} // namespace

void draw_sphere(double radius, int slices, int stacks, double sScale, double tScale, double sOffset,
                 double tOffset)
{
    if (slices < 3 || stacks < 3 || slices > 100 || stacks > 100)
        return;
    // Single-precision 2 pi and pi.
    const float dTheta = 6.2831855f / static_cast<float>(slices);
    const float dPhi = 3.1415927f / static_cast<float>(stacks - 1);

    for (int i = 0; i < stacks - 1; ++i) {
        const float phi0 = static_cast<float>(i) * dPhi;
        const float phi1 = static_cast<float>(i + 1) * dPhi;
        // The divisor is stacks, not stacks - 1: the top ring stops short of tScale.
        const float t0 = static_cast<float>(static_cast<double>(i) / stacks * tScale + tOffset);
        const float t1 = static_cast<float>(static_cast<double>(i + 1) / stacks * tScale + tOffset);
        glBegin(GL_QUAD_STRIP);
        for (int j = 0; j <= slices; ++j) {
            // The last edge lies exactly on the first so that the seam closes.
            const float theta = j == slices ? 0.0f : static_cast<float>(j) * dTheta;
            const float s = static_cast<float>(static_cast<double>(j) / slices * sScale + sOffset);
            sphere_vertex(radius, theta, phi1, s, t1);
            sphere_vertex(radius, theta, phi0, s, t0);
        }
        glEnd();
    }
}
