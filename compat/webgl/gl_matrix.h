// The matrix arithmetic of our OpenGL 1.1 layer: column-major 4x4 float matrices as GL keeps them,
// the transforms the core asks for and GLU's perspective and viewing matrices. Free of GL, so a
// native test holds it against Mesa's GL and GLU.
#ifndef LATTICEDRIFT_COMPAT_WEBGL_GL_MATRIX_H
#define LATTICEDRIFT_COMPAT_WEBGL_GL_MATRIX_H

struct Mat4 {
    float m[16];
};

Mat4 mat_identity();
// a * b, each element summed in the order GL's own products take.
Mat4 mat_multiply(const Mat4& a, const Mat4& b);
// m * rotation by `degrees` about (x, y, z) (normalised here); the axes themselves rotate exactly.
Mat4 mat_rotate(const Mat4& m, float degrees, float x, float y, float z);
// m * translation by (x, y, z).
Mat4 mat_translate(const Mat4& m, float x, float y, float z);
// m * the orthographic projection of glOrtho; m unchanged for an empty volume.
Mat4 mat_ortho(const Mat4& m, double left, double right, double bottom, double top, double zNear, double zFar);
// m * gluPerspective's projection, formed in double and multiplied in float; m unchanged when the
// volume is empty or the angle gives no projection.
Mat4 mat_perspective(const Mat4& m, double fovyDegrees, double aspect, double zNear, double zFar);
// m * gluLookAt's viewing transform (rotation, then the eye's translation).
Mat4 mat_look_at(const Mat4& m, const double eye[3], const double center[3], const double up[3]);
// The inverse transpose of m's upper 3x3 (how normals go to eye space), column-major as GLSL's
// mat3 takes it; identity when m has no inverse.
void mat_normal_matrix(const Mat4& m, float out[9]);
// m * v for a point (x, y, z, w).
void mat_transform(const Mat4& m, const float v[4], float out[4]);

#endif
