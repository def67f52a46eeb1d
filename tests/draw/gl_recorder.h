// Test-only recorder of the GL calls the drawing code makes: the test executable defines these GL
// entry points itself, records each call while recording is on, and forwards it to the real library.
#ifndef LATTICEDRIFT_TESTS_DRAW_GL_RECORDER_H
#define LATTICEDRIFT_TESTS_DRAW_GL_RECORDER_H

#include <string>
#include <vector>

struct GlCall {
    std::string name;
    double a[4];
};

void gl_record_start();
// Stops recording and returns what was recorded since the start.
std::vector<GlCall> gl_record_stop();

#endif
