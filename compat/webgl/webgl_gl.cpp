// OpenGL 1.1 on WebGL 2: immediate mode, display lists, matrices, fixed-function state, fog and
// lighting, for the calls the core makes. State lives here; webgl_backend.js draws with it. A list
// records the vertex stream (glBegin/glEnd, attributes, glPointSize), all the core puts in one.
#include "compat/webgl/webgl_backend.h"
#include "compat/webgl/webgl_context.h"
#include "compat/webgl/webgl_layer.h"
#include "compat/webgl/webgl_program.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

Layer gl_layer;

namespace {

Layer& L = gl_layer;
GlState& S() { return gl_layer.state; }

// While a list is compiled: the attribute values its own commands have set so far.
float g_listRunning[ATTRIBUTE_COUNT][4];
DisplayList g_pending;
// A new program's sources, written once per key and context.
std::string g_vertexSource;
std::string g_fragmentSource;

// Points per run of a list's batch (see split_runs), and the fewest points a batch is split for.
constexpr int RUN_MIN = 16;
constexpr int RUN_MAX = 256;
constexpr int CULL_MIN_POINTS = 4 * RUN_MIN;

void copy4(float* to, const float* from) { std::memcpy(to, from, 4 * sizeof(float)); }

void set4(float* to, float a, float b, float c, float d)
{
    to[0] = a;
    to[1] = b;
    to[2] = c;
    to[3] = d;
}

LightState initial_light0()
{
    LightState l{};
    set4(l.ambient, 0.0f, 0.0f, 0.0f, 1.0f);
    set4(l.diffuse, 1.0f, 1.0f, 1.0f, 1.0f);
    set4(l.specular, 1.0f, 1.0f, 1.0f, 1.0f);
    set4(l.position, 0.0f, 0.0f, 1.0f, 0.0f);
    l.spotDirection[0] = 0.0f;
    l.spotDirection[1] = 0.0f;
    l.spotDirection[2] = -1.0f;
    l.spotExponent = 0.0f;
    l.spotCutoff = 180.0f;
    l.attenuation[0] = 1.0f;
    l.attenuation[1] = 0.0f;
    l.attenuation[2] = 0.0f;
    l.enabled = false;
    return l;
}

// Whether a list records the command instead of running it.
bool recording() { return L.compiling != 0; }

void mark(unsigned bits) { L.dirty |= bits; }

// The attribute values a vertex takes: the list's own while compiling, else the current ones.
float (*vertex_attributes())[4] { return recording() ? g_listRunning : S().current; }

// Sets a current attribute, or records it into the list being compiled.
void set_attribute(int attribute, float x, float y, float z, float w)
{
    if (!L.open)
        return;
    float* target = recording() ? g_listRunning[attribute] : S().current[attribute];
    set4(target, x, y, z, w);
    if (L.recorder.inside) {
        L.recorder.changed |= 1u << attribute;
    } else if (recording()) {
        ListOp op{ListOp::SET_ATTRIBUTE, static_cast<std::uint8_t>(attribute), 0, {x, y, z, w}};
        g_pending.ops.push_back(op);
    }
}

// Appends a vertex, with the attribute values it takes, to the open glBegin.
void add_vertex(float x, float y, float z)
{
    VertexRecorder& r = L.recorder;
    if (!L.open || !r.inside)
        return;
    r.positions.push_back(x);
    r.positions.push_back(y);
    r.positions.push_back(z);
    float(*values)[4] = vertex_attributes();
    for (int a = 0; a < ATTRIBUTE_COUNT; ++a)
        r.attributes[a].insert(r.attributes[a].end(), values[a], values[a] + LOCATION_SIZE[1 + a]);
}

// The program that draws `mode` in the current state.
int program_key(GLenum mode, bool exactBlend)
{
    const GlState& s = S();
    int key = 0;
    if (s.fog)
        key |= s.fogMode == GL_LINEAR ? PROGRAM_FOG_LINEAR : s.fogMode == GL_EXP ? PROGRAM_FOG_EXP : PROGRAM_FOG_EXP2;
    if (s.lighting) {
        key |= PROGRAM_LIGHTING;
        if (s.light0.enabled)
            key |= PROGRAM_LIGHT0;
        if (s.localViewer)
            key |= PROGRAM_LOCAL_VIEWER;
        if (s.colourMaterial) {
            if (s.colourMaterialMode == GL_AMBIENT_AND_DIFFUSE || s.colourMaterialMode == GL_AMBIENT)
                key |= PROGRAM_AMBIENT_FROM_COLOUR;
            if (s.colourMaterialMode == GL_AMBIENT_AND_DIFFUSE || s.colourMaterialMode == GL_DIFFUSE)
                key |= PROGRAM_DIFFUSE_FROM_COLOUR;
        }
    }
    if (s.texture2D && bound_texture_complete()) {
        switch (s.texEnvMode) {
        case GL_REPLACE: key |= PROGRAM_TEX_REPLACE; break;
        case GL_DECAL: key |= PROGRAM_TEX_DECAL; break;
        case GL_BLEND: key |= PROGRAM_TEX_BLEND; break;
        default: key |= PROGRAM_TEX_MODULATE; break;
        }
    }
    if (exactBlend)
        key |= PROGRAM_EXACT_BLEND;
    // The core's quads are rectangles on the window's axes (bars, fade, overlay).
    if (mode == GL_POINTS && s.pointSize == 1.0f)
        key |= PROGRAM_PLACE_POINTS;
    else if (mode == GL_QUADS)
        key |= PROGRAM_PLACE_RECTANGLES;
    return key;
}

// Makes the program of `key` current, made first if the backend has none; false when it fails.
bool use_program(int key)
{
    if (key == L.sentProgram)
        return true;
    if (ld_gpu_program_use(key) == 0) {
        program_sources(key, &g_vertexSource, &g_fragmentSource);
        if (ld_gpu_program_make(key, g_vertexSource.c_str(), g_fragmentSource.c_str()) == 0) {
            L.sentProgram = -1;
            return false;
        }
    }
    L.sentProgram = key;
    return true;
}

// Hands the backend the matrices if either changed; L.mvp holds their product.
void update_matrices()
{
    if ((L.dirty & DIRTY_MATRICES) == 0)
        return;
    const GlState& s = S();
    const Mat4& modelView = s.modelView[s.modelViewDepth];
    // The product GL's own pipeline forms once per change of either matrix.
    L.mvp = mat_multiply(s.projection[s.projectionDepth], modelView);
    float normal[9];
    mat_normal_matrix(modelView, normal);
    ld_gpu_matrices(L.mvp.m, modelView.m, normal);
    L.dirty &= ~DIRTY_MATRICES;
}

// Hands the light and the material to the shader, in LightingSlot order.
void send_lighting()
{
    const GlState& s = S();
    const LightState& l = s.light0;
    float block[LIGHTING_VEC4S][4] = {};
    copy4(block[LIGHT_POSITION], l.position);
    copy4(block[LIGHT_AMBIENT], l.ambient);
    copy4(block[LIGHT_DIFFUSE], l.diffuse);
    copy4(block[LIGHT_SPECULAR], l.specular);
    set4(block[LIGHT_SPOT], l.spotDirection[0], l.spotDirection[1], l.spotDirection[2], l.spotExponent);
    // -2, below any cosine, stands for no spot at all.
    const float cutoff =
        l.spotCutoff == 180.0f ? -2.0f : static_cast<float>(std::cos(l.spotCutoff * 3.14159265358979323846 / 180.0));
    set4(block[LIGHT_ATTENUATION], l.attenuation[0], l.attenuation[1], l.attenuation[2], cutoff);
    copy4(block[MODEL_AMBIENT], s.modelAmbient);
    copy4(block[MATERIAL_AMBIENT], s.material.ambient);
    copy4(block[MATERIAL_DIFFUSE], s.material.diffuse);
    copy4(block[MATERIAL_SPECULAR], s.material.specular);
    copy4(block[MATERIAL_EMISSION], s.material.emission);
    block[MATERIAL_SHININESS][0] = s.material.shininess;
    ld_gpu_lighting(&block[0][0], LIGHTING_VEC4S);
}

// Hands the backend the program and whatever it reads that changed since the last draw; false
// when there is no program to draw with.
bool prepare_draw(GLenum mode, const int offsets[1 + ATTRIBUTE_COUNT], bool exactBlend)
{
    GlState& s = S();
    update_matrices();
    const int key = program_key(mode, exactBlend);
    if (!use_program(key))
        return false;
    if (s.pointSize != L.sentPointSize) {
        ld_gpu_point_size(s.pointSize);
        L.sentPointSize = s.pointSize;
    }
    if ((key & PROGRAM_FOG_MASK) != 0 && (L.dirty & DIRTY_FOG)) {
        ld_gpu_fog(s.fogStart, s.fogEnd, s.fogDensity, s.fogColour);
        L.dirty &= ~DIRTY_FOG;
    }
    if ((key & PROGRAM_LIGHTING) != 0 && (L.dirty & DIRTY_LIGHTING)) {
        send_lighting();
        L.dirty &= ~DIRTY_LIGHTING;
    }
    if ((key & PROGRAM_TEX_MASK) != 0 && (L.dirty & DIRTY_TEX_ENV)) {
        ld_gpu_tex_env_colour(s.texEnvColour);
        L.dirty &= ~DIRTY_TEX_ENV;
    }
    for (int a = 0; a < ATTRIBUTE_COUNT; ++a) {
        if (offsets[1 + a] >= 0)
            continue;
        const float* v = s.current[a];
        if (L.sentValid[a] && std::memcmp(L.sentAttribute[a], v, sizeof L.sentAttribute[a]) == 0)
            continue;
        ld_gpu_attribute(1 + a, v[0], v[1], v[2], v[3]);
        copy4(L.sentAttribute[a], v);
        L.sentValid[a] = true;
    }
    return true;
}

// Draws vertices first .. first + count - 1 of a batch, GL 1.1's primitives as WebGL's.
void issue(GLenum mode, int first, int count, unsigned buffer, const int offsets[1 + ATTRIBUTE_COUNT])
{
    switch (mode) {
    case GL_QUADS: ld_gpu_draw_quads(first, count - count % 4, buffer, offsets); break;
    case GL_QUAD_STRIP: ld_gpu_draw(GL_TRIANGLE_STRIP, first, count - count % 2, buffer, offsets); break;
    // A polygon is convex: a fan.
    case GL_POLYGON: ld_gpu_draw(GL_TRIANGLE_FAN, first, count, buffer, offsets); break;
    default: ld_gpu_draw(static_cast<int>(mode), first, count, buffer, offsets); break;
    }
}

// Draws a whole batch, from a list's buffer or the stream (0).
void draw_batch(GLenum mode, int count, unsigned buffer, const int offsets[1 + ATTRIBUTE_COUNT])
{
    // A single quad blended by its alpha (the trails' fade, the overlay) covers each pixel once, so
    // its shader can blend it exactly, the same on every GPU; GPUs round such blends differently
    // (see blend_unorm8), and the trails add the differences up frame after frame.
    const GlState& s = S();
    const bool exactBlend = s.blend && s.blendSrc == GL_SRC_ALPHA && s.blendDst == GL_ONE_MINUS_SRC_ALPHA &&
                            mode == GL_QUADS && count == 4;
    if (!prepare_draw(mode, offsets, exactBlend))
        return;
    if (!exactBlend) {
        issue(mode, 0, count, buffer, offsets);
        return;
    }
    // The whole picture: copying only what the quad covers was measured to save nothing.
    ld_gpu_copy_picture();
    ld_gpu_capability(GL_BLEND, 0);
    issue(mode, 0, count, buffer, offsets);
    ld_gpu_capability(GL_BLEND, 1);
}

// The six planes of the clip volume as functions of object coordinates, each >= 0 inside, widened
// so that a point below -margin on one of them is discarded by the GPU for certain: two pixels for
// the sides (a placed point moves by up to half a pixel), and room for the GPU's float rounding.
struct CullPlanes {
    float plane[6][4];
    float margin[6];
};

// False when the viewport is empty: nothing is culled then.
bool cull_planes(float extent, CullPlanes* out)
{
    const int* v = S().viewport;
    if (v[2] < 1 || v[3] < 1)
        return false;
    const float* m = L.mvp.m;
    const float widen[3] = {4.0f / static_cast<float>(v[2]), 4.0f / static_cast<float>(v[3]), 1e-4f};
    for (int axis = 0; axis < 3; ++axis)
        for (int side = 0; side < 2; ++side) {
            float* plane = out->plane[2 * axis + side];
            float size = 0.0f;
            for (int j = 0; j < 4; ++j) {
                const float w = m[4 * j + 3];
                const float c = m[4 * j + axis];
                plane[j] = (1.0f + widen[axis]) * w + (side == 0 ? c : -c);
                size += (std::fabs(w) + std::fabs(c)) * (j < 3 ? extent : 1.0f);
            }
            out->margin[2 * axis + side] = 1e-4f * size;
        }
    return true;
}

// Whether every point of the run lies beyond one of the planes.
bool run_hidden(const CullPlanes& planes, const PointRun& run)
{
    for (int i = 0; i < 6; ++i) {
        const float* p = planes.plane[i];
        // The box's corner farthest inside the plane.
        float inside = p[3];
        for (int k = 0; k < 3; ++k)
            inside += p[k] * (p[k] > 0.0f ? run.high[k] : run.low[k]);
        if (inside < -planes.margin[i])
            return true;
    }
    return false;
}

// Draws a list's batch of points run by run, leaving out the runs the clip volume cannot reach:
// what is drawn is drawn in the list's order, each stretch of neighbouring runs as one range of the
// list's buffer. (Drawing hidden runs to save draw calls was measured to cost more on software
// WebGL, which pays for every vertex.)
void draw_runs(const DisplayList& list, const ListBatch& b)
{
    update_matrices();
    CullPlanes planes;
    const bool cull = cull_planes(b.extent, &planes);
    bool prepared = false;
    int first = 0;
    int end = -1;
    auto flush = [&]() {
        if (end < 0)
            return true;
        if (!prepared && !prepare_draw(GL_POINTS, b.offsets, false))
            return false;
        prepared = true;
        issue(GL_POINTS, first, end - first, list.buffer, b.offsets);
        return true;
    };
    for (int r = b.firstRun; r < b.firstRun + b.runCount; ++r) {
        const PointRun& run = list.runs[static_cast<std::size_t>(r)];
        if (cull && run_hidden(planes, run))
            continue;
        if (end >= 0 && run.first == end) {
            end = run.first + run.count;
            continue;
        }
        if (!flush())
            return;
        first = run.first;
        end = run.first + run.count;
    }
    flush();
}

void run_list(const DisplayList& list)
{
    GlState& s = S();
    for (const ListOp& op : list.ops) {
        switch (op.kind) {
        case ListOp::SET_ATTRIBUTE:
            copy4(s.current[op.attribute], op.value);
            break;
        case ListOp::POINT_SIZE:
            s.pointSize = op.value[0];
            break;
        case ListOp::DRAW: {
            const ListBatch& b = list.batches[static_cast<std::size_t>(op.batch)];
            // Culling is exact for points of size 1 only: wider ones can reach in from outside.
            if (list.buffer != 0 && b.runCount > 0 && s.pointSize == 1.0f)
                draw_runs(list, b);
            else if (list.buffer != 0)
                draw_batch(b.mode, b.count, list.buffer, b.offsets);
            for (int a = 0; a < ATTRIBUTE_COUNT; ++a)
                if (b.offsets[1 + a] >= 0)
                    copy4(s.current[a], b.last[a]);
            break;
        }
        }
    }
}

// Splits a batch of points into runs for culling: consecutive points, up to RUN_MAX of them, that
// lie along one axis where the points allow it (the lattice's rows), else at least RUN_MIN.
void split_runs(const std::vector<float>& positions, int count, std::vector<PointRun>* runs)
{
    PointRun run{};
    for (int i = 0; i < count; ++i) {
        const float* p = &positions[3 * static_cast<std::size_t>(i)];
        int spread = 0;
        for (int k = 0; i > 0 && k < 3; ++k)
            spread += std::min(run.low[k], p[k]) != std::max(run.high[k], p[k]) ? 1 : 0;
        if (i == 0 || run.count == RUN_MAX || (spread > 1 && run.count >= RUN_MIN)) {
            if (i > 0)
                runs->push_back(run);
            run.first = i;
            run.count = 0;
            std::memcpy(run.low, p, sizeof run.low);
            std::memcpy(run.high, p, sizeof run.high);
        }
        for (int k = 0; k < 3; ++k) {
            run.low[k] = std::min(run.low[k], p[k]);
            run.high[k] = std::max(run.high[k], p[k]);
        }
        ++run.count;
    }
    if (count > 0)
        runs->push_back(run);
}

void release_list(DisplayList& list)
{
    if (list.buffer != 0)
        ld_gpu_buffer_delete(list.buffer);
    list = DisplayList();
}

// Transforms a direction by the upper 3x3 of the model-view matrix.
void transform_direction(const float in[3], float out[3])
{
    const float v[4] = {in[0], in[1], in[2], 0.0f};
    float r[4];
    mat_transform(S().modelView[S().modelViewDepth], v, r);
    out[0] = r[0];
    out[1] = r[1];
    out[2] = r[2];
}

void set_capability(GLenum cap, bool on)
{
    GlState& s = S();
    bool* backendFlag = nullptr;
    switch (cap) {
    case GL_BLEND: backendFlag = &s.blend; break;
    case GL_DEPTH_TEST: backendFlag = &s.depthTest; break;
    case GL_CULL_FACE: backendFlag = &s.cullFace; break;
    case GL_DITHER: backendFlag = &s.dither; break;
    case GL_FOG: s.fog = on; break;
    case GL_LIGHTING: s.lighting = on; break;
    case GL_TEXTURE_2D: s.texture2D = on; break;
    case GL_COLOR_MATERIAL: s.colourMaterial = on; break;
    case GL_LIGHT0: s.light0.enabled = on; break;
    default: break; // other lights, GL_NORMALIZE: not part of the core's subset
    }
    if (backendFlag != nullptr && *backendFlag != on) {
        *backendFlag = on;
        ld_gpu_capability(static_cast<int>(cap), on ? 1 : 0);
    }
}

bool scalar_light_parameter(GLenum pname, float value)
{
    LightState& l = S().light0;
    switch (pname) {
    case GL_SPOT_EXPONENT:
        if (value < 0.0f || value > 128.0f)
            return false;
        l.spotExponent = value;
        return true;
    case GL_SPOT_CUTOFF:
        if (!((value >= 0.0f && value <= 90.0f) || value == 180.0f))
            return false;
        l.spotCutoff = value;
        return true;
    case GL_CONSTANT_ATTENUATION:
    case GL_LINEAR_ATTENUATION:
    case GL_QUADRATIC_ATTENUATION:
        if (value < 0.0f)
            return false;
        l.attenuation[pname - GL_CONSTANT_ATTENUATION] = value;
        return true;
    default:
        return false;
    }
}

void fog_parameter(GLenum pname, const float* params)
{
    GlState& s = S();
    switch (pname) {
    case GL_FOG_MODE: {
        const auto mode = static_cast<GLenum>(params[0]);
        if (mode == GL_LINEAR || mode == GL_EXP || mode == GL_EXP2)
            s.fogMode = mode;
        break;
    }
    case GL_FOG_START: s.fogStart = params[0]; break;
    case GL_FOG_END: s.fogEnd = params[0]; break;
    case GL_FOG_DENSITY:
        if (params[0] >= 0.0f)
            s.fogDensity = params[0];
        break;
    case GL_FOG_COLOR: copy4(s.fogColour, params); break;
    default: return;
    }
    mark(DIRTY_FOG);
}

void material_parameter(GLenum face, GLenum pname, const float* params)
{
    // One-sided lighting reads the front material only.
    if (face != GL_FRONT && face != GL_FRONT_AND_BACK)
        return;
    MaterialState& m = S().material;
    switch (pname) {
    case GL_AMBIENT: copy4(m.ambient, params); break;
    case GL_DIFFUSE: copy4(m.diffuse, params); break;
    case GL_AMBIENT_AND_DIFFUSE:
        copy4(m.ambient, params);
        copy4(m.diffuse, params);
        break;
    case GL_SPECULAR: copy4(m.specular, params); break;
    case GL_EMISSION: copy4(m.emission, params); break;
    case GL_SHININESS:
        if (params[0] < 0.0f || params[0] > 128.0f)
            return;
        m.shininess = params[0];
        break;
    default: return;
    }
    mark(DIRTY_LIGHTING);
}

} // namespace

