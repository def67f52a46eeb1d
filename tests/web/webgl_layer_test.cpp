// Our OpenGL 1.1 layer's state machine, natively: what it sends to the WebGL side (recorded by
// webgl_recorder.cpp) for display lists, cached attributes and inputs, programs, culled lattice
// runs, the exact blend's copy and a refused resize.
#include "compat/webgl/webgl_context.h"
#include "compat/webgl/webgl_layer.h"
#include "compat/webgl/webgl_program.h"
#include "tests/web/webgl_recorder.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

class WebglLayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        webgl_layer_lost();
        gpu_recorder = GpuRecorder();
        ASSERT_TRUE(webgl_layer_open(800, 600));
        gpu_recorder.clear();
    }
};

// A cube of `steps` + 1 points a side on each of its six faces, edge 2, rows along one axis, in one
// list as the core builds its lattice.
GLuint cube_list(int steps)
{
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glColor4f(1.0f, 0.98f, 0.98f, 1.0f);
    glBegin(GL_POINTS);
    for (int face = 0; face < 6; ++face)
        for (int i = 0; i <= steps; ++i)
            for (int j = 0; j <= steps; ++j) {
                const float a = -1.0f + 2.0f * static_cast<float>(i) / static_cast<float>(steps);
                const float b = -1.0f + 2.0f * static_cast<float>(j) / static_cast<float>(steps);
                const float h = face % 2 == 0 ? 1.0f : -1.0f;
                if (face < 2)
                    glVertex3f(a, b, h);
                else if (face < 4)
                    glVertex3f(a, h, b);
                else
                    glVertex3f(h, a, b);
            }
    glEnd();
    glEndList();
    return list;
}

// The fade as the core draws it: one quad blended by its alpha over the window's band.
void fade_quad(float bottom, float top)
{
    glColor4f(0.0f, 0.0f, 0.1f, 0.2f);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, bottom);
    glVertex2f(800.0f, bottom);
    glVertex2f(800.0f, top);
    glVertex2f(0.0f, top);
    glEnd();
}

void window_coordinates()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 800.0, 0.0, 600.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

} // namespace

TEST_F(WebglLayer, ListIsUploadedOnceAndReplayedWithoutItsVertices)
{
    const GLuint list = cube_list(20);
    ASSERT_EQ(gpu_recorder.named("buffer_create").size(), 1u);
    // Positions only: the colour was set outside glBegin and stays a constant.
    EXPECT_EQ(gpu_recorder.named("buffer_create")[0].args[0], 6 * 21 * 21 * 3 * 4);
    EXPECT_EQ(gpu_recorder.names(), "buffer_create");

    // Identity matrices: the whole cube lies on the clip volume's surface, so every run is drawn,
    // in one range.
    gpu_recorder.clear();
    glCallList(list);
    EXPECT_EQ(gpu_recorder.names(), "matrices program_use program_make point_size attribute attribute attribute draw");
    const GpuCall draw = gpu_recorder.named("draw")[0];
    EXPECT_EQ(draw.args[0], GL_POINTS);
    EXPECT_EQ(draw.args[1], 0);
    EXPECT_EQ(draw.args[2], 6 * 21 * 21);

    // Nothing changed: the second replay sends the draw alone.
    gpu_recorder.clear();
    glCallList(list);
    EXPECT_EQ(gpu_recorder.names(), "draw");
}

