// Shared by the mesh and scene-object GL tests: an orthographic view down the -z axis at 40
// pixels per unit with the origin at the centre of the 320x240 frame, small test textures,
// stencil reads and a count of what reaches the rasteriser (feedback mode).
#pragma once

#include "geometry/mesh.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

constexpr int pixelsPerUnit = 40;

inline int pixelX(double x) { return int(glTestWidth / 2 + x * pixelsPerUnit); }
inline int pixelY(double y) { return int(glTestHeight / 2 + y * pixelsPerUnit); }
inline Rgba pixelAt(double x, double y) { return readPixel(pixelX(x), pixelY(y)); }

inline int stencilAt(int x, int y)
{
    uint8_t value = 0;
    glReadPixels(x, y, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &value);
    return value;
}

// How many pixels of the frame have a non-zero stencil value.
inline int stencilMarkedPixels()
{
    std::vector<uint8_t> values(size_t(glTestWidth) * glTestHeight);
    glReadPixels(0, 0, glTestWidth, glTestHeight, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, values.data());
    int marked = 0;
    for (uint8_t v : values)
        marked += v != 0;
    return marked;
}

// A nearest-filtered, clamped texture of width x height RGBA texels, rows from t = 0.
inline GLuint makeTexture(int width, int height, const std::vector<uint8_t>& rgba)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

inline GLuint solidTexture(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    return makeTexture(1, 1, {r, g, b, a});
}

// Texel (s 0, t 0) red, (1, 0) green, (0, 1) blue, (1, 1) white.
inline GLuint cornerTexture()
{
    return makeTexture(2, 2, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
}

struct Primitives {
    int polygons = 0;
    int polygonVertices = 0;
    int lines = 0;
};

// What `draw` sends to the rasteriser, through feedback mode (positions only).
inline Primitives feedback(const std::function<void()>& draw)
{
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_2D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    Primitives result;
    for (GLint i = 0; i < used;) {
        const GLint token = GLint(buffer[size_t(i++)]);
        if (token == GL_POLYGON_TOKEN) {
            const int count = int(buffer[size_t(i++)]);
            ++result.polygons;
            result.polygonVertices += count;
            i += 2 * count;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            ++result.lines;
            i += 4;
        } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN || token == GL_DRAW_PIXEL_TOKEN ||
                   token == GL_COPY_PIXEL_TOKEN) {
            i += 2;
        } else {
            i += 1; // pass-through tokens carry one value
        }
    }
    return result;
}

// The view, a clean frame and the world (for the texture combines and the multitexture entry
// points); every attribute is pushed around each test, and the render-mode flags are cleared.
class MeshView : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousWorld = world;
        world = &testWorld;
        testWorld.loadMultitexture();
        altListCompile = negativeMode = stencilWindowMode = false;
        savedFinLength = radialFinLength;
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glViewport(0, 0, glTestWidth, glTestHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-4, 4, -3, 3, -50, 50);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 0);
        glClearStencil(0);
        glClearDepth(1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glColor4f(1, 1, 1, 1);
    }
    void TearDown() override
    {
        glPopAttrib();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        altListCompile = negativeMode = stencilWindowMode = false;
        radialFinLength = savedFinLength;
        world = previousWorld;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    // A large square at depth z, unlit white, that fills the depth buffer as a shadow receiver.
    static void drawFloor(double z)
    {
        glPushAttrib(GL_ENABLE_BIT);
        glEnable(GL_DEPTH_TEST);
        glBegin(GL_QUADS);
        glVertex3d(-10, -10, z);
        glVertex3d(10, -10, z);
        glVertex3d(10, 10, z);
        glVertex3d(-10, 10, z);
        glEnd();
        glPopAttrib();
    }

    World testWorld;
    World* previousWorld = nullptr;
    float savedFinLength = 0;
};
