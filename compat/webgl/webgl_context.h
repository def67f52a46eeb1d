// The state of our OpenGL 1.1 layer, shared by its GL, texture and GLU files: what a GL 1.1
// context holds for the calls the core makes, and the bookkeeping that maps it onto WebGL 2.
#ifndef LATTICEDRIFT_COMPAT_WEBGL_WEBGL_CONTEXT_H
#define LATTICEDRIFT_COMPAT_WEBGL_WEBGL_CONTEXT_H

#include "compat/webgl/gl_matrix.h"

#include <GL/gl.h>

#include <cstdint>
#include <vector>

// The lighting block handed to the shaders: vec4s in this order.
enum LightingSlot {
    LIGHT_POSITION,       // eye space
    LIGHT_AMBIENT,
    LIGHT_DIFFUSE,
    LIGHT_SPECULAR,
    LIGHT_SPOT,           // eye-space direction, exponent
    LIGHT_ATTENUATION,    // constant, linear, quadratic, cosine of the cutoff (-2: no spot)
    MODEL_AMBIENT,
    MATERIAL_AMBIENT,
    MATERIAL_DIFFUSE,
    MATERIAL_SPECULAR,
    MATERIAL_EMISSION,
    MATERIAL_SHININESS,   // shininess in x
    LIGHTING_VEC4S
};

// Attributes after the position, in the shaders' locations 1 to 3.
enum VertexAttribute { ATTRIBUTE_COLOUR, ATTRIBUTE_NORMAL, ATTRIBUTE_TEXCOORD, ATTRIBUTE_COUNT };
// Components of the position (3) and of each attribute, by location.
constexpr int LOCATION_SIZE[1 + ATTRIBUTE_COUNT] = {3, 4, 3, 2};

// The vertices of one glBegin/glEnd, attribute by attribute, and the attributes set between them.
struct VertexRecorder {
    GLenum mode = 0;
    bool inside = false;
    unsigned changed = 0;   // bit (1 << VertexAttribute)
    std::vector<float> positions;
    std::vector<float> attributes[ATTRIBUTE_COUNT];

    std::size_t count() const { return positions.size() / 3; }
    // Empties the arrays, keeping their storage.
    void reset(GLenum newMode);
    // Copies the positions and the changed attributes, one block after the other, into `out`
    // (appended), and writes each block's byte offset in `out` (-1 for an attribute that stays
    // constant).
    void pack(std::vector<unsigned char>* out, int offsets[1 + ATTRIBUTE_COUNT]) const;
};

// One step of a display list.
struct ListOp {
    enum Kind : std::uint8_t { SET_ATTRIBUTE, POINT_SIZE, DRAW } kind;
    std::uint8_t attribute;  // SET_ATTRIBUTE
    int batch;               // DRAW: index into the list's batches
    float value[4];
};

// Consecutive points of a list's batch and the box around them (object coordinates): a frame
// whose clip volume the box cannot reach draws none of them.
struct PointRun {
    float low[3];
    float high[3];
    int first;
    int count;
};

// A glBegin/glEnd recorded into a list: its primitive and where its arrays lie in the list's buffer.
struct ListBatch {
    GLenum mode;
    int count;
    int offsets[1 + ATTRIBUTE_COUNT];
    // Each changed attribute's value after the last vertex: the current value once the list ran.
    float last[ATTRIBUTE_COUNT][4];
    // A batch of points split into runs: its runs in the list's runs (runCount 0: drawn whole),
    // and the largest coordinate of any of its points.
    int firstRun;
    int runCount;
    float extent;
};

struct DisplayList {
    bool named = false;
    std::vector<ListOp> ops;
    std::vector<ListBatch> batches;
    std::vector<PointRun> runs;
    unsigned buffer = 0;
};

struct TextureRecord {
    bool named = false;
    unsigned gpu = 0;
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLint magFilter = GL_LINEAR;
    GLint wrapS = GL_REPEAT;
    GLint wrapT = GL_REPEAT;
    // Sizes of the levels given so far (0: none).
    int levelWidth[16] = {};
    int levelHeight[16] = {};
};