GlState::GlState()
{
    for (Mat4& m : modelView)
        m = mat_identity();
    for (Mat4& m : projection)
        m = mat_identity();
    set4(current[ATTRIBUTE_COLOUR], 1.0f, 1.0f, 1.0f, 1.0f);
    set4(current[ATTRIBUTE_NORMAL], 0.0f, 0.0f, 1.0f, 0.0f);
    set4(current[ATTRIBUTE_TEXCOORD], 0.0f, 0.0f, 0.0f, 1.0f);
    light0 = initial_light0();
    set4(material.ambient, 0.2f, 0.2f, 0.2f, 1.0f);
    set4(material.diffuse, 0.8f, 0.8f, 0.8f, 1.0f);
    set4(material.specular, 0.0f, 0.0f, 0.0f, 1.0f);
    set4(material.emission, 0.0f, 0.0f, 0.0f, 1.0f);
    material.shininess = 0.0f;
}

void VertexRecorder::reset(GLenum newMode)
{
    mode = newMode;
    changed = 0;
    positions.clear();
    for (std::vector<float>& a : attributes)
        a.clear();
}

void VertexRecorder::pack(std::vector<unsigned char>* out, int offsets[1 + ATTRIBUTE_COUNT]) const
{
    auto append = [&](const std::vector<float>& data) {
        const std::size_t at = out->size();
        const std::size_t bytes = data.size() * sizeof(float);
        out->resize(at + bytes);
        std::memcpy(out->data() + at, data.data(), bytes);
        return static_cast<int>(at);
    };
    offsets[0] = append(positions);
    for (int a = 0; a < ATTRIBUTE_COUNT; ++a)
        offsets[1 + a] = (changed & (1u << a)) != 0 ? append(attributes[a]) : -1;
}

