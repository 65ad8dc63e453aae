// SpaceFlight: loading the flight's assets and drawing one frame of the flight.
#include "effects/space_flight.h"

#include "assets/utility.h"
#include "geometry/mesh.h"
#include "world/gl_scope.h"
#include "world/world.h"

namespace {

constexpr double modelScale = 0.1;        // the structure's file units to scene units
constexpr double modelLightRadius = 40.0; // reach of the light spot, in scene units
constexpr int flashFadeInFrames = 5;
constexpr int flashFadeOutFrames = 25;

// Grey linear fog from 8 to 30 units in front of the eye: the structure's far parts sink into
// the backdrop's grey. The density is set too, although the linear mode does not read it.
constexpr GLfloat fogColour[4] = {0.2f, 0.2f, 0.2f, 1.0f};
constexpr GLfloat fogDensity = 0.35f;
constexpr GLfloat fogStart = 8.0f;
constexpr GLfloat fogEnd = 30.0f;

constexpr GLfloat backdropLevel = 0.2f; // the white backdrop dimmed to the fog's grey
constexpr double trailPersistence = 0.85;

void enableFog()
{
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogf(GL_FOG_DENSITY, fogDensity);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glFogf(GL_FOG_START, fogStart);
    glFogf(GL_FOG_END, fogEnd);
    glEnable(GL_FOG);
}


} // namespace

SpaceFlight::SpaceFlight()
    : model(std::make_unique<NObject>()), camera(std::make_unique<Camera>()),
      trails(std::make_unique<TextureFeedback>()), flash(std::make_unique<Flash>())
{
    model->load3DS("./data/space.3ds");
    model->scale(modelScale);
    model->initLight();
    model->setLightRadius(modelLightRadius);
    model->initShadow();
    model->buildDisplayLists(shadeTextured);
    flash->setDurations(flashFadeInFrames, flashFadeOutFrames);
    camera->loadPath("./data/space1.pos");
    Utility().loadJPGTexture("./data/white.jpg", &backdropTexture);
}

void SpaceFlight::drawFlight()
{
    CurrentColourScope callerColour;
    AttribScope attributes;
    MatrixScope matrix;
    enableFog();

    glLoadIdentity();
    camera->jumpTo(ramp.progress());
    camera->apply();

    glColor3f(backdropLevel, backdropLevel, backdropLevel);
    world->drawTexturedQuad(0, backdropTexture);
    glColor3f(1, 1, 1);

    trails->setPersistence(trailPersistence);
    trails->beginCapture();
    model->draw(shadeDisplayList);
    trails->endCapture();
    trails->feedbackStep();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void SpaceFlight::drawOverlay()
{
    CurrentColourScope callerColour; // the flash sets its colour around a nested quad
    AttribScope attributes;
    trails->drawResult();
    flash->draw();
}
