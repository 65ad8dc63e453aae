// Scopes that save and restore OpenGL state, so every draw operation leaves the attribute stack,
// the matrix stacks and the matrix mode as it found them, early returns included.
#pragma once

#include <GL/gl.h>

// glPushAttrib of every attribute group on entry, glPopAttrib on exit.
class AttribScope {
public:
    explicit AttribScope(GLbitfield mask = GL_ALL_ATTRIB_BITS) { glPushAttrib(mask); }
    ~AttribScope() { glPopAttrib(); }
    AttribScope(const AttribScope&) = delete;
    AttribScope& operator=(const AttribScope&) = delete;
};

// glPushMatrix of the current matrix mode's stack on entry, glPopMatrix on exit.
class MatrixScope {
public:
    MatrixScope() { glPushMatrix(); }
    ~MatrixScope() { glPopMatrix(); }
    MatrixScope(const MatrixScope&) = delete;
    MatrixScope& operator=(const MatrixScope&) = delete;
};