TEST_F(WebglLayer, CullingLeavesOutOnlyRunsNoPixelOfWhichCanShow)
{
    const GLuint list = cube_list(40);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(60.0, 4.0 / 3.0, 0.01, 5.0);
    glMatrixMode(GL_MODELVIEW);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> angle(0.0f, 360.0f);
    std::uniform_real_distribution<float> offset(-0.9f, 0.9f);
    int culledSome = 0;
    for (int view = 0; view < 40; ++view) {
        glLoadIdentity();
        glRotatef(angle(random), 1.0f, 0.0f, 0.0f);
        glRotatef(angle(random), 0.0f, 1.0f, 0.0f);
        glTranslatef(offset(random), offset(random), offset(random));
        gpu_recorder.clear();
        glCallList(list);
        std::vector<double> matrices;
        if (!gpu_recorder.named("matrices").empty())
            matrices = gpu_recorder.named("matrices")[0].args;
        ASSERT_EQ(matrices.size(), 41u);
        std::vector<bool> drawn(6 * 41 * 41, false);
        int end = 0;
        for (const GpuCall& d : gpu_recorder.named("draw")) {
            // Ranges of the one buffer in the list's order, none twice.
            EXPECT_GE(d.args[1], end);
            end = static_cast<int>(d.args[1] + d.args[2]);
            for (int i = static_cast<int>(d.args[1]); i < end; ++i)
                drawn[static_cast<std::size_t>(i)] = true;
        }
        int index = 0;
        int hidden = 0;
        for (int face = 0; face < 6; ++face)
            for (int i = 0; i <= 40; ++i)
                for (int j = 0; j <= 40; ++j, ++index) {
                    const double a = -1.0 + 2.0 * i / 40.0;
                    const double b = -1.0 + 2.0 * j / 40.0;
                    const double h = face % 2 == 0 ? 1.0 : -1.0;
                    const double p[3] = {face < 2 ? a : face < 4 ? a : h, face < 2 ? b : face < 4 ? h : a,
                                         face < 2 ? h : b};
                    double c[4];
                    for (int r = 0; r < 4; ++r)
                        c[r] = matrices[static_cast<std::size_t>(r)] * p[0] + matrices[4 + r] * p[1] +
                               matrices[8 + r] * p[2] + matrices[12 + r];
                    const bool inside = c[3] > 0.0 && std::fabs(c[0]) <= c[3] && std::fabs(c[1]) <= c[3] &&
                                        std::fabs(c[2]) <= c[3];
                    if (inside) {
                        EXPECT_TRUE(drawn[static_cast<std::size_t>(index)]) << "view " << view << " point " << index;
                    }
                    hidden += drawn[static_cast<std::size_t>(index)] ? 0 : 1;
                }
        culledSome += hidden > 0 ? 1 : 0;
    }
    EXPECT_GT(culledSome, 30);
}

TEST_F(WebglLayer, CullingKeepsRowsThatPlacingCouldPullIntoView)
{
    // Rows of 41 points along y in window-sized clip space: one just past the left edge (less than
    // a pixel: its point would be placed on the edge's pixel), one far past it.
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glBegin(GL_POINTS);
    for (const float x : {-1.0f - 1e-4f, -1.5f})
        for (int j = 0; j <= 40; ++j)
            glVertex3f(x, -0.5f + static_cast<float>(j) / 40.0f, 0.0f);
    glEnd();
    glEndList();
    glCallList(list);
    ASSERT_EQ(gpu_recorder.named("draw").size(), 1u);
    EXPECT_EQ(gpu_recorder.named("draw")[0].args[1], 0);
    EXPECT_EQ(gpu_recorder.named("draw")[0].args[2], 41);
}

