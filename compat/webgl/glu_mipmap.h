// The mipmap reduction of our GLU: one level from the one above, free of GL so that a native test
// holds it against Mesa's GLU.
#ifndef LATTICEDRIFT_COMPAT_WEBGL_GLU_MIPMAP_H
#define LATTICEDRIFT_COMPAT_WEBGL_GLU_MIPMAP_H

// The size of the level below one of `side` texels: half, and never less than 1.
inline int next_level_side(int side) { return side > 1 ? side / 2 : 1; }

// Writes the level below a width x height RGBA image into dst: each texel is the mean of the 2x2
// texels it covers, rounded, or of the 2x1 or 1x2 where a side is already 1, truncated.
void halve_rgba(const unsigned char* src, int width, int height, unsigned char* dst);

#endif
