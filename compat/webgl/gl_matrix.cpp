// Matrix arithmetic of the OpenGL 1.1 layer (see gl_matrix.h).
#include "compat/webgl/gl_matrix.h"

#include <cmath>

namespace {

constexpr double PI = 3.14159265358979323846;

float& at(Mat4& m, int row, int col) { return m.m[col * 4 + row]; }

} // namespace

Mat4 mat_identity()
{
    Mat4 r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
    return r;
}

Mat4 mat_multiply(const Mat4& a, const Mat4& b)
{
    Mat4 r;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            const float* bc = &b.m[col * 4];
            r.m[col * 4 + row] =
                a.m[row] * bc[0] + a.m[4 + row] * bc[1] + a.m[8 + row] * bc[2] + a.m[12 + row] * bc[3];
        }
    return r;
}

Mat4 mat_rotate(const Mat4& m, float degrees, float x, float y, float z)
{
    // The angle in radians formed in double and rounded once; its sine and cosine in float.
    const auto radians = static_cast<float>(degrees * PI / 180.0);
    const float s = std::sin(radians);
    const float c = std::cos(radians);
    Mat4 r = mat_identity();
    // About one axis the matrix is exact: 1 on that axis, cosine and sine on the other two.
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        const float sz = z < 0.0f ? -s : s;
        at(r, 0, 0) = c;
        at(r, 1, 1) = c;
        at(r, 0, 1) = -sz;
        at(r, 1, 0) = sz;
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        const float sy = y < 0.0f ? -s : s;
        at(r, 0, 0) = c;
        at(r, 2, 2) = c;
        at(r, 0, 2) = sy;
        at(r, 2, 0) = -sy;
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        const float sx = x < 0.0f ? -s : s;
        at(r, 1, 1) = c;
        at(r, 2, 2) = c;
        at(r, 1, 2) = -sx;
        at(r, 2, 1) = sx;
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (!(length > 0.0f))
            return m;
        x /= length;
        y /= length;
        z /= length;
        const float k = 1.0f - c;
        at(r, 0, 0) = x * x * k + c;
        at(r, 0, 1) = x * y * k - z * s;
        at(r, 0, 2) = x * z * k + y * s;
        at(r, 1, 0) = y * x * k + z * s;
        at(r, 1, 1) = y * y * k + c;
        at(r, 1, 2) = y * z * k - x * s;
        at(r, 2, 0) = x * z * k - y * s;
        at(r, 2, 1) = y * z * k + x * s;
        at(r, 2, 2) = z * z * k + c;
    }
    return mat_multiply(m, r);
}

Mat4 mat_translate(const Mat4& m, float x, float y, float z)
{
    Mat4 r = m;
    for (int row = 0; row < 4; ++row)
        r.m[12 + row] = m.m[row] * x + m.m[4 + row] * y + m.m[8 + row] * z + m.m[12 + row];
    return r;
}

Mat4 mat_ortho(const Mat4& m, double left, double right, double bottom, double top, double zNear, double zFar)
{
    if (left == right || bottom == top || zNear == zFar)
        return m;
    Mat4 o = mat_identity();
    at(o, 0, 0) = static_cast<float>(2.0 / (right - left));
    at(o, 1, 1) = static_cast<float>(2.0 / (top - bottom));
    at(o, 2, 2) = static_cast<float>(-2.0 / (zFar - zNear));
    at(o, 0, 3) = static_cast<float>(-(right + left) / (right - left));
    at(o, 1, 3) = static_cast<float>(-(top + bottom) / (top - bottom));
    at(o, 2, 3) = static_cast<float>(-(zFar + zNear) / (zFar - zNear));
    return mat_multiply(m, o);
}

Mat4 mat_perspective(const Mat4& m, double fovyDegrees, double aspect, double zNear, double zFar)
{
    const double radians = fovyDegrees / 2 * PI / 180;
    const double depth = zFar - zNear;
    const double sine = std::sin(radians);
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0)
        return m;
    const double cotangent = std::cos(radians) / sine;
    Mat4 p = mat_identity();
    at(p, 0, 0) = static_cast<float>(cotangent / aspect);
    at(p, 1, 1) = static_cast<float>(cotangent);
    at(p, 2, 2) = static_cast<float>(-(zFar + zNear) / depth);
    at(p, 3, 2) = -1.0f;
    at(p, 2, 3) = static_cast<float>(-2 * zNear * zFar / depth);
    at(p, 3, 3) = 0.0f;
    return mat_multiply(m, p);
}

Mat4 mat_look_at(const Mat4& m, const double eye[3], const double center[3], const double up[3])
{
    float forward[3] = {static_cast<float>(center[0] - eye[0]), static_cast<float>(center[1] - eye[1]),
                        static_cast<float>(center[2] - eye[2])};
    float upward[3] = {static_cast<float>(up[0]), static_cast<float>(up[1]), static_cast<float>(up[2])};
    auto normalize = [](float v[3]) {
        const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (length != 0.0f) {
            v[0] /= length;
            v[1] /= length;
            v[2] /= length;
        }
    };
    auto cross = [](const float a[3], const float b[3], float out[3]) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    normalize(forward);
    float side[3];
    cross(forward, upward, side);
    normalize(side);
    cross(side, forward, upward);

    Mat4 v = mat_identity();
    for (int i = 0; i < 3; ++i) {
        at(v, 0, i) = side[i];
        at(v, 1, i) = upward[i];
        at(v, 2, i) = -forward[i];
    }
    return mat_translate(mat_multiply(m, v), static_cast<float>(-eye[0]), static_cast<float>(-eye[1]),
                         static_cast<float>(-eye[2]));
}

void mat_normal_matrix(const Mat4& m, float out[9])
{
    // The cofactors of the upper 3x3 over its determinant are the inverse transposed.
    const float a = m.m[0], b = m.m[4], c = m.m[8];
    const float d = m.m[1], e = m.m[5], f = m.m[9];
    const float g = m.m[2], h = m.m[6], i = m.m[10];
    const float cofactor[3][3] = {{e * i - f * h, f * g - d * i, d * h - e * g},
                                  {c * h - b * i, a * i - c * g, b * g - a * h},
                                  {b * f - c * e, c * d - a * f, a * e - b * d}};
    const float det = a * cofactor[0][0] + b * cofactor[0][1] + c * cofactor[0][2];
    const bool invertible = det != 0.0f && std::isfinite(det);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            out[col * 3 + row] = invertible ? cofactor[row][col] / det : (row == col ? 1.0f : 0.0f);
}

void mat_transform(const Mat4& m, const float v[4], float out[4])
{
    for (int row = 0; row < 4; ++row)
        out[row] = m.m[row] * v[0] + m.m[4 + row] * v[1] + m.m[8 + row] * v[2] + m.m[12 + row] * v[3];
}
