// ClosingGlow: the five-second fade to black at the end.
#include "effects/closing_glow.h"

#include "assets/utility.h"
#include "world/gl_scope.h"
#include "world/world.h"

ClosingGlow::ClosingGlow()
{
    ramp.setDuration(fadeSeconds);
    Utility().loadJPGTexture("./data/white.jpg", &texture);
}

void ClosingGlow::trigger()
{
    visible = true;
    ramp.start();
}

void ClosingGlow::draw()
{
    if (!visible)
        return;
    CurrentColourScope colour;
    AttribScope attributes;
    MatrixScope matrix;
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    // Source x destination + destination x source: twice the quad's colour times the frame.
    glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
    const float level = float(0.5 - 0.5 * ramp.progress());
    glColor4f(level, level, level, level);
    world->drawTexturedQuad(0, texture);
}
