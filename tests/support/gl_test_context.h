// A current OpenGL context for GL tests: one EGL pbuffer per test process, remade at a new size.
#ifndef LATTICEDRIFT_TESTS_GL_TEST_CONTEXT_H
#define LATTICEDRIFT_TESTS_GL_TEST_CONTEXT_H

#include <cstdint>
#include <vector>

// Makes a width x height context current (reusing the live one when the size matches) and returns
// false if none could be made; the test should then fail with the message from gl_context_error().
bool use_gl_context(int width, int height);
const char* gl_context_error();

// The colour buffer as RGBA bytes, bottom row first (glReadPixels order).
std::vector<std::uint8_t> read_rgba(int x, int y, int width, int height);

// Replaces the scene clock's millisecond source with a simulated clock that returns `ms`.
void set_simulated_ms(int ms);

#endif
