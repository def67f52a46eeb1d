// The layer's shader programs: one for each combination of the GL state that changes what a vertex
// or a fragment computes, named by a key of PROGRAM_* bits and written out as GLSL ES 3.00 with a
// #define per feature. Software WebGL runs both sides of a branch on a uniform, so a program holds
// only the code its state needs.
#ifndef LATTICEDRIFT_COMPAT_WEBGL_WEBGL_PROGRAM_H
#define LATTICEDRIFT_COMPAT_WEBGL_WEBGL_PROGRAM_H

#include <string>

enum ProgramBits : int {
    // Fog formula (GL_LINEAR, GL_EXP, GL_EXP2), or none.
    PROGRAM_FOG_LINEAR = 1,
    PROGRAM_FOG_EXP = 2,
    PROGRAM_FOG_EXP2 = 3,
    PROGRAM_FOG_MASK = 3,
    // Texture environment (GL_MODULATE, GL_REPLACE, GL_DECAL, GL_BLEND), or no texturing.
    PROGRAM_TEX_MODULATE = 1 << 2,
    PROGRAM_TEX_REPLACE = 2 << 2,
    PROGRAM_TEX_DECAL = 3 << 2,
    PROGRAM_TEX_BLEND = 4 << 2,
    PROGRAM_TEX_MASK = 7 << 2,
    // Lighting, with light 0 on, a local viewer, the colour as ambient or diffuse material.
    PROGRAM_LIGHTING = 1 << 5,
    PROGRAM_LIGHT0 = 1 << 6,
    PROGRAM_LOCAL_VIEWER = 1 << 7,
    PROGRAM_AMBIENT_FROM_COLOUR = 1 << 8,
    PROGRAM_DIFFUSE_FROM_COLOUR = 1 << 9,
    // Source alpha over the picture in Mesa's 8-bit arithmetic, read from the picture's copy.
    PROGRAM_EXACT_BLEND = 1 << 10,
    // Points of size 1 at the centre of their pixel; rectangles' corners on pixel boundaries.
    PROGRAM_PLACE_POINTS = 1 << 11,
    PROGRAM_PLACE_RECTANGLES = 1 << 12,
};

// The vertex and fragment sources of the program `key` (their storage reused).
void program_sources(int key, std::string* vertex, std::string* fragment);

#endif
