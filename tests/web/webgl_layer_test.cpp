// Our OpenGL 1.1 layer's state machine, natively: what it sends to the WebGL side (recorded by
// webgl_recorder.cpp) for display lists, cached attributes and inputs, programs, culled lattice
// runs and the exact blend.
#include "compat/webgl/webgl_layer.h"
#include "compat/webgl/webgl_program.h"
#include "tests/web/webgl_recorder.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace {

using Point = std::array<float, 3>;

class WebglLayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        webgl_layer_lost();
        gpu_recorder = GpuRecorder();
        ASSERT_TRUE(webgl_layer_open(800, 600));
        gpu_recorder.calls.clear();
    }
};

// A list of points as the core builds its lattice: six faces of a cube of edge 2, (steps + 1)^2
// points each, in rows along one axis; their positions in *points.
GLuint cube_list(int steps, std::vector<Point>* points)
{
    for (int face = 0; face < 6; ++face)
        for (int i = 0; i <= steps; ++i)
            for (int j = 0; j <= steps; ++j) {
                const float a = -1.0f + 2.0f * static_cast<float>(i) / static_cast<float>(steps);
                const float b = -1.0f + 2.0f * static_cast<float>(j) / static_cast<float>(steps);
                const float h = face % 2 == 0 ? 1.0f : -1.0f;
                points->push_back(face < 2 ? Point{a, b, h} : face < 4 ? Point{a, h, b} : Point{h, a, b});
            }
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glColor4f(1.0f, 0.98f, 0.98f, 1.0f);
    glBegin(GL_POINTS);
    for (const Point& p : *points)
        glVertex3f(p[0], p[1], p[2]);
    glEnd();
    glEndList();
    return list;
}

// The fade as the core draws it, in window coordinates: one quad blended by its alpha.
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
    glOrtho(0.0, 800.0, 0.0, 600.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gpu_recorder.calls.clear();
}

} // namespace

TEST_F(WebglLayer, ListIsUploadedOnceAndReplayedWithoutItsVertices)
{
    std::vector<Point> points;
    const GLuint list = cube_list(20, &points);
    // Positions only: the colour was set outside glBegin and stays a constant.
    EXPECT_EQ(gpu_recorder.names(), "buffer_create");
    EXPECT_EQ(gpu_recorder.calls[0].args[0], static_cast<double>(points.size() * 3 * sizeof(float)));
    // Identity matrices put the cube on the clip volume's surface: every run is drawn, as one range.
    gpu_recorder.calls.clear();
    glCallList(list);
    EXPECT_EQ(gpu_recorder.names(), "matrices program_use program_make point_size attribute attribute attribute draw");
    EXPECT_EQ(gpu_recorder.named("draw")[0].args,
              (std::vector<double>{GL_POINTS, 0, static_cast<double>(points.size()), 1, 0, -1, -1, -1}));
    // Nothing changed: the second replay sends the draw alone.
    gpu_recorder.calls.clear();
    glCallList(list);
    EXPECT_EQ(gpu_recorder.names(), "draw");
}

TEST_F(WebglLayer, CullingLeavesOutOnlyRunsWithNoPointInTheClipVolume)
{
    std::vector<Point> points;
    const GLuint list = cube_list(40, &points);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(60.0, 4.0 / 3.0, 0.01, 5.0);
    glMatrixMode(GL_MODELVIEW);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> angle(0.0f, 360.0f);
    std::uniform_real_distribution<float> offset(-0.9f, 0.9f);
    int viewsCulling = 0;
    for (int view = 0; view < 40; ++view) {
        glLoadIdentity();
        glRotatef(angle(random), 1.0f, 0.0f, 0.0f);
        glRotatef(angle(random), 0.0f, 1.0f, 0.0f);
        glTranslatef(offset(random), offset(random), offset(random));
        gpu_recorder.calls.clear();
        glCallList(list);
        ASSERT_EQ(gpu_recorder.named("matrices").size(), 1u);
        const std::vector<double> mvp = gpu_recorder.named("matrices")[0].args;
        // Ranges of the one buffer in the list's order, none twice.
        std::vector<bool> drawn(points.size(), false);
        int end = 0;
        for (const GpuCall& d : gpu_recorder.named("draw")) {
            EXPECT_GE(d.args[1], end);
            end = static_cast<int>(d.args[1] + d.args[2]);
            std::fill(drawn.begin() + static_cast<long>(d.args[1]), drawn.begin() + end, true);
        }
        for (std::size_t i = 0; i < points.size(); ++i) {
            double c[4];
            for (std::size_t r = 0; r < 4; ++r)
                c[r] = mvp[r] * points[i][0] + mvp[4 + r] * points[i][1] + mvp[8 + r] * points[i][2] + mvp[12 + r];
            const bool inside = std::fabs(c[0]) <= c[3] && std::fabs(c[1]) <= c[3] && std::fabs(c[2]) <= c[3];
            EXPECT_TRUE(drawn[i] || !inside) << "view " << view << ", point " << i;
        }
        viewsCulling += std::count(drawn.begin(), drawn.end(), false) > 0 ? 1 : 0;
    }
    EXPECT_GT(viewsCulling, 30);

    // A row past the left edge by less than a pixel is kept: its points would be placed on the
    // edge's pixel. One far past it is left out.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLuint rows = glGenLists(1);
    glNewList(rows, GL_COMPILE);
    glBegin(GL_POINTS);
    for (const float x : {-1.0f - 1e-4f, -1.5f})
        for (int j = 0; j <= 40; ++j)
            glVertex3f(x, -0.5f + static_cast<float>(j) / 40.0f, 0.0f);
    glEnd();
    glEndList();
    gpu_recorder.calls.clear();
    glCallList(rows);
    ASSERT_EQ(gpu_recorder.named("draw").size(), 1u);
    EXPECT_EQ(gpu_recorder.named("draw")[0].args[1], 0);
    EXPECT_EQ(gpu_recorder.named("draw")[0].args[2], 41);
}

TEST_F(WebglLayer, ExactBlendCopiesThePictureAndLeavesBlendingOn)
{
    window_coordinates();
    fade_quad(100.0f, 500.0f);
    EXPECT_EQ(gpu_recorder.names(), "stream matrices program_use program_make point_size attribute attribute "
                                    "attribute copy_picture capability draw_quads capability");
    EXPECT_EQ(gpu_recorder.named("program_make")[0].args[0], PROGRAM_EXACT_BLEND | PROGRAM_PLACE_RECTANGLES);
    EXPECT_EQ(gpu_recorder.named("capability")[0].args, (std::vector<double>{GL_BLEND, 0}));
    EXPECT_EQ(gpu_recorder.named("capability")[1].args, (std::vector<double>{GL_BLEND, 1}));
    // Without blending: the GPU's own drawing, no copy.
    glDisable(GL_BLEND);
    gpu_recorder.calls.clear();
    fade_quad(100.0f, 500.0f);
    EXPECT_TRUE(gpu_recorder.named("copy_picture").empty());
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
    for (const bool fog : {true, false, true}) {
        fog ? glEnable(GL_FOG) : glDisable(GL_FOG);
        point();
    }
    // Two programs, each made once; the fog's inputs sent once; matrices and constants once.
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
}
