// The director's frame: the dispatch from scene number to renderer, the letterboxed layout
// every renderer shares (the scene in the middle band, the logo strip and scroller above, the
// metaballs below), the rotating light layers, and the opening scenes 1 to 5.
#include "director/demo.h"

#include "app/settings_dialog.h"
#include "geometry/mesh.h"
#include "world/gl_scope.h"
#include "world/world.h"

void Demo::render()
{
    switch (scene) {
    case 1: drawImageScene(); break;
    case 2:
        drawImageScene();
        drawLightFadeIn();
        break;
    case 3: drawLogoScene(); break;
    case 4: drawPresentsScene(); break;
    case 5: drawTitleScene(); break;
    case 6: drawSpaceScene(); break;
    case 7:
    case 8:
    case 9:
    case 10: drawLandscapeScene(); break;
    case 11: drawStartMorphScene(); break;
    case 29:
    case 666: drawWaveScene(); break;
    default:
        if (scene >= 12 && scene <= 28)
            drawMorphScene();
        break; // any other number: the frame stays as the frame timer cleared it
    }
}

void Demo::setMainViewport()
{
    world->setViewport(0, int32_t(0.16 * screenHeight), 0, int32_t(0.32 * screenHeight));
}

void Demo::drawGradientLines(double y)
{
    glLineWidth(2.5f);
    world->beginOrtho();
    glBegin(GL_LINES);
    glColor3d(0.3, 0.3, 0.3);
    glVertex3d(-1, y, 0);
    glColor3d(0.8, 0.8, 0.8);
    glVertex3d(0, y, 0);
    glVertex3d(0, y, 0);
    glColor3d(0.3, 0.3, 0.3);
    glVertex3d(1, y, 0);
    glEnd();
    glColor3d(1, 1, 1);
    world->endOrtho();
}

void Demo::drawBottomBand()
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    world->setViewport(0, 0, int32_t(0.8 * screenWidth), int32_t(0.84 * screenHeight));
    metaballs->draw(ticks, 3);
    world->setViewport(0, 0, 0, int32_t(0.84 * screenHeight));
    drawGradientLines(1);
    setMainViewport();
}

void Demo::drawTopBand()
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    world->setViewport(0, int32_t(0.84 * screenHeight), 0, int32_t(0.84 * screenHeight));
    logoStrip->draw();
    if (scene > 6 && scene < 15)
        scroller->draw();
    drawGradientLines(-1);
    setMainViewport();
}

void Demo::drawLightLayers()
{
    AttribScope attributes;
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1, 1, 1, 0.6f);
    // Two layers of the repeating star texture turning about a tile's centre, opposite ways.
    const double turns[2] = {double(ticks), -0.5 * ticks};
    for (double degrees : turns) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glTranslated(-0.5, -0.5, 0);
        glRotated(degrees, 0, 0, 1);
        glTranslated(-0.5, -0.5, 0);
        glMatrixMode(GL_MODELVIEW);
        world->drawTexturedQuad(0, starTexture);
    }
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

void Demo::drawImageScene()
{
    setMainViewport();
    imageEffect->step();
    imageEffect->draw();
    drawTopBand();
    drawBottomBand();
}

void Demo::drawLightFadeIn()
{
    MatrixScope matrix;
    AttribScope attributes;
    setMainViewport();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    // Fades in over 1.5 s from the switch to scene 2 at 7.68 s; the library clamps alpha above 1.
    glColor4d(1, 1, 1, (demoTime - 7.68) * 0.6666666666666666);
    world->drawTexturedQuad(0, lightTexture);
    drawLightLayers();
}

namespace {

void setFrontMaterial(const Demo::Material& m)
{
    glMaterialfv(GL_FRONT, GL_AMBIENT, m.ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, m.diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, m.specular);
    glMaterialf(GL_FRONT, GL_SHININESS, m.shininess);
}

} // namespace

// Steps 5 to 8 of the title scenes: the camera, the lit object, its silhouette fins (only with
// the light layers in scene 5) and its light spot.
void Demo::drawTitleObjectPasses(NObject& object, bool layers)
{
    if (currentCamera)
        currentCamera->apply();
    world->setLightPosition(0, 0, 1);
    object.draw(shadeFlat);
    world->setLightPosition(0, 0, -5);
    glColor4f(0.5882353f, 0.5882353f, 0.5882353f, 0.3f);
    if (layers)
        object.draw(shadeRadialLight);
    glColor4f(1, 1, 1, 1);
    world->setLightPosition(0, 0, 1);
    object.draw(shadeLightMap);
}

void Demo::drawFlyingObjectScene(NObject& object, int32_t& reveal)
{
    MatrixScope matrix;
    AttribScope attributes;
    setMainViewport();
    glLoadIdentity();
    setFrontMaterial(titleMaterial);
    object.move(Vec3(-0.65, 0, 0)); // 0.65 units left on every frame: in from the right, out left
    glColor4f(1, 1, 1, 1);
    world->drawTexturedQuad(0, lightTexture);
    drawLightLayers();
    drawTitleObjectPasses(object, true);
    titleText->draw();
    if (ticks % 10 == 0 && reveal < 9) {
        titleText->reveal();
        ++reveal;
    }
    drawTopBand();
    drawBottomBand();
}

void Demo::drawTitleScene()
{
    MatrixScope matrix;
    AttribScope attributes;
    setMainViewport();
    glLoadIdentity();
    setFrontMaterial(titleMaterial);
    // Flies in at 0.65 units a frame, overshoots past the centre, turns and stops at x >= 0.
    const float x = titleObject->getPosition().x;
    if (x > 0 && titleSliding) {
        titleObject->move(Vec3(-0.65, 0, 0));
        sceneStart = demoTime;
    } else if (x < 0) {
        titleSliding = false;
        titleObject->move(Vec3((demoTime - sceneStart) * 0.6666666666666666 - 0.45, 0, 0));
    }
    glColor4f(1, 1, 1, 1);
    world->drawTexturedQuad(0, lightTexture);
    if (titleLayers)
        drawLightLayers();
    drawTitleObjectPasses(*titleObject, titleLayers);
    titleText->draw();
    if (ticks % 10 == 0) {
        titleText->reveal();
        ++titleReveal;
    }
    if (titleReveal >= 10)
        for (int i = 0; i < 10; ++i)
            titleText->reveal();
    flash->draw();
    drawTopBand();
    drawBottomBand();
}
