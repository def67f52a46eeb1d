// Windows stand-in for GLUT's elapsed-time query: milliseconds since the first query, from the
// performance counter, wrapping like GLUT's int count. Other queries answer 0.
#include <windows.h>

#include <GL/glut.h>

extern "C" int glutGet(GLenum query)
{
    if (query != GLUT_ELAPSED_TIME)
        return 0;
    static LARGE_INTEGER frequency;
    static LARGE_INTEGER origin;
    if (frequency.QuadPart == 0) {
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&origin);
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const long long ms = (now.QuadPart - origin.QuadPart) * 1000 / frequency.QuadPart;
    return static_cast<int>(static_cast<unsigned int>(ms));
}
