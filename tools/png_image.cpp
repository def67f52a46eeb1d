// libpng writer for the headless tools. libpng reports errors by longjmp, so the function that
// calls setjmp keeps no C++ objects with destructors alive across it.
#include "tools/png_image.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <vector>

namespace {

// Collects libpng's message before it jumps back, so the caller can report it.
void on_png_error(png_structp png, png_const_charp message)
{
    auto* text = static_cast<char*>(png_get_error_ptr(png));
    if (text != nullptr) {
        std::strncpy(text, message, 255);
        text[255] = '\0';
    }
    png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

// The libpng part proper; rows point at ready RGB rows. Returns false with message set on failure.
bool encode(std::FILE* file, int width, int height, png_bytep* rows, char* message)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, message, on_png_error, on_png_warning);
    if (png == nullptr) {
        std::strcpy(message, "libpng: out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::strcpy(message, "libpng: out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool write_png_rgb(std::FILE* file, int width, int height, const unsigned char* rgba, std::string* error)
{
    if (file == nullptr || rgba == nullptr || width < 1 || height < 1) {
        if (error != nullptr)
            *error = "PNG: nothing to write (no file, no pixels or an empty picture)";
        return false;
    }
    const size_t w = static_cast<size_t>(width);
    const size_t h = static_cast<size_t>(height);
    std::vector<unsigned char> rgb(w * h * 3);
    for (size_t i = 0; i < w * h; ++i) {
        rgb[i * 3] = rgba[i * 4];
        rgb[i * 3 + 1] = rgba[i * 4 + 1];
        rgb[i * 3 + 2] = rgba[i * 4 + 2];
    }
    std::vector<png_bytep> rows(h);
    for (size_t y = 0; y < h; ++y)
        rows[y] = rgb.data() + y * w * 3;
    char message[256] = "";
    if (!encode(file, width, height, rows.data(), message)) {
        if (error != nullptr)
            *error = std::string("PNG: ") + message;
        return false;
    }
    if (std::fflush(file) != 0 || std::ferror(file)) {
        if (error != nullptr)
            *error = std::string("PNG: write failed: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool write_png_file(const std::string& path, int width, int height, const unsigned char* rgba, std::string* error)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        if (error != nullptr)
            *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = write_png_rgb(file, width, height, rgba, error);
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        if (error != nullptr)
            *error = "cannot write " + path + ": " + std::strerror(errno);
    }
    if (!ok)
        std::remove(path.c_str());
    return ok;
}
