// The space flight in the lab, as the space scene shows it: the flight's 13.6-second ramp starts
// at 0 s, and every frame draws the flight, then its trail overlay in the middle band, then the
// scene's black viewfinder brackets and centre cross. The band overlays of the other effects
// (grid, noise, logo strip, metaballs) are left out.
#include "tools/effect-shot/shot.h"

#include "app/settings_dialog.h"
#include "effects/space_flight.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include "platform/gl.h"

namespace {

constexpr double flightSeconds = 13.6;

// The letterboxed middle band every scene draws into: 16 % of the height below it, 16 % above.
void setMainViewport()
{
    world->setViewport(0, int32_t(0.16 * screenHeight), 0, int32_t(0.32 * screenHeight));
}

// Corner brackets and a centre cross in black, in overlay coordinates.
void drawViewfinder()
{
    static constexpr float segments[10][4] = {
        {-0.95f, -0.9f, -0.95f, -0.72f}, {-0.95f, -0.9f, -0.85f, -0.9f}, {0.95f, -0.9f, 0.95f, -0.72f},
        {0.95f, -0.9f, 0.85f, -0.9f},    {0.95f, 0.9f, 0.95f, 0.72f},    {0.95f, 0.9f, 0.85f, 0.9f},
        {-0.95f, 0.9f, -0.95f, 0.72f},   {-0.95f, 0.9f, -0.85f, 0.9f},   {-0.05f, 0.0f, 0.05f, 0.0f},
        {0.0f, -0.1f, 0.0f, 0.1f},
    };
    AttribScope attributes;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glLineWidth(1.8f);
    glColor3f(0, 0, 0);
    world->beginOrtho();
    glBegin(GL_LINES);
    for (const auto& s : segments) {
        glVertex2f(s[0], s[1]);
        glVertex2f(s[2], s[3]);
    }
    glEnd();
    world->endOrtho();
}

class SpaceShot : public lab::Shot {
public:
    void frame(double, int frameIndex) override
    {
        if (frameIndex == 0) {
            flight.ramp.setDuration(flightSeconds);
            flight.ramp.start();
        }
        AttribScope attributes;
        MatrixScope matrix;
        setMainViewport(); // where the previous frame's scene left the viewport
        flight.drawFlight();
        setMainViewport();
        flight.drawOverlay();
        drawViewfinder();
    }

private:
    SpaceFlight flight;
};

} // namespace

LAB_SHOT("space", "the space flight: 13.6 s through the fogged structure, with trails", SpaceShot);
