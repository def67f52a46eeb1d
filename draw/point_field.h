// PointField: a cloud of random points around the origin compiled once into a display list and
// replayed, optionally as rotated copies with growing point sizes. Part of the drawing core.
#ifndef LATTICEDRIFT_DRAW_POINT_FIELD_H
#define LATTICEDRIFT_DRAW_POINT_FIELD_H

#include <GL/gl.h>

#include <cstdint>

class ViewCamera;

class PointField {
public:
    PointField();
    virtual ~PointField();

    // Replaces the display list by a new one of pointCount / copies random points. Builds nothing
    // (listName 0) when copies is below 1 or the size settings leave no room to place a point.
    void build();
    // Replays the list with the field's state flags; reads the camera's position only with follow.
    void draw(const ViewCamera& viewCamera);
    // Deletes the display list, if any.
    void release();

    GLuint listName;
    std::int32_t pointCount;
    std::int32_t shape;
    std::int32_t blend;
    std::int32_t depthTest;
    std::int32_t depthWrite;
    std::int32_t copies;
    std::int32_t follow;
    std::int32_t fogged;
    double outerSize;
    double innerSize;
    double colourSpread;
    double colourBase;
};

#endif
