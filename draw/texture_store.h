// Scratch texel store shared by texture generation and animation (internal to draw/).
#ifndef LATTICEDRIFT_DRAW_TEXTURE_STORE_H
#define LATTICEDRIFT_DRAW_TEXTURE_STORE_H

#include "draw/texture.h"

// kMaxTexels texels, row by row; four bytes each for GL_RGBA, two for GL_LUMINANCE_ALPHA.
extern unsigned char texel_store[kMaxTexels * 4];

// A channel value as a byte: truncated toward zero, low eight bits kept.
unsigned char channel_byte(float v);
// Stores texel `index` in `format`: all four channels for GL_RGBA, alpha twice otherwise.
void store_texel(int index, GLenum format, float r, float g, float b, float a);

#endif
