// PNG output for the headless tools: an RGBA frame (top row first) written as an 8-bit RGB PNG
// through libpng. The frame's alpha is dropped: the saver's colour buffer alpha means nothing.
#ifndef LATTICEDRIFT_TOOLS_PNG_IMAGE_H
#define LATTICEDRIFT_TOOLS_PNG_IMAGE_H

#include <cstdio>
#include <string>

// Writes width x height RGBA pixels into an open file; on failure returns false with a reason.
bool write_png_rgb(std::FILE* file, int width, int height, const unsigned char* rgba, std::string* error);

// Opens (creating or truncating) path and writes the picture into it; says why it failed.
bool write_png_file(const std::string& path, int width, int height, const unsigned char* rgba, std::string* error);

#endif
