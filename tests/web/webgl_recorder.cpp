// The recording stand-in for the layer's WebGL side (see webgl_recorder.h).
#include "tests/web/webgl_recorder.h"

#include "compat/webgl/webgl_backend.h"

#include <algorithm>
#include <initializer_list>

GpuRecorder gpu_recorder;

namespace {

GpuCall& record(const char* name, std::initializer_list<double> args)
{
    gpu_recorder.calls.push_back(GpuCall{name, args, {}});
    return gpu_recorder.calls.back();
}

void append(GpuCall& call, const float* values, int count)
{
    call.args.insert(call.args.end(), values, values + count);
}

void append(GpuCall& call, const int* values, int count)
{
    call.args.insert(call.args.end(), values, values + count);
}

} // namespace

std::vector<GpuCall> GpuRecorder::named(const std::string& name) const
{
    std::vector<GpuCall> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out), [&](const GpuCall& c) { return c.name == name; });
    return out;
}

std::string GpuRecorder::names(std::size_t from) const
{
    std::string line;
    for (std::size_t i = from; i < calls.size(); ++i)
        line += (line.empty() ? "" : " ") + calls[i].name;
    return line;
}

extern "C" {

int ld_gpu_open(int width, int height, const int* attributeSizes, int attributes)
{
    append(record("open", {double(width), double(height)}), attributeSizes, attributes);
    gpu_recorder.programs.clear();
    return std::max(width, height) <= gpu_recorder.pictureLimit ? 1 : 0;
}

int ld_gpu_resize(int width, int height)
{
    record("resize", {double(width), double(height)});
    return std::max(width, height) <= gpu_recorder.pictureLimit ? 1 : 0;
}

void ld_gpu_forget() { record("forget", {}); }
void ld_gpu_finish() { record("finish", {}); }
void ld_gpu_capability(int cap, int on) { record("capability", {double(cap), double(on)}); }
void ld_gpu_blend_func(int src, int dst) { record("blend_func", {double(src), double(dst)}); }
void ld_gpu_depth_func(int func) { record("depth_func", {double(func)}); }
void ld_gpu_depth_mask(int on) { record("depth_mask", {double(on)}); }
void ld_gpu_viewport(int x, int y, int w, int h) { record("viewport", {double(x), double(y), double(w), double(h)}); }
void ld_gpu_clear(int mask, float r, float g, float b, float a) { record("clear", {double(mask), r, g, b, a}); }

int ld_gpu_program_use(int key)
{
    const auto& made = gpu_recorder.programs;
    const bool known = std::find(made.begin(), made.end(), key) != made.end();
    record("program_use", {double(key)});
    return known ? 1 : 0;
}

int ld_gpu_program_make(int key, const char* vertex, const char* fragment)
{
    record("program_make", {double(key)}).text = std::string(vertex) + "\n----\n" + fragment;
    gpu_recorder.programs.push_back(key);
    return 1;
}

void ld_gpu_matrices(const float* mvp, const float* modelView, const float* normal)
{
    GpuCall& call = record("matrices", {});
    append(call, mvp, 16);
    append(call, modelView, 16);
    append(call, normal, 9);
}

void ld_gpu_point_size(float size) { record("point_size", {size}); }

void ld_gpu_fog(float start, float end, float density, const float* colour)
{
    append(record("fog", {start, end, density}), colour, 4);
}

void ld_gpu_lighting(const float* block, int vec4s) { append(record("lighting", {}), block, 4 * vec4s); }
void ld_gpu_tex_env_colour(const float* colour) { append(record("tex_env_colour", {}), colour, 4); }
void ld_gpu_attribute(int index, float x, float y, float z, float w) { record("attribute", {double(index), x, y, z, w}); }

unsigned ld_gpu_buffer_create(const void*, int bytes)
{
    record("buffer_create", {double(bytes)});
    return static_cast<unsigned>(gpu_recorder.nextId++);
}

void ld_gpu_buffer_delete(unsigned id) { record("buffer_delete", {double(id)}); }
void ld_gpu_stream(const void*, int bytes) { record("stream", {double(bytes)}); }

void ld_gpu_copy_picture(int x, int y, int width, int height)
{
    record("copy_picture", {double(x), double(y), double(width), double(height)});
}

void ld_gpu_draw(int mode, int first, int count, unsigned buffer, const int* offsets)
{
    append(record("draw", {double(mode), double(first), double(count), double(buffer)}), offsets, 4);
}

void ld_gpu_draw_quads(int first, int count, unsigned buffer, const int* offsets)
{
    append(record("draw_quads", {double(first), double(count), double(buffer)}), offsets, 4);
}

unsigned ld_gpu_texture_create()
{
    record("texture_create", {});
    return static_cast<unsigned>(gpu_recorder.nextId++);
}

void ld_gpu_texture_delete(unsigned id) { record("texture_delete", {double(id)}); }
void ld_gpu_texture_bind(unsigned id) { record("texture_bind", {double(id)}); }
void ld_gpu_texture_parameter(int pname, int value) { record("texture_parameter", {double(pname), double(value)}); }
void ld_gpu_texture_image(int level, int width, int height, const void*)
{
    record("texture_image", {double(level), double(width), double(height)});
}
void ld_gpu_texture_sub_image(int level, int x, int y, int width, int height, const void*)
{
    record("texture_sub_image", {double(level), double(x), double(y), double(width), double(height)});
}

} // extern "C"
