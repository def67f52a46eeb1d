// The frame keeper: tiles of textures, filled by glCopyTexSubImage2D and drawn back by textured
// quads with nearest sampling, so that every pixel comes back unchanged.
#include "host/frame_keeper.h"

#include <algorithm>
#include <initializer_list>

namespace {

constexpr int BELOW_MAX_SPANS = 4;
// OpenGL 1.1 promises textures of at least this side.
constexpr int SMALLEST_LIMIT = 64;

int power_of_two_at_least(int n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

int power_of_two_at_most(int n)
{
    int p = 1;
    while (p * 2 <= n)
        p *= 2;
    return p;
}

// A format with as many bits per channel as the colour buffer, and no alpha: what is drawn back
// is opaque, whatever the window's alpha held.
GLenum format_for_colour_buffer()
{
    GLint bits[3] = {};
    glGetIntegerv(GL_RED_BITS, &bits[0]);
    glGetIntegerv(GL_GREEN_BITS, &bits[1]);
    glGetIntegerv(GL_BLUE_BITS, &bits[2]);
    const GLint most = std::max({ bits[0], bits[1], bits[2] });
    if (most <= 8)
        return GL_RGB8;
    if (most <= 10)
        return GL_RGB10;
    if (most <= 12)
        return GL_RGB12;
    return GL_RGB16;
}

// Errors of earlier calls, so that the next check sees only its own (bounded: a lost context may
// report for ever).
void drop_gl_errors()
{
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

} // namespace

std::vector<KeeperSpan> keeper_spans(int length, int maxSize)
{
    std::vector<KeeperSpan> spans;
    int belowMax = 0;
    for (int start = 0; start < length;) {
        const int left = length - start;
        int size = maxSize;
        if (left < maxSize)
            size = ++belowMax < BELOW_MAX_SPANS ? power_of_two_at_most(left) : power_of_two_at_least(left);
        const int covered = std::min(size, left);
        spans.push_back({ start, covered, size });
        start += covered;
    }
    return spans;
}

void FrameKeeper::resize(int windowWidth, int windowHeight)
{
    release();
    width = windowWidth;
    height = windowHeight;
    if (width <= 0 || height <= 0)
        return;
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    limit = power_of_two_at_most(std::max<GLint>(limit, SMALLEST_LIMIT));
    if (maxTileSize > 0)
        limit = std::min(limit, power_of_two_at_most(maxTileSize));
    format = format_for_colour_buffer();

    const std::vector<KeeperSpan> across = keeper_spans(width, limit);
    const std::vector<KeeperSpan> up = keeper_spans(height, limit);
    tiles.reserve(across.size() * up.size());
    glPushAttrib(GL_TEXTURE_BIT);
    drop_gl_errors();
    for (const KeeperSpan& row : up) {
        for (const KeeperSpan& column : across) {
            Tile tile{ 0, column.start, row.start, column.length, row.length, column.size, row.size };
            if (static_cast<int>(tiles.size()) != refusedTile) {
                glGenTextures(1, &tile.texture);
                glBindTexture(GL_TEXTURE_2D, tile.texture);
                glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), tile.textureWidth, tile.textureHeight, 0,
                             GL_RGB, GL_UNSIGNED_BYTE, nullptr);
                if (glGetError() != GL_NO_ERROR) {
                    glDeleteTextures(1, &tile.texture);
                    tile.texture = 0;
                    drop_gl_errors();
                } else {
                    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
                    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
                }
            }
            tiles.push_back(tile);
        }
    }
    glPopAttrib();
}

void FrameKeeper::save()
{
    glPushAttrib(GL_TEXTURE_BIT);
    for (const Tile& tile : tiles) {
        if (tile.texture == 0)
            continue;
        glBindTexture(GL_TEXTURE_2D, tile.texture);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, tile.x, tile.y, tile.width, tile.height);
    }
    glPopAttrib();
    held = !tiles.empty();
}

void FrameKeeper::restore() const
{
    if (!held)
        return;
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT |
                 GL_POLYGON_BIT | GL_CURRENT_BIT | GL_TRANSFORM_BIT | GL_SCISSOR_BIT);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(0, 0, width, height);
    for (GLenum capability : { GL_BLEND, GL_DEPTH_TEST, GL_FOG, GL_LIGHTING, GL_CULL_FACE, GL_ALPHA_TEST,
                               GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_DITHER, GL_COLOR_LOGIC_OP })
        glDisable(capability);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_FALSE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    for (const Tile& tile : tiles) {
        if (tile.texture == 0) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(tile.x, tile.y, tile.width, tile.height);
            glClear(GL_COLOR_BUFFER_BIT);
            glDisable(GL_SCISSOR_TEST);
            continue;
        }
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, tile.texture);
        const float s = static_cast<float>(tile.width) / static_cast<float>(tile.textureWidth);
        const float t = static_cast<float>(tile.height) / static_cast<float>(tile.textureHeight);
        const float x0 = static_cast<float>(tile.x);
        const float y0 = static_cast<float>(tile.y);
        const float x1 = static_cast<float>(tile.x + tile.width);
        const float y1 = static_cast<float>(tile.y + tile.height);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(x0, y0);
        glTexCoord2f(s, 0.0f);
        glVertex2f(x1, y0);
        glTexCoord2f(s, t);
        glVertex2f(x1, y1);
        glTexCoord2f(0.0f, t);
        glVertex2f(x0, y1);
        glEnd();
        glDisable(GL_TEXTURE_2D);
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glPopAttrib();
}

void FrameKeeper::release()
{
    for (const Tile& tile : tiles)
        if (tile.texture != 0)
            glDeleteTextures(1, &tile.texture);
    tiles.clear();
    held = false;
}

int FrameKeeper::missingTiles() const
{
    return static_cast<int>(std::count_if(tiles.begin(), tiles.end(), [](const Tile& t) { return t.texture == 0; }));
}
