// The image fluid in the lab, as the opening scene shows it: the picture poured at start-up,
// stepped and drawn once per frame in the main band, the jet switched off at 5 s and the fade
// started at 7.68 s, when the demo's events do the same.
#include "tools/effect-shot/shot.h"

#include "app/settings_dialog.h"
#include "effects/image_fluid.h"
#include "world/world.h"

#include <memory>

namespace {

constexpr double stopSourceSeconds = 5.0;
constexpr double startFadeSeconds = 7.68;

class FluidShot : public lab::Shot {
public:
    void frame(double seconds, int) override
    {
        if (seconds >= stopSourceSeconds)
            fluid->stopSource();
        if (seconds >= startFadeSeconds)
            fluid->startFade();
        // The main band between the top and bottom bands, with the scenes' projection.
        world->setViewport(0, int32_t(0.16 * screenHeight), 0, int32_t(0.32 * screenHeight));
        fluid->step();
        fluid->draw();
    }

private:
    std::unique_ptr<ImageFluid> fluid = std::make_unique<ImageFluid>();
};

} // namespace

LAB_SHOT("fluid", "the opening picture dissolving in the fluid, as scene 1 draws it", FluidShot);
