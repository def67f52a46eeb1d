// View layout: viewport rectangles in window pixels, and the per-frame clear with letterbox bars and
// the translucent fade quad that leaves trails.
#include "view/view_layout.h"

#include <GL/gl.h>

namespace {

// Float-to-integer for GL: truncation toward zero.
GLint trunc_i(float v) { return static_cast<GLint>(v); }

// Whether index names one of the viewport slots.
bool valid_slot(int index) { return index >= 0 && index < kMaxViewports; }

} // namespace

Viewport::Viewport()
{
    letterboxed = 0;
    fracLeft = 0.0f;
    fracBottom = 0.0f;
    fracRight = 1.0f;
    fracTop = 1.0f;
    parentLeft = 0.0f;
    parentBottom = 0.0f;
    parentRight = 100.0f;
    parentTop = 100.0f;
    parentWidth = 100.0f;
    parentHeight = 100.0f;
    computePixelRect();
}

Viewport::~Viewport() {}

void Viewport::setFraction(double l, double b, double r, double t)
{
    fracLeft = static_cast<float>(l);
    fracBottom = static_cast<float>(b);
    fracRight = static_cast<float>(r);
    fracTop = static_cast<float>(t);
}

void Viewport::setParentRect(double l, double b, double r, double t)
{
    parentLeft = static_cast<float>(l);
    parentBottom = static_cast<float>(b);
    parentRight = static_cast<float>(r);
    parentTop = static_cast<float>(t);
    parentWidth = parentRight - parentLeft;
    parentHeight = parentTop - parentBottom;
}

void Viewport::computePixelRect()
{
    left = fracLeft * parentWidth + parentLeft;
    bottom = fracBottom * parentHeight + parentBottom;
    right = parentLeft + parentWidth * fracRight;
    top = parentBottom + parentHeight * fracTop;
    width = right - left;
    height = top - bottom;
}

void Viewport::applyViewport() const
{
    // An inverted rectangle (letterbox of 0.5 or more) is handed on as empty, not as a negative size.
    const GLint w = trunc_i(width);
    const GLint h = trunc_i(height);
    glViewport(trunc_i(left), trunc_i(bottom), w > 0 ? w : 0, h > 0 ? h : 0);
}

void Viewport::applyOrtho() const
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(trunc_i(left), trunc_i(right), trunc_i(bottom), trunc_i(top), -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

ViewLayout::ViewLayout()
{
    letterbox = 0.0f;
    fadeAlpha = 1.0f;
    setWindowSize(100.0f, 100.0f);
    color = LayoutColor{0.0f, 0.0f, 0.0f, 1.0f};
    // No context exists yet when the static layout is built, so this reaches no later frame.
    glClearColor(color.r, color.g, color.b, color.a);
    viewportCount = 1;
    current = 0;
    viewports[0].letterboxed = 0;
    viewports[0].setFraction(0.0, 0.0, 1.0, 1.0);
    viewports[0].setParentRect(left, bottom, right, top);
    viewports[0].computePixelRect();
}

ViewLayout::~ViewLayout() {}

void ViewLayout::setWindowSize(float width, float height)
{
    windowWidth = width;
    windowHeight = height;
    left = 0.0f;
    bottom = 0.0f;
    right = width;
    top = height;
    extentX = right - left;
    extentY = top - bottom;
}

void ViewLayout::setColor(float r, float g, float b, float a)
{
    color = LayoutColor{r, g, b, a};
}

void ViewLayout::clearFrame()
{
    const float f = letterbox;
    const float a = fadeAlpha;
    if (f == 0.0f && a == 1.0f) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return;
    }
    glClear(GL_DEPTH_BUFFER_BIT);

    // Computed in double and rounded to float once, as each vertex is handed to GL.
    const double h = windowHeight;
    const float rightX = windowWidth;
    const float bandBottom = static_cast<float>(h * f);
    const float bottomBarTop = static_cast<float>(h * f + 1.0);
    const float bandTop = static_cast<float>((1.0 - f) * h - 1.0);
    const float topY = static_cast<float>(h);

    glDisable(GL_BLEND);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(rightX, 0.0f);
    glVertex2f(rightX, bottomBarTop);
    glVertex2f(0.0f, bottomBarTop);
    glVertex2f(0.0f, bandTop);
    glVertex2f(rightX, bandTop);
    glVertex2f(rightX, topY);
    glVertex2f(0.0f, topY);
    glEnd();

    if (a != 1.0f) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glColor4f(color.r, color.g, color.b, a);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, bandBottom);
    glVertex2f(rightX, bandBottom);
    glVertex2f(rightX, bandTop);
    glVertex2f(0.0f, bandTop);
    glEnd();
}

void ViewLayout::applyViewport(int index)
{
    // Indices outside the slots are ignored: current and the GL viewport stay as they were.
    if (!valid_slot(index))
        return;
    current = index;
    viewports[index].applyViewport();
}

void ViewLayout::applyOrtho(int index)
{
    // Indices outside the slots are ignored, as in applyViewport.
    if (!valid_slot(index))
        return;
    current = index;
    viewports[index].applyOrtho();
}

void ViewLayout::updateLayout()
{
    // A count above the slots lays out all ten; a count of zero or below lays out none.
    const int count = viewportCount < kMaxViewports ? viewportCount : kMaxViewports;
    const float inset = extentY * letterbox;
    for (int i = 0; i < count; ++i) {
        Viewport& v = viewports[i];
        if (v.letterboxed == 0)
            v.setParentRect(left, bottom, right, top);
        else
            v.setParentRect(left, bottom + inset, right, top - inset);
        v.computePixelRect();
    }
}
