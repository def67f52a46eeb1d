// Keeps the finished frame across a swap that does not: the picture is never cleared, so a swap
// that exchanges buffers would interleave two pictures. OpenGL 1.1 alone: the frame is copied into
// a texture before the swap and drawn back over the whole window before the next frame.
#ifndef LATTICEDRIFT_HOST_X11_FRAME_KEEPER_H
#define LATTICEDRIFT_HOST_X11_FRAME_KEEPER_H

#include <GL/gl.h>

class FrameKeeper {
public:
    // Makes room for a window of this size (a power-of-two texture, grown only when too small);
    // nothing is held until the next save. Needs a current context.
    void resize(int windowWidth, int windowHeight);

    // Copies the back buffer into the texture.
    void save();

    // Draws the saved frame over the window, pixel for pixel, leaving every other GL state as it was.
    void restore() const;

    // Deletes the texture; the context must still be current.
    void release();

    GLuint texture = 0;
    int width = 0;
    int height = 0;
    int textureWidth = 0;
    int textureHeight = 0;
    bool usable = false; // the window fits in a texture
    bool held = false;   // a frame is saved
};

#endif
