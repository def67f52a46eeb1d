// The point-lattice cube: six faces of 141 x 141 single-pixel points around the origin, wrapped in
// the rendering states the Scene's point switches select. The vertex stream never changes once the
// scale is set, so the start-up compiles it into a display list that every frame replays; without
// the list the frame issues the same stream in immediate mode.
#ifndef LATTICEDRIFT_SCENE_POINT_CUBE_H
#define LATTICEDRIFT_SCENE_POINT_CUBE_H

#include <GL/gl.h>

// Intervals along each face edge: 141 x 141 points per face, 6 x 19881 = 119286 per call.
constexpr int CUBE_STEPS = 140;

// Draws the cube with edge scene.scale x 2.05 in the current coordinates, faces +z, -z, +y, -y,
// +x, -x in one GL_POINTS batch, between enable_point_state and disable_point_state.
void draw_point_cube();
// Compiles the cube's vertex stream for the current scene.scale into a display list, replacing any
// earlier one. Draws no random numbers. If no list can be made, frames issue the stream directly.
void build_point_cube_list();
// Deletes the list, if any; frames then issue the stream directly.
void release_point_cube_list();
// The list's name, or 0 when there is none.
GLuint point_cube_list();

// Switches on blending, culling, depth, fog, lighting and texturing as the point switches say.
void enable_point_state();
// Switches off what enable_point_state switched on (not the depth mask nor the bound texture).
void disable_point_state();

#endif
