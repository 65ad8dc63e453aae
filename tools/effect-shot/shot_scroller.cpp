// The ribbon scroller in the lab. "scroller" draws it as the director's top band does: lighting
// and texturing off, the band's viewport (the top 16 % of the window) with the scenes'
// projection, counting draws from the first frame. "scroller-window" draws the same procession
// over the whole window, where the letters are large enough to inspect.
#include "tools/effect-shot/shot.h"

#include "app/settings_dialog.h"
#include "effects/scroller.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include "platform/gl.h"

#include <cstdint>

namespace {

class ScrollerShot : public lab::Shot {
public:
    explicit ScrollerShot(bool inTopBand) : topBand(inTopBand) {}
    void frame(double, int) override
    {
        AttribScope attributes;
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        if (topBand) {
            const int32_t bandBottom = int32_t(0.84 * screenHeight);
            world->setViewport(0, bandBottom, 0, bandBottom);
        }
        scroller.draw();
        world->setDefaultViewport();
    }

private:
    bool topBand;
    Scroller scroller;
};

class BandShot : public ScrollerShot {
public:
    BandShot() : ScrollerShot(true) {}
};

class WindowShot : public ScrollerShot {
public:
    WindowShot() : ScrollerShot(false) {}
};

} // namespace

LAB_SHOT("scroller", "the ribbon letters in the top band, as the director draws them", BandShot);
LAB_SHOT("scroller-window", "the ribbon letters over the whole window", WindowShot);
