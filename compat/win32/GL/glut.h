// The one GLUT query the scene uses, for the Windows build, which has no GLUT.
// Same name, constant and meaning as GLUT's: whole milliseconds elapsed, as an int.
#ifndef LATTICEDRIFT_COMPAT_GLUT_H
#define LATTICEDRIFT_COMPAT_GLUT_H

#include <GL/gl.h>

#define GLUT_ELAPSED_TIME 0x02BC

#ifdef __cplusplus
extern "C" {
#endif
int glutGet(GLenum query);
#ifdef __cplusplus
}
#endif

#endif
