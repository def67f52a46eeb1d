// Immediate-mode drawing of a textured rectangle and a tessellated sphere. Neither sets nor
// restores any rendering state. Part of the drawing core.
#ifndef LATTICEDRIFT_DRAW_SHAPES_H
#define LATTICEDRIFT_DRAW_SHAPES_H

// One GL_QUADS with texture coordinates 0..1 over (x, y) .. (x + width, y + height).
void draw_textured_rect(float x, float y, float width, float height);

// stacks - 1 quad strips with unit normals and scaled, offset texture coordinates forming a
// sphere around the current origin; nothing when slices or stacks lies outside 3..100.
void draw_sphere(double radius, int slices, int stacks, double sScale, double tScale, double sOffset,
                 double tOffset);

#endif
