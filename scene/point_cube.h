// The point-lattice cube: six faces of 141 x 141 single-pixel points around the origin, issued in
// immediate mode every frame, wrapped in the rendering states the Scene's point switches select.
#ifndef LATTICEDRIFT_SCENE_POINT_CUBE_H
#define LATTICEDRIFT_SCENE_POINT_CUBE_H

// Intervals along each face edge: 141 x 141 points per face, 6 x 19881 = 119286 per call.
constexpr int CUBE_STEPS = 140;

// Draws the cube with edge scene.scale x 2.05 in the current coordinates, faces +z, -z, +y, -y,
// +x, -x in one GL_POINTS batch, between enable_point_state and disable_point_state.
void draw_point_cube();
// Switches on blending, culling, depth, fog, lighting and texturing as the point switches say.
void enable_point_state();
// Switches off what enable_point_state switched on (not the depth mask nor the bound texture).
void disable_point_state();

#endif