TEST_F(WebglLayer, ExactBlendCopiesWhatTheQuadCoversAndLeavesBlendingOn)
{
    window_coordinates();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gpu_recorder.clear();
    fade_quad(100.0f, 500.0f);
    EXPECT_EQ(gpu_recorder.names(),
              "stream matrices program_use program_make point_size attribute attribute attribute copy_picture "
              "capability draw_quads capability");
    // The band with a pixel or two to spare above and below, held to the picture's width.
    const std::vector<double> copy = gpu_recorder.named("copy_picture")[0].args;
    ASSERT_EQ(copy.size(), 4u);
    EXPECT_EQ(copy[0], 0);
    EXPECT_EQ(copy[2], 800);
    EXPECT_TRUE(copy[1] >= 97 && copy[1] <= 99) << copy[1];
    EXPECT_TRUE(copy[1] + copy[3] >= 501 && copy[1] + copy[3] <= 503) << copy[1] + copy[3];
    const std::vector<GpuCall> switches = gpu_recorder.named("capability");
    EXPECT_EQ(switches[0].args, (std::vector<double>{GL_BLEND, 0}));
    EXPECT_EQ(switches[1].args, (std::vector<double>{GL_BLEND, 1}));
    const int key = static_cast<int>(gpu_recorder.named("program_make")[0].args[0]);
    EXPECT_EQ(key, PROGRAM_EXACT_BLEND | PROGRAM_PLACE_RECTANGLES);

    // Two quads at once, or no blending: the GPU's own blending, no copy.
    gpu_recorder.clear();
    glBegin(GL_QUADS);
    for (int i = 0; i < 8; ++i)
        glVertex2f(static_cast<float>(i % 2) * 800.0f, static_cast<float>(i / 2) * 100.0f);
    glEnd();
    glDisable(GL_BLEND);
    fade_quad(100.0f, 500.0f);
    EXPECT_TRUE(gpu_recorder.named("copy_picture").empty());
    EXPECT_EQ(gpu_recorder.named("capability").size(), 1u);
}

TEST_F(WebglLayer, StateReachesTheBackendOnceAndOnlyWhereAProgramReadsIt)
{
    window_coordinates();
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_END, 2.0f);
    auto point = [] {
        glBegin(GL_POINTS);
        glVertex2f(10.0f, 10.0f);
        glEnd();
    };
    point();
    EXPECT_TRUE(gpu_recorder.named("fog").empty()) << "fog sent while off";
    glEnable(GL_FOG);
    point();
    glDisable(GL_FOG);
    point();
    glEnable(GL_FOG);
    point();
    // Two programs, each made once; the fog's inputs sent once; matrices and the colour once.
    const std::vector<GpuCall> made = gpu_recorder.named("program_make");
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(made[1].args[0], PROGRAM_FOG_LINEAR | PROGRAM_PLACE_POINTS);
    EXPECT_NE(made[1].text.find("#define FOG_LINEAR"), std::string::npos);
    EXPECT_EQ(gpu_recorder.named("program_use").size(), 4u);
    EXPECT_EQ(gpu_recorder.named("fog").size(), 1u);
    EXPECT_EQ(gpu_recorder.named("matrices").size(), 1u);
    EXPECT_EQ(gpu_recorder.named("attribute").size(), 3u);
    glFogf(GL_FOG_START, 1.0f);
    glColor3f(0.5f, 0.5f, 0.5f);
    point();
    EXPECT_EQ(gpu_recorder.named("fog").size(), 2u);
    EXPECT_EQ(gpu_recorder.named("attribute").size(), 4u);

    // A depth clear asks nothing of the GPU while depth writes are off, as in GL.
    gpu_recorder.clear();
    glDepthMask(GL_FALSE);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT);
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    const std::vector<GpuCall> clears = gpu_recorder.named("clear");
    ASSERT_EQ(clears.size(), 2u);
    EXPECT_EQ(clears[0].args[0], GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(clears[1].args[0], GL_DEPTH_BUFFER_BIT);
}

TEST_F(WebglLayer, RefusedResizeKeepsThePictureItsCopyReads)
{
    gpu_recorder.pictureLimit = 1000;
    EXPECT_FALSE(webgl_layer_resize(1600, 1200));
    glViewport(0, 0, 1600, 1200);
    glMatrixMode(GL_PROJECTION);
    glOrtho(0.0, 1600.0, 0.0, 1200.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    fade_quad(0.0f, 1200.0f);
    EXPECT_EQ(gpu_recorder.named("copy_picture")[0].args, (std::vector<double>{0, 0, 800, 600}));
    EXPECT_TRUE(webgl_layer_resize(1000, 750));
    fade_quad(0.0f, 1200.0f);
    EXPECT_EQ(gpu_recorder.named("copy_picture")[1].args, (std::vector<double>{0, 0, 801, 750}));
}
