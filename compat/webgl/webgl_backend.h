// The WebGL 2 side of our OpenGL 1.1 layer: the few calls the layer makes into the browser,
// implemented in webgl_backend.js on the context the page hands over. GPU objects are small
// integer ids; 0 stands for none (and for every object of a lost context).
#ifndef LATTICEDRIFT_COMPAT_WEBGL_WEBGL_BACKEND_H
#define LATTICEDRIFT_COMPAT_WEBGL_WEBGL_BACKEND_H

extern "C" {

// Shader program, vertex state and a width x height picture (colour and depth) that lasts from
// frame to frame; 0 when the page has no usable WebGL 2 context.
int ld_gpu_open(int width, int height);
// A new picture size; what fits of the old picture is kept.
void ld_gpu_resize(int width, int height);
// Copies the picture to the canvas.
void ld_gpu_present();
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

// Shader inputs. mvp and modelView are column-major 4x4, normal a column-major 3x3.
void ld_gpu_matrices(const float* mvp, const float* modelView, const float* normal);
// Bits of WEBGL_SHADE_* (webgl_context.h), the texture environment mode, the point size.
void ld_gpu_shading(int flags, int texEnvMode, float pointSize);
// mode (GL_LINEAR, GL_EXP, GL_EXP2), start, end, density and the colour.
void ld_gpu_fog(int mode, float start, float end, float density, const float* colour);
// The light and material block, LIGHTING_VEC4S vec4s (layout in webgl_context.h).
void ld_gpu_lighting(const float* block);
void ld_gpu_tex_env_colour(const float* colour);
// Constant value of attribute `index` (1 colour, 2 normal, 3 texture coordinate) for draws
// that give it no array.
void ld_gpu_attribute(int index, float x, float y, float z, float w);

// Vertex data: a buffer that stays on the GPU, or the stream buffer refilled for one draw.
unsigned ld_gpu_buffer_create(const void* data, int bytes);
void ld_gpu_buffer_delete(unsigned id);
void ld_gpu_stream(const void* data, int bytes);
// How a draw's vertices reach the browser's rasteriser (see the vertex shader).
enum GpuRaster { RASTER_AS_GIVEN = 0, RASTER_POINT_PIXELS = 1, RASTER_RECTANGLE_EDGES = 2 };

// Draws `count` vertices of GL primitive `mode` from `buffer` (0: the stream), each attribute's
// array at offsets[attribute] bytes, or -1 for its constant value (offsets[0], the position,
// always has an array). With exactBlend the shader blends source alpha over the picture in exact
// 8-bit arithmetic instead of the GPU's blending; only for a draw that covers no pixel twice.
void ld_gpu_draw(int mode, int count, unsigned buffer, const int* offsets, int raster, int exactBlend);

unsigned ld_gpu_texture_create();
void ld_gpu_texture_delete(unsigned id);
void ld_gpu_texture_bind(unsigned id);
void ld_gpu_texture_parameter(int pname, int value);
// RGBA bytes, rows bottom first, packed.
void ld_gpu_texture_image(int level, int width, int height, const void* rgba);
void ld_gpu_texture_sub_image(int level, int x, int y, int width, int height, const void* rgba);
}

#endif
