// The one GLUT query the scene uses, for builds without GLUT (all of ours): whole milliseconds
// elapsed, as an int, with GLUT's name, constant and meaning. Each platform serves it in compat/.
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
