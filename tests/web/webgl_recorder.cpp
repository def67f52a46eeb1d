// The recording stand-in for the layer's WebGL side (see webgl_recorder.h).
#include "tests/web/webgl_recorder.h"

#include "compat/webgl/webgl_backend.h"

#include <algorithm>

GpuRecorder gpu_recorder;

namespace {

template <class... Numbers>
GpuCall& record(const char* name, Numbers... numbers)
{
    gpu_recorder.calls.push_back(GpuCall{name, {static_cast<double>(numbers)...}, {}});
    return gpu_recorder.calls.back();
}

template <class Number>
void append(GpuCall& call, const Number* values, int count)
{
    call.args.insert(call.args.end(), values, values + count);
}

int fits(int width, int height) { return std::max(width, height) <= gpu_recorder.pictureLimit ? 1 : 0; }

} // namespace

std::vector<GpuCall> GpuRecorder::named(const std::string& name) const
{
    std::vector<GpuCall> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out), [&](const GpuCall& c) { return c.name == name; });
    return out;
}

std::string GpuRecorder::names() const
{
    std::string line;
    for (const GpuCall& call : calls)
        line += (line.empty() ? "" : " ") + call.name;
    return line;
}

extern "C" {

int ld_gpu_open(int width, int height, const int* sizes, int attributes)
{
    append(record("open", width, height), sizes, attributes);
    gpu_recorder.programs.clear();
    return fits(width, height);
}

int ld_gpu_resize(int width, int height) { return record("resize", width, height), fits(width, height); }
void ld_gpu_forget() { record("forget"); }
void ld_gpu_finish() { record("finish"); }
void ld_gpu_capability(int cap, int on) { record("capability", cap, on); }
void ld_gpu_blend_func(int src, int dst) { record("blend_func", src, dst); }
void ld_gpu_depth_func(int func) { record("depth_func", func); }
void ld_gpu_depth_mask(int on) { record("depth_mask", on); }
void ld_gpu_viewport(int x, int y, int width, int height) { record("viewport", x, y, width, height); }
void ld_gpu_clear(int mask, float r, float g, float b, float a) { record("clear", mask, r, g, b, a); }

int ld_gpu_program_use(int key)
{
    record("program_use", key);
    const std::vector<int>& made = gpu_recorder.programs;
    return std::find(made.begin(), made.end(), key) != made.end() ? 1 : 0;
}

int ld_gpu_program_make(int key, const char* vertex, const char* fragment)
{
    record("program_make", key).text = std::string(vertex) + "\n----\n" + fragment;
    gpu_recorder.programs.push_back(key);
    return 1;
}

void ld_gpu_matrices(const float* mvp, const float* modelView, const float* normal)
{
    GpuCall& call = record("matrices");
    append(call, mvp, 16);
    append(call, modelView, 16);
    append(call, normal, 9);
}

void ld_gpu_point_size(float size) { record("point_size", size); }
void ld_gpu_fog(float start, float end, float density, const float* colour)
{
    append(record("fog", start, end, density), colour, 4);
}
void ld_gpu_lighting(const float* block, int vec4s) { append(record("lighting"), block, 4 * vec4s); }
void ld_gpu_tex_env_colour(const float* colour) { append(record("tex_env_colour"), colour, 4); }
void ld_gpu_attribute(int index, float x, float y, float z, float w) { record("attribute", index, x, y, z, w); }
unsigned ld_gpu_buffer_create(const void*, int bytes) { return record("buffer_create", bytes), gpu_recorder.nextId++; }
void ld_gpu_buffer_delete(unsigned id) { record("buffer_delete", id); }
void ld_gpu_stream(const void*, int bytes) { record("stream", bytes); }
void ld_gpu_copy_picture() { record("copy_picture"); }
void ld_gpu_draw(int mode, int first, int count, unsigned buffer, const int* offsets)
{
    append(record("draw", mode, first, count, buffer), offsets, 4);
}
void ld_gpu_draw_quads(int first, int count, unsigned buffer, const int* offsets)
{
    append(record("draw_quads", first, count, buffer), offsets, 4);
}
unsigned ld_gpu_texture_create() { return record("texture_create"), gpu_recorder.nextId++; }
void ld_gpu_texture_delete(unsigned id) { record("texture_delete", id); }
void ld_gpu_texture_bind(unsigned id) { record("texture_bind", id); }
void ld_gpu_texture_parameter(int pname, int value) { record("texture_parameter", pname, value); }
void ld_gpu_texture_image(int level, int width, int height, const void*) { record("texture_image", level, width, height); }
void ld_gpu_texture_sub_image(int level, int x, int y, int width, int height, const void*)
{
    record("texture_sub_image", level, x, y, width, height);
}

} // extern "C"
