// The WebGL 2 side of our OpenGL 1.1 layer: the few calls the layer makes into the browser,
// implemented in webgl_backend.js on the context the page hands over. GPU objects are small
// integer ids; 0 stands for none (and for every object of a lost context). Every number the two
// sides share comes from here: the shaders' source, the attributes' sizes and the draw modes (GL's
// values, which WebGL shares) are the layer's, and the JS side interprets none of them.
#ifndef LATTICEDRIFT_COMPAT_WEBGL_WEBGL_BACKEND_H
#define LATTICEDRIFT_COMPAT_WEBGL_WEBGL_BACKEND_H

extern "C" {

// Vertex state and a width x height picture (colour and depth) that lasts from frame to frame: the
// canvas itself, which the browser shows as it is. attributeSizes gives the components of the
// position and of each attribute after it, in the shaders' locations 0 to attributes. 0 when the
// page has no usable WebGL 2 context or the picture cannot be made.
int ld_gpu_open(int width, int height, const int* attributeSizes, int attributes);
// A new picture size; what fits of the old picture is kept. 0 when the new picture cannot be made:
// the old one then stays, at its size.
int ld_gpu_resize(int width, int height);
// The context is lost: every id handed out so far is forgotten.
void ld_gpu_forget();
void ld_gpu_finish();

// Fixed-function switches and settings that WebGL keeps itself (GL's enum values).
void ld_gpu_capability(int cap, int on);
void ld_gpu_blend_func(int src, int dst);
void ld_gpu_depth_func(int func);
void ld_gpu_depth_mask(int on);
void ld_gpu_viewport(int x, int y, int width, int height);
void ld_gpu_clear(int mask, float r, float g, float b, float a);

// Makes `key` the current program; 0 when no program of that key has been made (since the open).
int ld_gpu_program_use(int key);
// Makes the program of `key` from GLSL ES 3.00 sources and makes it current; 0 when it fails.
int ld_gpu_program_make(int key, const char* vertex, const char* fragment);

// Shader inputs, kept by the backend and handed to each program that draws with them. mvp and
// modelView are column-major 4x4, normal a column-major 3x3.
void ld_gpu_matrices(const float* mvp, const float* modelView, const float* normal);
void ld_gpu_point_size(float size);
// start, end, density and the colour.
void ld_gpu_fog(float start, float end, float density, const float* colour);
// The light and material block, `vec4s` vec4s (layout in webgl_context.h).
void ld_gpu_lighting(const float* block, int vec4s);
void ld_gpu_tex_env_colour(const float* colour);
// Constant value of attribute `index` for draws that give it no array.
void ld_gpu_attribute(int index, float x, float y, float z, float w);

// Vertex data: a buffer that stays on the GPU, or the stream buffer refilled for one draw.
unsigned ld_gpu_buffer_create(const void* data, int bytes);
void ld_gpu_buffer_delete(unsigned id);
void ld_gpu_stream(const void* data, int bytes);

// Copies the picture into the texture that an exactly blending program reads it from (a draw
// cannot read its own target).
void ld_gpu_copy_picture();

// Draws vertices first .. first + count - 1 with WebGL primitive `mode` from `buffer` (0: the
// stream), each attribute's array at offsets[location] bytes, or -1 for its constant value
// (offsets[0], the position, always has an array). ld_gpu_draw_quads draws GL 1.1's quads, each
// four vertices as two triangles.
void ld_gpu_draw(int mode, int first, int count, unsigned buffer, const int* offsets);
void ld_gpu_draw_quads(int first, int count, unsigned buffer, const int* offsets);

unsigned ld_gpu_texture_create();
void ld_gpu_texture_delete(unsigned id);
void ld_gpu_texture_bind(unsigned id);
void ld_gpu_texture_parameter(int pname, int value);
// RGBA bytes, rows bottom first, packed.
void ld_gpu_texture_image(int level, int width, int height, const void* rgba);
void ld_gpu_texture_sub_image(int level, int x, int y, int width, int height, const void* rgba);
}

#endif
