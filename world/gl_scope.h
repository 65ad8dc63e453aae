// Scopes that save and restore OpenGL state, so every draw operation leaves the attribute stack,
// the matrix stacks and the matrix mode as it found them, early returns included.
#pragma once

#include "platform/gl.h"

// Saves the current colour on entry and sets it again on exit.
class CurrentColourScope {
public:
    CurrentColourScope() { glGetFloatv(GL_CURRENT_COLOR, colour); }
    ~CurrentColourScope() { glColor4fv(colour); }
    CurrentColourScope(const CurrentColourScope&) = delete;
    CurrentColourScope& operator=(const CurrentColourScope&) = delete;

private:
    GLfloat colour[4];
};

// glPushAttrib of every attribute group on entry, glPopAttrib on exit. When the current-state
// group is saved, the current colour is also set back by hand after the pop: Mesa's llvmpipe
// does not always restore it when attribute pushes are nested.
class AttribScope {
public:
    explicit AttribScope(GLbitfield mask = GL_ALL_ATTRIB_BITS) : restoreColour((mask & GL_CURRENT_BIT) != 0)
    {
        if (restoreColour)
            glGetFloatv(GL_CURRENT_COLOR, colour);
        glPushAttrib(mask);
    }
    ~AttribScope()
    {
        glPopAttrib();
        if (restoreColour)
            glColor4fv(colour);
    }
    AttribScope(const AttribScope&) = delete;
    AttribScope& operator=(const AttribScope&) = delete;

private:
    bool restoreColour;
    GLfloat colour[4] = {1, 1, 1, 1};
};

// glPushMatrix of the current matrix mode's stack on entry, glPopMatrix on exit.
class MatrixScope {
public:
    MatrixScope() { glPushMatrix(); }
    ~MatrixScope() { glPopMatrix(); }
    MatrixScope(const MatrixScope&) = delete;
    MatrixScope& operator=(const MatrixScope&) = delete;
};
