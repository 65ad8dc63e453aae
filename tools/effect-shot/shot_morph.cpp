// The morph in the lab: one morph of the chain as the morph scenes drive it. The first shape
// and the first greeting when the data has them, else the brain and the head; 3 units in front
// of the eye over the morph scenes' background, eased from start to end over two seconds while
// it spins once, then held at the end shape.
#include "tools/effect-shot/shot.h"

#include "assets/utility.h"
#include "effects/morph.h"
#include "geometry/nobject.h"
#include "platform/files.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include "platform/gl.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

struct ModelPair {
    const char* start;
    double startScale;
    const char* end;
    double endScale;
};

bool exists(const char* path) { return std::filesystem::exists(os::resolvePath(path)); }

ModelPair chooseModels()
{
    if (exists("./data/startmorph.3ds") && exists("./data/greet1.3ds"))
        return {"./data/startmorph.3ds", 0.001, "./data/greet1.3ds", 0.2};
    return {"./data/brain2.3ds", 0.005, "./data/head2.3ds", 0.005};
}

class MorphShot : public lab::Shot {
public:
    MorphShot()
    {
        const ModelPair models = chooseModels();
        startObject.load3DS(models.start);
        startObject.scale(models.startScale);
        endObject.load3DS(models.end);
        endObject.scale(models.endScale);
        morph.setStartObject(&startObject);
        morph.setEndObject(&endObject);
        morph.initMoprh();
        morph.loadEnvMap("./data/ChromeGreen.jpg");
        Utility().loadJPGTexture("./data/bg003x.jpg", &background);
    }

    void frame(double seconds, int) override
    {
        AttribScope attributes;
        MatrixScope matrix;
        glLoadIdentity();
        // The morph scenes switch the light on and off again: the morph itself draws unlit.
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        world->drawTexturedQuad(0, background);

        // g runs from 1 down to 0 over two seconds; 3.14 is the eased half turn the scenes use.
        const float g = std::max(0.0f, float(1.0 - seconds * 0.5));
        const float t = float((std::cos(3.14 * g) + 1.0) / 2.0);
        glTranslatef(0, 0, -3);
        glRotatef(g * 360.0f, 0, 1, 0);
        morph.draw(t);
    }

private:
    NObject startObject; // declared before the morph, which points into their meshes
    NObject endObject;
    Morph morph;
    GLuint background = 0;
};

} // namespace

LAB_SHOT("morph", "one morph of the chain: eases over 2 s while spinning, then holds", MorphShot);
