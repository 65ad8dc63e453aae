// Feedback trails in the lab: a lit ball circling in front of the camera, captured each frame
// and blended into the trail at the morph scene's persistence, then shown the way the trail
// scenes show it (buffers cleared, the trail image laid over the window).
#include "tools/effect-shot/shot.h"

#include "effects/texture_feedback.h"
#include "geometry/mesh.h"
#include "geometry/nobject.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include <cmath>

namespace {

constexpr double ballScale = 0.001 * 5;  // the 100-unit model becomes a ball of radius 0.5
constexpr double orbitRadius = 1.5;      // scene units
constexpr double orbitRadiansPerSecond = 3.0;
constexpr double orbitDepth = -6.0;

class Trails : public lab::Shot {
public:
    Trails()
    {
        ball.load3DS("./data/ball3.3ds");
        ball.scale(ballScale);
    }

    void frame(double seconds, int) override
    {
        AttribScope attributes;
        MatrixScope matrix;
        trails.setPersistence(0.85);
        trails.beginCapture();
        glLoadIdentity();
        world->setLightPosition(100, 100, 100);
        glEnable(GL_DEPTH_TEST);
        const double angle = seconds * orbitRadiansPerSecond;
        ball.setPosition(Vec3(orbitRadius * std::cos(angle), orbitRadius * std::sin(angle), orbitDepth));
        ball.draw(shadeSmooth);
        trails.endCapture();
        trails.feedbackStep();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        world->setDefaultViewport();
        trails.drawResult();
    }

private:
    NObject ball;
    TextureFeedback trails;
};

} // namespace

LAB_SHOT("trails", "a lit ball circling, leaving feedback trails (persistence 0.85)", Trails);
