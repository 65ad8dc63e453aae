// The world's own pictures in the lab: the start picture as it is shown while loading.
#include "tools/effect-shot/shot.h"

#include "assets/utility.h"
#include "world/world.h"

namespace {

class StartPicture : public lab::Shot {
public:
    StartPicture() { world->initBackground("./data/start.jpg", jpgFileType); }
    void frame(double, int) override { world->drawBackground(); }
};

} // namespace

LAB_SHOT("start", "the start picture shown while loading", StartPicture);
