// --fps for the Linux host: frames per second and CPU milliseconds per frame (the whole process,
// the GL driver's threads included), counted once a second and drawn in the lower-left corner in
// an X font through GLX, or printed to stderr once a second when no font loads or draws.
#ifndef LATTICEDRIFT_HOST_X11_GLX_FPS_H
#define LATTICEDRIFT_HOST_X11_GLX_FPS_H

#include <X11/Xlib.h>

// Starts counting from now and loads the font; the context must be current.
void fps_start(Display* display);

// Counts the frame just rendered and draws the figures over it.
void fps_frame(int width, int height);

// Prints the whole run's figures on stderr and frees the font; the context must still be current.
void fps_stop(Display* display);

#endif
