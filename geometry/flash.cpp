#include "geometry/flash.h"

#include "assets/utility.h"
#include "world/gl_scope.h"
#include "world/world.h"

Flash::Flash()
{
    Utility utility;
    utility.loadJPGTexture("./data/white.jpg", &texture);
}

double Flash::alphaOfFrame(int n) const
{
    // The rise passes full brightness (where blending saturates) at five sixths of the fade-in.
    if (n < fadeInFrames)
        return (1.0 / fadeInFrames) * (n * 1.2);
    if (n < fadeInFrames + fadeOutFrames)
        return 1.0 - (1.0 / fadeOutFrames) * (n - fadeInFrames);
    return 0.0;
}

void Flash::draw()
{
    if (done)
        return;
    AttribScope attributes;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    if (frame < fadeInFrames + fadeOutFrames) {
        glColor4f(1, 1, 1, float(alphaOfFrame(frame)));
        world->drawTexturedQuad(0.999, texture);
    }
    glDisable(GL_BLEND);
    if (frame > fadeInFrames + fadeOutFrames) {
        done = true;
        frame = 0;
    }
    frame = frame + 1;
}
