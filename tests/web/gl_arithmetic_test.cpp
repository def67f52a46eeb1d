// Our OpenGL 1.1 layer's arithmetic against Mesa's GL and GLU on random inputs: every transform
// the core asks for must give the same float matrix bit for bit, every mipmap level the same bytes.
#include "compat/webgl/gl_matrix.h"
#include "compat/webgl/glu_mipmap.h"
#include "tests/support/gl_test_context.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

void load(const Mat4& m)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(m.m);
}

Mat4 mesa_matrix()
{
    Mat4 out;
    glGetFloatv(GL_MODELVIEW_MATRIX, out.m);
    return out;
}

// The first element whose bits differ, or "".
std::string first_difference(const Mat4& mesa, const Mat4& ours)
{
    for (int i = 0; i < 16; ++i)
        if (std::memcmp(&mesa.m[i], &ours.m[i], sizeof(float)) != 0)
            return "element " + std::to_string(i) + ": Mesa " + std::to_string(mesa.m[i]) + ", ours " +
                   std::to_string(ours.m[i]);
    return "";
}

} // namespace

TEST(WebglArithmetic, TransformsMatchMesaBitForBit)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    std::mt19937 random(1);
    std::uniform_real_distribution<float> any(-3.0f, 3.0f);
    std::uniform_real_distribution<float> degrees(-720.0f, 720.0f);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int round = 0; round < 3000 && !HasFailure(); ++round) {
        Mat4 start;
        for (float& v : start.m)
            v = any(random);
        const std::string where = " in round " + std::to_string(round);

        // About each axis either way, and about any axis.
        const int axis = round % 4;
        const float sign = round % 8 < 4 ? 1.0f : -1.0f;
        const float angle = degrees(random);
        const float x = axis == 0 ? sign : axis == 3 ? any(random) : 0.0f;
        const float y = axis == 1 ? sign : axis == 3 ? any(random) : 0.0f;
        const float z = axis == 2 ? sign : axis == 3 ? any(random) : 0.0f;
        load(start);
        glRotatef(angle, x, y, z);
        EXPECT_EQ(first_difference(mesa_matrix(), mat_rotate(start, angle, x, y, z)), "") << "glRotatef" << where;

        const float tx = any(random), ty = any(random), tz = any(random);
        load(start);
        glTranslatef(tx, ty, tz);
        EXPECT_EQ(first_difference(mesa_matrix(), mat_translate(start, tx, ty, tz)), "") << "glTranslatef" << where;

        // The layout's whole-pixel rectangles.
        const double left = std::floor(unit(random) * 200.0 - 100.0);
        const double right = left + 1.0 + std::floor(unit(random) * 2000.0);
        const double bottom = std::floor(unit(random) * 200.0 - 100.0);
        const double top = bottom + 1.0 + std::floor(unit(random) * 2000.0);
        load(start);
        glOrtho(left, right, bottom, top, -1.0, 1.0);
        EXPECT_EQ(first_difference(mesa_matrix(), mat_ortho(start, left, right, bottom, top, -1.0, 1.0)), "")
            << "glOrtho" << where;

        const double fovy = 10.0 + unit(random) * 150.0;
        const double aspect = 0.2 + unit(random) * 4.0;
        const double zNear = 0.001 + unit(random) * 0.1;
        const double zFar = zNear + 0.1 + unit(random) * 10.0;
        load(start);
        gluPerspective(fovy, aspect, zNear, zFar);
        EXPECT_EQ(first_difference(mesa_matrix(), mat_perspective(start, fovy, aspect, zNear, zFar)), "")
            << "gluPerspective" << where;

        // Every other round the camera's own call: down -z from the eye, y up.
        double eye[3] = {any(random), any(random), any(random)};
        double center[3] = {any(random), any(random), any(random)};
        double up[3] = {any(random), any(random), any(random)};
        if (round % 2 == 0) {
            eye[0] = eye[1] = center[0] = center[1] = up[0] = up[2] = 0.0;
            center[2] = eye[2] - 1.0;
            up[1] = 1.0;
        }
        load(start);
        gluLookAt(eye[0], eye[1], eye[2], center[0], center[1], center[2], up[0], up[1], up[2]);
        EXPECT_EQ(first_difference(mesa_matrix(), mat_look_at(start, eye, center, up)), "") << "gluLookAt" << where;

        Mat4 other;
        for (float& v : other.m)
            v = any(random);
        load(start);
        glMultMatrixf(other.m);
        EXPECT_EQ(first_difference(mesa_matrix(), mat_multiply(start, other)), "") << "glMultMatrixf" << where;
    }
}

TEST(WebglArithmetic, MipmapLevelsMatchMesaGlu)
{
    ASSERT_TRUE(use_gl_context(16, 16)) << gl_context_error();
    std::mt19937 random(2);
    // The check texture's size, and shapes whose sides reach 1 before the other.
    const int sizes[][2] = {{256, 256}, {64, 16}, {1, 32}, {32, 1}};
    for (const auto& size : sizes) {
        int w = size[0];
        int h = size[1];
        std::vector<unsigned char> level(static_cast<size_t>(w) * h * 4);
        for (unsigned char& b : level)
            b = static_cast<unsigned char>(random());
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, 4, w, h, GL_RGBA, GL_UNSIGNED_BYTE, level.data()), 0);
        std::vector<unsigned char> below;
        for (int n = 1; w > 1 || h > 1; ++n) {
            below.resize(static_cast<size_t>(next_level_side(w)) * next_level_side(h) * 4);
            halve_rgba(level.data(), w, h, below.data());
            w = next_level_side(w);
            h = next_level_side(h);
            level.swap(below);
            std::vector<unsigned char> mesa(level.size());
            glGetTexImage(GL_TEXTURE_2D, n, GL_RGBA, GL_UNSIGNED_BYTE, mesa.data());
            ASSERT_EQ(mesa, level) << size[0] << "x" << size[1] << ", level " << n;
        }
        glDeleteTextures(1, &texture);
    }
}

TEST(WebglArithmetic, NormalMatrixIsTheInverseTranspose)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> any(-2.0f, 2.0f);
    for (int round = 0; round < 200; ++round) {
        Mat4 m = mat_identity();
        for (int col = 0; col < 3; ++col)
            for (int row = 0; row < 3; ++row)
                m.m[col * 4 + row] = any(random) + (row == col ? 3.0f : 0.0f);
        float n[9];
        mat_normal_matrix(m, n);
        // N^T times the upper 3x3 of m is the identity.
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                float sum = 0.0f;
                for (int k = 0; k < 3; ++k)
                    sum += n[i * 3 + k] * m.m[j * 4 + k];
                ASSERT_NEAR(sum, i == j ? 1.0f : 0.0f, 1e-4f) << "round " << round;
            }
    }
}