struct LightState {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float position[4];       // eye space
    float spotDirection[3];  // eye space
    float spotExponent;
    float spotCutoff;
    float attenuation[3];
    bool enabled;
};

struct MaterialState {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emission[4];
    float shininess;
};

constexpr int MODELVIEW_STACK_DEPTH = 32;
constexpr int PROJECTION_STACK_DEPTH = 4;

// Everything a GL 1.1 context holds for the core's calls, at its initial values.
struct GlState {
    GlState();

    Mat4 modelView[MODELVIEW_STACK_DEPTH];
    int modelViewDepth = 0;
    Mat4 projection[PROJECTION_STACK_DEPTH];
    int projectionDepth = 0;
    GLenum matrixMode = GL_MODELVIEW;

    float current[ATTRIBUTE_COUNT][4];
    float pointSize = 1.0f;
    float clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};

    bool blend = false;
    bool depthTest = false;
    bool cullFace = false;
    bool dither = true;
    bool fog = false;
    bool lighting = false;
    bool texture2D = false;
    bool colourMaterial = false;
    GLenum blendSrc = GL_ONE;
    GLenum blendDst = GL_ZERO;
    GLenum depthFunc = GL_LESS;
    bool depthMask = true;
    int viewport[4] = {0, 0, 0, 0};

    GLenum fogMode = GL_EXP;
    float fogStart = 0.0f;
    float fogEnd = 1.0f;
    float fogDensity = 1.0f;
    float fogColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};

    LightState light0;
    MaterialState material;
    float modelAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    bool localViewer = false;
    GLenum colourMaterialMode = GL_AMBIENT_AND_DIFFUSE;

    GLenum texEnvMode = GL_MODULATE;
    float texEnvColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    GLint unpackAlignment = 4;
    GLuint boundTexture = 0;
};

// What has changed since the last draw and must reach the shaders first.
enum Dirty : unsigned {
    DIRTY_MATRICES = 1,
    DIRTY_FOG = 2,
    DIRTY_LIGHTING = 4,
    DIRTY_TEX_ENV = 8,
    DIRTY_ALL = 15,
};

// The layer: whether a WebGL context is attached, the GL state, names and recording.
struct Layer {
    bool open = false;
    GlState state;
    unsigned dirty = DIRTY_ALL;
    // The model-view-projection product last handed to the backend.
    Mat4 mvp;
    // The program and point size last handed to the backend (-1: none yet).
    int sentProgram = -1;
    float sentPointSize = -1.0f;
    // The constant attribute values last handed to the backend.
    float sentAttribute[ATTRIBUTE_COUNT][4];
    bool sentValid[ATTRIBUTE_COUNT] = {};

    VertexRecorder recorder;
    std::vector<unsigned char> stream;     // packed immediate-mode vertices, reused

    std::vector<DisplayList> lists;        // by name; [0] unused
    GLuint compiling = 0;                  // the list being recorded, 0: none
    bool executeAfterCompile = false;
    std::vector<unsigned char> listData;   // the recorded list's packed vertices

    std::vector<TextureRecord> textures;   // by name; [0] is "no texture"
    std::vector<unsigned char> texels;     // conversion scratch
};

extern Layer gl_layer;

// The current matrix stack's top.
Mat4& current_matrix();
// Whether the bound texture can be sampled (GL 1.1 switches texturing off for an incomplete one).
bool bound_texture_complete();
// Hands the texture binding to the backend, creating the bound name's GPU texture when needed.
void sync_texture_binding();
// Replaces a level of the bound texture with packed RGBA texels (rows bottom first).
void texture_level_rgba(int level, int width, int height, const unsigned char* rgba);
// Packed RGBA copy of client texels in `format` (GL_RGBA, GL_RGB, GL_LUMINANCE_ALPHA,
// GL_LUMINANCE), rows laid out by the unpack alignment; null for a format outside those.
const unsigned char* texels_as_rgba(int width, int height, GLenum format, const void* pixels);

#endif
