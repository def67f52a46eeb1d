// Offscreen OpenGL context for tools, tests and benchmarks: an EGL pbuffer on Mesa's surfaceless
// platform, or on a vendor's EGL device when Mesa's is not there. Linux only.
#ifndef LATTICEDRIFT_TOOLS_EGL_CONTEXT_H
#define LATTICEDRIFT_TOOLS_EGL_CONTEXT_H

#include <string>

class EglContext {
public:
    EglContext() = default;
    ~EglContext();
    EglContext(const EglContext&) = delete;
    EglContext& operator=(const EglContext&) = delete;

    // Makes a width x height pbuffer with a compatibility-profile context and makes it current.
    // On failure returns false and says why in *error.
    bool create(int width, int height, std::string* error);
    void destroy();
    bool valid() const { return context_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Reads the colour buffer back as width x height RGBA rows, top row first.
    void readPixelsTopDown(unsigned char* rgba) const;
    // Which EGL platform was used ("surfaceless" or "device").
    const char* platformName() const { return platform_; }

private:
    void* display_ = nullptr;
    void* surface_ = nullptr;
    void* context_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    const char* platform_ = "";
};

#endif
