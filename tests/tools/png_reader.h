// Reads a PNG back for the tool tests (libpng's simplified API), as 8-bit RGB rows, top row first.
#ifndef LATTICEDRIFT_TESTS_TOOLS_PNG_READER_H
#define LATTICEDRIFT_TESTS_TOOLS_PNG_READER_H

#include <png.h>

#include <string>
#include <vector>

struct PngPicture {
    bool ok = false;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

inline PngPicture read_png_rgb(const std::string& path)
{
    PngPicture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return picture;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return picture;
    }
    picture.ok = true;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    return picture;
}

#endif
