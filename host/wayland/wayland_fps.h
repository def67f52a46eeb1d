// --fps on Wayland: frames per second and CPU milliseconds per frame (the whole process, the GL
// driver's threads included) on stderr once a second, and the whole run's figures at its end, in
// the X11 host's words. There is no font to draw them with.
#ifndef LATTICEDRIFT_HOST_WAYLAND_WAYLAND_FPS_H
#define LATTICEDRIFT_HOST_WAYLAND_WAYLAND_FPS_H

void wayland_fps_start();
void wayland_fps_frame();
void wayland_fps_stop();

#endif
