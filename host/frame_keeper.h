// Keeps the finished frame across a swap that may not: the picture is never cleared, so a swap
// that exchanges buffers would interleave two pictures. OpenGL 1.1 alone: before the swap the frame
// is copied into tiles of textures, and before the next frame they are drawn back over the window.
#ifndef LATTICEDRIFT_HOST_FRAME_KEEPER_H
#define LATTICEDRIFT_HOST_FRAME_KEEPER_H

#include <GL/gl.h>

#include <vector>

// A stretch of one side of the window, [start, start + length), held in a texture whose side is
// `size`, a power of two no smaller than `length`.
struct KeeperSpan {
    int start = 0;
    int length = 0;
    int size = 0;
};

// Covers `length` pixels with spans of powers of two no larger than `maxSize` (itself a power of
// two): whole spans of maxSize, then the largest that fit, the fourth below maxSize rounded up. So
// a side wastes less than an eighth of what lies beyond its whole spans, in a handful of tiles.
std::vector<KeeperSpan> keeper_spans(int length, int maxSize);

class FrameKeeper {
public:
    struct Tile {
        GLuint texture = 0; // 0: its memory could not be had, and this part is cleared instead
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        int textureWidth = 0;
        int textureHeight = 0;
    };

    // Makes the tiles for a window of this size, in a format that holds every bit of the colour
    // buffer's channels, each tile's allocation checked; nothing is held until the next save.
    // Needs a current context; call it again whenever the size changes.
    void resize(int windowWidth, int windowHeight);

    // Copies the back buffer into the tiles.
    void save();

    // Draws the saved frame over the window, pixel for pixel, leaving every other GL state as it
    // was. A tile without memory has its part cleared to black: no trails there, and no garbage.
    void restore() const;

    // Deletes the textures; the context must still be current.
    void release();

    // The tiles that could not be allocated.
    int missingTiles() const;

    // For tests: a tile limit below the GL's (0: the GL's), and one tile, counted from 0 in the
    // order of `tiles`, whose allocation is refused as if memory had run out (-1: none).
    int maxTileSize = 0;
    int refusedTile = -1;

    int width = 0;
    int height = 0;
    GLenum format = 0; // the tiles' internal format
    std::vector<Tile> tiles;
    bool held = false; // a frame is saved
};

#endif
