// LogoStrip: the drifting, brightening logo square of the top band.
#include "effects/logo_strip.h"

#include "assets/utility.h"
#include "world/gl_scope.h"

#include <algorithm>

namespace {

constexpr double brightnessPerDepth = 0.2;
constexpr double maxLevel = 0.5;
constexpr double depthToDistance = 0.5; // scene units per unit of depth
constexpr double startDistance = -4.0;  // where the square sits at depth 0

} // namespace

bool LogoStrip::loadTexture(const char* path) { return Utility().loadJPGTexture(path, &texture); }

void LogoStrip::advance()
{
    depth = float(depth * growth + drift);
    if (depth > restartDepth)
        depth = 0.0f;
}

float LogoStrip::level() const { return float(std::min(depth * brightnessPerDepth, maxLevel)); }

void LogoStrip::draw()
{
    MatrixScope matrix;
    AttribScope attributes;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glDisable(GL_LIGHTING);
    advance();
    const float grey = level();
    glColor4f(grey, grey, grey, 1.0f);
    // Adds the picture's brightness to what is behind, in proportion: black stays transparent.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    glTranslated(0, 0, depth * depthToDistance + startDistance);
    // Mapped like World::drawTexturedQuad, s from right to left and t from top to bottom, which
    // undoes the picture loader's mirrored rows: the logo shows as it is stored.
    glBegin(GL_QUADS);
    glTexCoord2f(1, 0);
    glVertex3f(-1, 1, 0);
    glTexCoord2f(0, 0);
    glVertex3f(1, 1, 0);
    glTexCoord2f(0, 1);
    glVertex3f(1, -1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(-1, -1, 0);
    glEnd();
}