Mat4& current_matrix()
{
    GlState& s = S();
    return s.matrixMode == GL_PROJECTION ? s.projection[s.projectionDepth] : s.modelView[s.modelViewDepth];
}

bool webgl_layer_open(int width, int height)
{
    if (ld_gpu_open(width, height, LOCATION_SIZE, 1 + ATTRIBUTE_COUNT) == 0)
        return false;
    const GLuint bound = L.state.boundTexture;
    L.state = GlState();
    L.state.viewport[2] = width;
    L.state.viewport[3] = height;
    L.dirty = DIRTY_ALL;
    for (bool& sent : L.sentValid)
        sent = false;
    L.sentProgram = -1;
    L.sentPointSize = -1.0f;
    L.recorder.reset(0);
    L.recorder.inside = false;
    L.compiling = 0;
    g_pending = DisplayList();
    L.lists.clear();
    L.open = true;
    // Names outlive a lost context; their textures come back empty, with their parameters.
    for (TextureRecord& t : L.textures) {
        for (int& w : t.levelWidth)
            w = 0;
        for (int& h : t.levelHeight)
            h = 0;
        t.gpu = 0;
    }
    L.state.boundTexture = bound < L.textures.size() ? bound : 0;
    sync_texture_binding();
    return true;
}

bool webgl_layer_resize(int width, int height)
{
    return L.open && ld_gpu_resize(width, height) != 0;
}

