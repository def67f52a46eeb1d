// PointField: random points placed by rejection sampling, compiled into one display list, and
// replayed as rotated copies.
#include "draw/point_field.h"

#include "view/camera.h"
#include "view/random.h"

#include <cmath>

namespace {

// Candidates tried for one point before the build gives up; far beyond what any field with room
// for its points needs, it only stops a shell too thin to ever accept one.
constexpr long MAX_CANDIDATES_PER_POINT = 1000000;

} // namespace

PointField::PointField()
    : listName(0), pointCount(10), shape(1), blend(1), depthTest(0), depthWrite(0), copies(1), follow(0),
      fogged(0), outerSize(2.0), innerSize(0.0), colourSpread(0.3), colourBase(0.7)
{
}

PointField::~PointField()
{
    release();
}

void PointField::build()
{
    // Without a copy or with no room outside the core there is nothing to place.
    if (copies < 1 || !(outerSize > 0.2) || !std::isfinite(outerSize)) {
        release();
        return;
    }
    const float rOut = static_cast<float>(outerSize * 0.5);
    if (outerSize * 0.9 < innerSize)
        innerSize = outerSize * 0.9;
    const float rIn = static_cast<float>(innerSize * 0.5 + 0.01);
    const float rIn2 = rIn * rIn;
    const float rOut2 = rOut * rOut;
    const bool room = shape == 1 ? !(rIn >= rOut) : rIn2 < rOut2;
    if (!room || !std::isfinite(rOut)) {
        release();
        return;
    }

    release();
    listName = glGenLists(1);
    if (listName == 0)
        return;
    glNewList(listName, GL_COMPILE);
    glBegin(GL_POINTS);

    const int count = pointCount / copies;
    for (int n = 0; n < count; ++n) {
        float x = 0.0f;
        float y = 0.0f;
        float z = 0.0f;
        long tries = 0;
        if (shape == 1) {
            while (std::fabs(x) < rIn && std::fabs(y) < rIn && std::fabs(z) < rIn && tries++ < MAX_CANDIDATES_PER_POINT) {
                x = (frand(2.0f) - 1.0f) * rOut;
                y = (frand(2.0f) - 1.0f) * rOut;
                z = (frand(2.0f) - 1.0f) * rOut;
            }
        } else {
            bool accepted = false;
            while (!accepted && tries++ < MAX_CANDIDATES_PER_POINT) {
                x = (frand(2.0f) - 1.0f) * rOut;
                y = (frand(2.0f) - 1.0f) * rOut;
                z = (frand(2.0f) - 1.0f) * rOut;
                const float d2 = x * x + y * y + z * z;
                accepted = rIn2 <= d2 && d2 <= rOut2 && (shape != 2 || y >= 0.0f);
            }
        }
        if (tries > MAX_CANDIDATES_PER_POINT) {
            glEnd();
            glEndList();
            release();
            return;
        }

        double red;
        double green;
        double blue;
        if (frand(1.0) < 0.1) {
            blue = colourSpread + frand(colourBase);
            green = colourSpread + frand(colourBase);
            red = colourSpread + frand(colourBase);
        } else {
            blue = colourBase + frand(colourSpread);
            green = colourBase + frand(colourSpread);
            red = colourBase + frand(colourSpread);
        }
        glColor3d(red, green, blue);
        glVertex3d(x, y, z);
    }

    glEnd();
    glEndList();
}

void PointField::draw(const ViewCamera& viewCamera)
{
    if (listName == 0)
        return;
    if (blend) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
    }
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
    glDepthMask(depthWrite ? GL_TRUE : GL_FALSE);

    glPushMatrix();
    if (follow) {
        const Vec3& p = viewCamera.camera.position;
        glTranslatef(p.x, p.y, -p.z);
    }
    const float step = copies > 0 ? 360.0f / static_cast<float>(copies) : 0.0f;
    for (int i = 0; i < copies; ++i) {
        glRotatef(step, 0.0f, 1.0f, 0.0f);
        glPointSize(static_cast<float>(i + 1));
        glCallList(listName);
    }
    glPopMatrix();

    if (blend)
        glDisable(GL_BLEND);
    if (depthTest)
        glDisable(GL_DEPTH_TEST);
}

void PointField::release()
{
    if (listName != 0) {
        glDeleteLists(listName, 1);
        listName = 0;
    }
}
