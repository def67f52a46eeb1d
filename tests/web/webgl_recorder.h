// A recording stand-in for the WebGL side of our OpenGL 1.1 layer (compat/webgl/webgl_backend.h):
// every ld_gpu_* call the layer makes, in order, with its numbers, so that a native test checks
// what the layer sends to the browser.
#ifndef LATTICEDRIFT_TESTS_WEB_WEBGL_RECORDER_H
#define LATTICEDRIFT_TESTS_WEB_WEBGL_RECORDER_H

#include <string>
#include <vector>

struct GpuCall {
    std::string name;          // without "ld_gpu_"
    std::vector<double> args;  // the numbers, arrays (matrices, offsets, colours) spelled out
    std::string text;          // program_make: the two sources
};

struct GpuRecorder {
    std::vector<GpuCall> calls;
    std::vector<int> programs;   // keys made since the open
    int pictureLimit = 1 << 30;  // a picture side above this cannot be made
    unsigned nextId = 1;

    // The calls named `name`, in order.
    std::vector<GpuCall> named(const std::string& name) const;
    // All calls' names, blank-separated.
    std::string names() const;
};

extern GpuRecorder gpu_recorder;

#endif
