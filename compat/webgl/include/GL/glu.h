// The GLU calls of the portable core, for the browser build: served by our layer on WebGL 2
// (compat/webgl/webgl_glu.cpp).
#ifndef LATTICEDRIFT_WEBGL_GLU_H
#define LATTICEDRIFT_WEBGL_GLU_H

#include <GL/gl.h>

#ifdef __cplusplus
extern "C" {
#endif

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
               GLdouble upX, GLdouble upY, GLdouble upZ);
GLint gluBuild2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format, GLenum type,
                        const void* data);

#ifdef __cplusplus
}
#endif

#endif
