// The two additive overlays in the lab: the line grid flying away (restarted every 100 frames,
// at the opacity the space scene gives it) over black, and the star glow over the landscape
// scenes' background picture (it only brightens what is already there), kicked on every beat.
#include "tools/effect-shot/shot.h"

#include "assets/utility.h"
#include "effects/blend_mesh.h"
#include "effects/star_glow.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include <cmath>

namespace {

constexpr int32_t gridFlightFrames = 100; // as the asset set-up gives it
constexpr double gridOpacity = 0.4;       // as the space scene draws it
constexpr double beatSeconds = 0.48;      // the beat events' spacing

class Grid : public lab::Shot {
public:
    Grid() { grid.setDuration(gridFlightFrames); }

    void frame(double, int frameIndex) override
    {
        if (frameIndex % gridFlightFrames == 0)
            grid.restart();
        grid.setOpacity(gridOpacity);
        grid.draw();
    }

private:
    BlendMesh grid;
};

class Glow : public lab::Shot {
public:
    Glow()
    {
        Utility utility;
        utility.loadJPGTexture("./data/bg003x.jpg", &background);
    }

    void frame(double seconds, int) override
    {
        const int beat = int(std::floor(seconds / beatSeconds));
        if (beat != lastBeat) {
            lastBeat = beat;
            if (beat > 0)
                glow.kick();
        }
        {
            AttribScope attributes;
            glDisable(GL_LIGHTING);
            glDisable(GL_DEPTH_TEST);
            glColor4f(1, 1, 1, 1);
            world->drawTexturedQuad(-0.99, background);
        }
        glow.draw();
    }

private:
    GLuint background = 0;
    StarGlow glow;
    int lastBeat = 0;
};

} // namespace

LAB_SHOT("blendmesh", "the line grid flying away and fading, restarted every 100 frames", Grid);
LAB_SHOT("starglow", "the star glow over the landscape background, kicked every 0.48 s", Glow);
