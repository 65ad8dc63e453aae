// Helpers for GL tests: the stack depths and matrix mode a draw must leave as it found them, and
// pixel reads from the drawing surface.
#pragma once

#include "platform/gl.h"

#include <array>
#include <cstdint>
#include <ostream>

struct GlStacks {
    GLint attribDepth = 0, modelviewDepth = 0, projectionDepth = 0, textureDepth = 0, matrixMode = 0;

    static GlStacks capture()
    {
        GlStacks s;
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &s.attribDepth);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &s.modelviewDepth);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &s.projectionDepth);
        glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &s.textureDepth);
        glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
        return s;
    }
    bool operator==(const GlStacks&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const GlStacks& s)
{
    return out << "{attrib " << s.attribDepth << ", modelview " << s.modelviewDepth << ", projection "
               << s.projectionDepth << ", texture " << s.textureDepth << ", mode 0x" << std::hex
               << s.matrixMode << std::dec << "}";
}

using Rgba = std::array<int, 4>;

inline Rgba readPixel(int x, int y)
{
    uint8_t p[4] = {};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}
