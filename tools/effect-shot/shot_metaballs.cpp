// The metaballs in the lab: the tunnel sphere map as the director loads it, drawn every frame
// with the lab's ticks in the environment-mapped mode, and pulsed every 0.48 s (30 frames, a
// beat at 125 BPM) so the swell shows in a run of shots.
#include "tools/effect-shot/shot.h"

#include "assets/utility.h"
#include "effects/metaballs.h"
#include "world/world.h"

#include <memory>

namespace {

constexpr int framesPerPulse = 30;

class MetaballsShot : public lab::Shot {
public:
    MetaballsShot() { metaballs->loadEnvMap("./data/tunnel2.jpg", jpgFileType); }
    void frame(double, int frameIndex) override
    {
        if (frameIndex > 0 && frameIndex % framesPerPulse == 0)
            metaballs->pulse();
        metaballs->draw(ticks, Metaballs::envMappedMode);
    }

private:
    std::unique_ptr<Metaballs> metaballs = std::make_unique<Metaballs>();
};

} // namespace

LAB_SHOT("metaballs", "the environment-mapped blobs, pulsed every 0.48 s", MetaballsShot);