void webgl_layer_lost()
{
    L.open = false;
    ld_gpu_forget();
    for (TextureRecord& t : L.textures)
        t.gpu = 0;
    for (DisplayList& list : L.lists)
        list.buffer = 0;
}

extern "C" {

void glBegin(GLenum mode)
{
    if (!L.open || L.recorder.inside || mode > GL_POLYGON)
        return;
    L.recorder.reset(mode);
    L.recorder.inside = true;
}

void glEnd()
{
    VertexRecorder& r = L.recorder;
    if (!L.open || !r.inside)
        return;
    r.inside = false;
    const int count = static_cast<int>(r.count());
    if (count == 0)
        return;
    if (recording()) {
        ListBatch batch{};
        batch.mode = r.mode;
        batch.count = count;
        r.pack(&L.listData, batch.offsets);
        if (r.mode == GL_POINTS && count >= CULL_MIN_POINTS) {
            for (const float p : r.positions)
                batch.extent = std::max(batch.extent, std::fabs(p));
            batch.firstRun = static_cast<int>(g_pending.runs.size());
            split_runs(r.positions, count, &g_pending.runs);
            batch.runCount = static_cast<int>(g_pending.runs.size()) - batch.firstRun;
        }
        for (int a = 0; a < ATTRIBUTE_COUNT; ++a)
            copy4(batch.last[a], g_listRunning[a]);
        g_pending.batches.push_back(batch);
        g_pending.ops.push_back(ListOp{ListOp::DRAW, 0, static_cast<int>(g_pending.batches.size() - 1), {}});
        return;
    }
    int offsets[1 + ATTRIBUTE_COUNT];
    L.stream.clear();
    r.pack(&L.stream, offsets);
    ld_gpu_stream(L.stream.data(), static_cast<int>(L.stream.size()));
    draw_batch(r.mode, count, 0, offsets);
}

void glVertex2f(GLfloat x, GLfloat y) { add_vertex(x, y, 0.0f); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { add_vertex(x, y, z); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z)
{
    add_vertex(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) { set_attribute(ATTRIBUTE_COLOUR, r, g, b, 1.0f); }
void glColor3d(GLdouble r, GLdouble g, GLdouble b)
{
    set_attribute(ATTRIBUTE_COLOUR, static_cast<float>(r), static_cast<float>(g), static_cast<float>(b), 1.0f);
}
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { set_attribute(ATTRIBUTE_COLOUR, r, g, b, a); }
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { set_attribute(ATTRIBUTE_NORMAL, x, y, z, 0.0f); }
void glTexCoord2f(GLfloat s, GLfloat t) { set_attribute(ATTRIBUTE_TEXCOORD, s, t, 0.0f, 1.0f); }
void glTexCoord2d(GLdouble s, GLdouble t)
{
    set_attribute(ATTRIBUTE_TEXCOORD, static_cast<float>(s), static_cast<float>(t), 0.0f, 1.0f);
}

GLuint glGenLists(GLsizei range)
{
    if (!L.open || range <= 0 || L.recorder.inside)
        return 0;
    if (L.lists.empty())
        L.lists.resize(1);
    // The first run of `range` free names.
    std::size_t first = 1;
    for (std::size_t n = 1; n < L.lists.size() && n < first + static_cast<std::size_t>(range); ++n)
        if (L.lists[n].named)
            first = n + 1;
    if (L.lists.size() < first + static_cast<std::size_t>(range))
        L.lists.resize(first + static_cast<std::size_t>(range));
    for (std::size_t n = first; n < first + static_cast<std::size_t>(range); ++n)
        L.lists[n].named = true;
    return static_cast<GLuint>(first);
}

void glNewList(GLuint list, GLenum mode)
{
    if (!L.open || list == 0 || recording() || L.recorder.inside)
        return;
    if (mode != GL_COMPILE && mode != GL_COMPILE_AND_EXECUTE)
        return;
    L.compiling = list;
    L.executeAfterCompile = mode == GL_COMPILE_AND_EXECUTE;
    g_pending = DisplayList();
    g_pending.named = true;
    L.listData.clear();
    std::memcpy(g_listRunning, S().current, sizeof g_listRunning);
}

void glEndList()
{
    if (!L.open || !recording())
        return;
    // A glBegin left open inside the list is dropped with its vertices.
    L.recorder.inside = false;
    const GLuint name = L.compiling;
    L.compiling = 0;
    if (!L.listData.empty())
        g_pending.buffer = ld_gpu_buffer_create(L.listData.data(), static_cast<int>(L.listData.size()));
    if (L.lists.size() <= name)
        L.lists.resize(static_cast<std::size_t>(name) + 1);
    release_list(L.lists[name]);
    L.lists[name] = std::move(g_pending);
    g_pending = DisplayList();
    // The lattice's vertices are on the GPU now; their copies here would only hold memory.
    std::vector<unsigned char>().swap(L.listData);
    L.recorder.reset(0);
    L.recorder.positions.shrink_to_fit();
    for (std::vector<float>& a : L.recorder.attributes)
        a.shrink_to_fit();
    if (L.executeAfterCompile)
        glCallList(name);
}

void glCallList(GLuint list)
{
    // Lists inside lists are not part of the core's subset.
    if (!L.open || recording() || L.recorder.inside || list >= L.lists.size() || !L.lists[list].named)
        return;
    run_list(L.lists[list]);
}

void glDeleteLists(GLuint list, GLsizei range)
{
    if (!L.open || range < 0)
        return;
    for (GLsizei i = 0; i < range; ++i) {
        const std::size_t n = static_cast<std::size_t>(list) + static_cast<std::size_t>(i);
        if (n == 0 || n >= L.lists.size())
            continue;
        release_list(L.lists[n]);
    }
}

void glMatrixMode(GLenum mode)
{
    if (L.open && (mode == GL_MODELVIEW || mode == GL_PROJECTION))
        S().matrixMode = mode;
}

void glLoadIdentity()
{
    if (!L.open)
        return;
    current_matrix() = mat_identity();
    mark(DIRTY_MATRICES);
}

void glPushMatrix()
{
    if (!L.open)
        return;
    GlState& s = S();
    int& depth = s.matrixMode == GL_PROJECTION ? s.projectionDepth : s.modelViewDepth;
    Mat4* stack = s.matrixMode == GL_PROJECTION ? s.projection : s.modelView;
    const int limit = s.matrixMode == GL_PROJECTION ? PROJECTION_STACK_DEPTH : MODELVIEW_STACK_DEPTH;
    if (depth + 1 >= limit)
        return;
    stack[depth + 1] = stack[depth];
    ++depth;
}

void glPopMatrix()
{
    if (!L.open)
        return;
    GlState& s = S();
    int& depth = s.matrixMode == GL_PROJECTION ? s.projectionDepth : s.modelViewDepth;
    if (depth == 0)
        return;
    --depth;
    mark(DIRTY_MATRICES);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    if (!L.open)
        return;
    current_matrix() = mat_rotate(current_matrix(), angle, x, y, z);
    mark(DIRTY_MATRICES);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    if (!L.open)
        return;
    current_matrix() = mat_translate(current_matrix(), x, y, z);
    mark(DIRTY_MATRICES);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar)
{
    if (!L.open)
        return;
    current_matrix() = mat_ortho(current_matrix(), left, right, bottom, top, zNear, zFar);
    mark(DIRTY_MATRICES);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    if (!L.open || width < 0 || height < 0)
        return;
    int* v = S().viewport;
    if (v[0] == x && v[1] == y && v[2] == width && v[3] == height)
        return;
    v[0] = x;
    v[1] = y;
    v[2] = width;
    v[3] = height;
    ld_gpu_viewport(x, y, width, height);
}

void glEnable(GLenum cap)
{
    if (L.open)
        set_capability(cap, true);
}

void glDisable(GLenum cap)
{
    if (L.open)
        set_capability(cap, false);
}

void glBlendFunc(GLenum sfactor, GLenum dfactor)
{
    GlState& s = S();
    if (!L.open || (s.blendSrc == sfactor && s.blendDst == dfactor))
        return;
    s.blendSrc = sfactor;
    s.blendDst = dfactor;
    ld_gpu_blend_func(static_cast<int>(sfactor), static_cast<int>(dfactor));
}

void glDepthFunc(GLenum func)
{
    if (!L.open || func < GL_NEVER || func > GL_ALWAYS || S().depthFunc == func)
        return;
    S().depthFunc = func;
    ld_gpu_depth_func(static_cast<int>(func));
}

void glDepthMask(GLboolean flag)
{
    const bool on = flag != GL_FALSE;
    if (!L.open || S().depthMask == on)
        return;
    S().depthMask = on;
    ld_gpu_depth_mask(on ? 1 : 0);
}

void glClear(GLbitfield mask)
{
    if (!L.open)
        return;
    const float* c = S().clearColour;
    ld_gpu_clear(static_cast<int>(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)), c[0], c[1], c[2], c[3]);
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    if (L.open)
        set4(S().clearColour, red, green, blue, alpha);
}

void glPointSize(GLfloat size)
{
    if (!L.open || !(size > 0.0f))
        return;
    if (recording())
        g_pending.ops.push_back(ListOp{ListOp::POINT_SIZE, 0, 0, {size, 0.0f, 0.0f, 0.0f}});
    else
        S().pointSize = size;
}

// Accepted with nothing to do: the core asks for width 1, smooth shading, filled polygons and the
// nicest hints, which is what the shader does anyway.
void glLineWidth(GLfloat) {}
void glShadeModel(GLenum) {}
void glPolygonMode(GLenum, GLenum) {}
void glHint(GLenum, GLenum) {}

void glFogf(GLenum pname, GLfloat param)
{
    if (L.open)
        fog_parameter(pname, &param);
}

void glFogi(GLenum pname, GLint param)
{
    const auto value = static_cast<float>(param);
    if (L.open)
        fog_parameter(pname, &value);
}

void glFogfv(GLenum pname, const GLfloat* params)
{
    if (L.open && params != nullptr)
        fog_parameter(pname, params);
}

void glLightf(GLenum light, GLenum pname, GLfloat param)
{
    if (!L.open || light != GL_LIGHT0)
        return;
    if (scalar_light_parameter(pname, param))
        mark(DIRTY_LIGHTING);
}

void glLightfv(GLenum light, GLenum pname, const GLfloat* params)
{
    // The core lights with GL_LIGHT0 only; the other seven are not part of its subset.
    if (!L.open || light != GL_LIGHT0 || params == nullptr)
        return;
    LightState& l = S().light0;
    switch (pname) {
    case GL_AMBIENT: copy4(l.ambient, params); break;
    case GL_DIFFUSE: copy4(l.diffuse, params); break;
    case GL_SPECULAR: copy4(l.specular, params); break;
    case GL_POSITION:
        mat_transform(S().modelView[S().modelViewDepth], params, l.position);
        break;
    case GL_SPOT_DIRECTION: transform_direction(params, l.spotDirection); break;
    default:
        if (!scalar_light_parameter(pname, params[0]))
            return;
    }
    mark(DIRTY_LIGHTING);
}

void glLightModeli(GLenum pname, GLint param)
{
    if (L.open && pname == GL_LIGHT_MODEL_LOCAL_VIEWER)
        S().localViewer = param != 0;
}

void glLightModelfv(GLenum pname, const GLfloat* params)
{
    if (!L.open || params == nullptr)
        return;
    if (pname == GL_LIGHT_MODEL_AMBIENT) {
        copy4(S().modelAmbient, params);
        mark(DIRTY_LIGHTING);
    } else if (pname == GL_LIGHT_MODEL_LOCAL_VIEWER) {
        S().localViewer = params[0] != 0.0f;
    }
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params)
{
    if (L.open && params != nullptr)
        material_parameter(face, pname, params);
}

void glMateriali(GLenum face, GLenum pname, GLint param)
{
    const auto value = static_cast<float>(param);
    if (L.open && pname == GL_SHININESS)
        material_parameter(face, pname, &value);
}

void glColorMaterial(GLenum face, GLenum mode)
{
    if (!L.open || (face != GL_FRONT && face != GL_BACK && face != GL_FRONT_AND_BACK))
        return;
    if (mode == GL_AMBIENT || mode == GL_DIFFUSE || mode == GL_AMBIENT_AND_DIFFUSE || mode == GL_SPECULAR ||
        mode == GL_EMISSION)
        S().colourMaterialMode = mode;
}

const GLubyte* glGetString(GLenum name)
{
    // No context, no strings: the core checks for that before it builds mipmaps.
    if (!L.open)
        return nullptr;
    const char* text = nullptr;
    switch (name) {
    case GL_VENDOR: text = "Lattice Drift"; break;
    case GL_RENDERER: text = "OpenGL 1.1 layer on WebGL 2"; break;
    case GL_VERSION: text = "1.1 Lattice Drift WebGL 2"; break;
    case GL_EXTENSIONS: text = ""; break;
    default: break;
    }
    return reinterpret_cast<const GLubyte*>(text);
}

void glFinish()
{
    if (L.open)
        ld_gpu_finish();
}

} // extern "C"
