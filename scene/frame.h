// The frame driver: one frame of the animation per timer tick, driven by elapsed time. Reads the
// clock, advances the oscillators, clears through the view layout and runs the enabled passes.
#ifndef LATTICEDRIFT_SCENE_FRAME_H
#define LATTICEDRIFT_SCENE_FRAME_H

// Renders one whole frame into the back buffer.
void render_frame();
// Advances the five live oscillators by the frame's time step and writes fadeAlpha and
// letterboxTarget from them.
void advance_oscillators();
// Hands the letterbox target to the layout and recomputes the viewports (no GL call).
void apply_letterbox();
// Poses camera 1 from the camera oscillators (when viewport 1 is current) and loads the current
// viewport's viewing transform.
void update_camera();
// Stretches texture 0 over the whole window, blended.
void draw_overlay();
// The scene pass for the current viewport: camera, optional point field, point cube.
void draw_scene_pass();
// Switches depth test, depth writes and lighting off.
void reset_after_scene();

#endif
