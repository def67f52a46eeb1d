// The view layout: the window divided into viewports, and the per-frame clear that repaints the
// letterbox bars and lays the translucent fade quad instead of clearing the colour buffer.
#ifndef LATTICEDRIFT_VIEW_VIEW_LAYOUT_H
#define LATTICEDRIFT_VIEW_VIEW_LAYOUT_H

#include "view/camera.h"

constexpr int kMaxViewports = 10;

// One view: its fractional rectangle inside a parent rectangle, the derived pixel rectangle, and
// its camera.
class Viewport {
public:
    Viewport();
    virtual ~Viewport();

    // Stores the fractions; the pixel rectangle follows at the next computePixelRect.
    void setFraction(double l, double b, double r, double t);
    // Stores the parent rectangle in window pixels and its width and height.
    void setParentRect(double l, double b, double r, double t);
    // Derives left, bottom, right, top, width and height from the fractions and the parent.
    void computePixelRect();
    // glViewport with the pixel rectangle, each value truncated toward zero.
    void applyViewport() const;
    // Loads an orthographic projection mapping the viewport's own pixel rectangle, and resets the
    // model-view matrix.
    void applyOrtho() const;

    ViewCamera camera;
    int letterboxed;
    float fracLeft;
    float fracBottom;
    float fracRight;
    float fracTop;
    float left;
    float bottom;
    float right;
    float top;
    float width;
    float height;
    float parentLeft;
    float parentBottom;
    float parentRight;
    float parentTop;
    float parentWidth;
    float parentHeight;
};

// Background colour of the fade quad.
struct LayoutColor {
    float r;
    float g;
    float b;
    float a;
};

class ViewLayout {
public:
    ViewLayout();
    virtual ~ViewLayout();

    // Records the window size and the window rectangle; viewports follow at the next updateLayout.
    void setWindowSize(float width, float height);
    // Stores the fade quad's colour (nothing is handed to GL).
    void setColor(float r, float g, float b, float a);
    // Clears depth, repaints the letterbox bars and lays the fade quad (or clears everything when
    // there is neither letterbox nor fade).
    void clearFrame();
    // Makes viewport `index` current and hands its rectangle to glViewport.
    void applyViewport(int index);
    // Makes viewport `index` current and loads its pixel orthographic projection.
    void applyOrtho(int index);
    // Recomputes the parent and pixel rectangles of the viewports in use.
    void updateLayout();

    float extentX;
    float extentY;
    float fadeAlpha;
    float left;
    float top;
    float right;
    float bottom;
    LayoutColor color;
    float windowWidth;
    float windowHeight;
    float letterbox;
    int viewportCount;
    int current;
    Viewport viewports[kMaxViewports];
};

#endif
