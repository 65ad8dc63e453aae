// The director's later scenes: the space flight (6), the landscape with its rolling balls, the
// stencil window and the wave sheet (7 to 10), the start morph (11) and the morph chain (12 to
// 28) with trails, and the spring cloth with the story (29, and 666 with the closing glow).
#include "director/demo.h"

#include "app/settings_dialog.h"
#include "geometry/mesh.h"
#include "geometry/random.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include <cmath>

namespace {

// The viewfinder of the space scene: four corner brackets and a centre cross, in black.
void drawViewfinder()
{
    glDisable(GL_DEPTH_TEST);
    glLineWidth(1.8f);
    glColor3f(0, 0, 0);
    world->beginOrtho();
    static constexpr float segments[10][4] = {
        {-0.95f, -0.9f, -0.95f, -0.72f}, {-0.95f, -0.9f, -0.85f, -0.9f}, {0.95f, -0.9f, 0.95f, -0.72f},
        {0.95f, -0.9f, 0.85f, -0.9f},    {0.95f, 0.9f, 0.95f, 0.72f},    {0.95f, 0.9f, 0.85f, 0.9f},
        {-0.95f, 0.9f, -0.95f, 0.72f},   {-0.95f, 0.9f, -0.85f, 0.9f},   {-0.05f, 0.0f, 0.05f, 0.0f},
        {0.0f, -0.1f, 0.0f, 0.1f},
    };
    glBegin(GL_LINES);
    for (const auto& s : segments) {
        glVertex2f(s[0], s[1]);
        glVertex2f(s[2], s[3]);
    }
    glEnd();
    world->endOrtho();
}

void applyCameraTo(const Camera* camera)
{
    if (camera)
        camera->apply();
}

} // namespace

void Demo::drawSpaceScene()
{
    MatrixScope matrix;
    AttribScope attributes;
    spaceScene->drawFlight();
    setMainViewport();
    spaceScene->drawOverlay();
    blendMesh->setOpacity(0.4);
    blendMesh->draw();
    noiseOverlay->setLevels(0.35, 0.2);
    noiseOverlay->draw();
    flash->draw();
    drawViewfinder();
    drawTopBand();
    drawBottomBand();
}

// One landscape pass: the backdrop sliding with the camera, then the lit, fogged surface and
// the balls rolling over it.
void Demo::landscapePass()
{
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    applyCameraTo(currentCamera);
    glMatrixMode(GL_MODELVIEW);
    world->drawTexturedQuad(0, spaceBallTexture);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);

    AttribScope attributes;
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_FOG);
    glMaterialfv(GL_FRONT, GL_AMBIENT, landscape->materialAmbient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, landscape->materialDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, landscape->materialSpecular);
    glMaterialf(GL_FRONT, GL_SHININESS, landscape->materialShininess);
    MatrixScope matrix;
    glLoadIdentity();
    applyCameraTo(currentCamera);
    landscape->object->draw(shadeDisplayList);
    landscape->updateBalls();
}

void Demo::drawLandscapeScene()
{
    MatrixScope outerMatrix;
    AttribScope outerAttributes;
    glLoadIdentity();
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    if (currentCamera)
        currentCamera->followPath();
    setMainViewport();
    const bool windowed = scene >= 8 && scene <= 10;
    if (windowed) {
        landscapePass();
        stencilShapes->moveTo(0.5 * std::sin(0.02 * ticks), 0.5 * std::sin(ticks / 70.0));
        stencilShapes->beginMask();
        stencilShapes->fillBlack();
    }
    landscapePass();
    if (windowed)
        stencilShapes->endWithOutline();
    blendMesh->draw();
    starGlow->draw();
    flash->draw();
    if (scene == 9 || scene == 10) {
        frameLines->apply();
        glDisable(GL_LIGHTING);
        if (scene == 10)
            glEnable(GL_DEPTH_TEST);
        glLoadIdentity();
        glTranslated(0, 0, -2.2);
        waveSheet->texture = backgroundTexture;
        waveSheet->environmentTexture = 0;
        waveSheet->setSheetHeights(scene == 9 ? 1 : waveTick, demoTime);
        if (scene == 10)
            ++waveTick;
        waveSheet->draw();
        frameLines->drawFrame();
    }
    drawTopBand();
    drawBottomBand();
}

void Demo::drawStartMorphScene()
{
    MatrixScope matrix;
    AttribScope attributes;
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    copyTexture->setPersistence(0.9);
    copyTexture->beginCapture();
    glDisable(GL_LIGHTING);
    world->drawTexturedQuad(0, backgroundTexture);
    // The 3.84-second approach: from 1.5 units right, turning twice, to the centre.
    float f = 1.0f - (demoTime - sceneStart) * 0.2604167f;
    if (f < 0)
        f = 0;
    world->setLightPosition(100, 100, 100);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLoadIdentity();
    glDepthMask(GL_TRUE);
    glTranslated(0, 0, -3);
    startMorphObject->setPosition(Vec3(1.5 * f, 0, 0));
    glRotated(720.0 * f, 1, 1, 0);
    startMorphObject->draw(shadeEnvironmentMap);
    copyTexture->endCapture();
    copyTexture->feedbackStep();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setMainViewport();
    copyTexture->drawResult();
    flash->draw();
    drawTopBand();
    drawBottomBand();
}

void Demo::drawMorphScene()
{
    static constexpr float axes[morphCount][3] = {{0, 1, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 0},
                                                  {0, 1, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 0}};
    MatrixScope matrix;
    AttribScope attributes;
    glLoadIdentity();
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    copyTexture->setPersistence(0.85);
    copyTexture->beginCapture();
    world->drawTexturedQuad(0, backgroundTexture);
    double f = 1 - (demoTime - sceneStart) * 0.5;
    if (f < 0)
        f = 0;
    glTranslated(0, 0, -3);
    const double h = 360 * f;
    const double m = (std::cos(3.14 * f) + 1) / 2;
    if (scene == 28) {
        morphs[7]->draw(1);
    } else if ((scene - 12) % 2 == 0) {
        const int k = (scene - 12) / 2;
        glRotated(h, axes[k][0], axes[k][1], axes[k][2]);
        morphs[size_t(k)]->draw(float(m));
    }
    copyTexture->endCapture();
    copyTexture->feedbackStep();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setMainViewport();
    copyTexture->drawResult();
    if (scene == 28) {
        noiseOverlay->setLevels(1 - f, 1 - f);
        for (int i = 0; i < 3; ++i)
            noiseOverlay->draw();
    }
    flash->draw();
    drawTopBand();
    drawBottomBand();
}

void Demo::prepareWaveScene()
{
    flash->setDurations(10, 20);
    waveCamera->set(-0.06, 1.05, 1.98, 0.03, -4.94, -8.87, 0, -0.87, 0.5);
    crt::srand(1); // the cloth's disturbances fall at the same places on every run
}

void Demo::drawWaveScene()
{
    const double f = 1 - (demoTime - sceneStart) * 0.5;
    setMainViewport();
    {
        MatrixScope matrix;
        AttribScope attributes;
        glLoadIdentity();
        waveCamera->set(-0.06, 1.05, 1.98, 0.03, -4.94, -8.87, 0, -0.87, 0.5);
        waveCamera->apply();
        waveCloth->computeForces();
        waveCloth->integrate();
        waveCloth->computeNormals();
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        waveCloth->texture = 0;
        waveCloth->environmentTexture = introTexture;
        waveCloth->draw();

        // The logo scrolls slowly across the cloth, blended by its own brightness.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glTranslated(0.001 * ticks, 0, 0);
        glMatrixMode(GL_MODELVIEW);
        glTranslated(0, 0, 0.01);
        waveCloth->texture = logoTexture;
        waveCloth->environmentTexture = 0;
        waveCloth->draw();

        if (ticks % 300 == 50) {
            const int r1 = crt::rand();
            const int r2 = crt::rand();
            waveCloth->strike(r2 % 50 + 2, r1 % 50 + 2);
        }
        blendMesh->draw();
        if (f > 0) {
            noiseOverlay->setLevels(f, f);
            for (int i = 0; i < 3; ++i)
                noiseOverlay->draw();
        }
        if (ticks % 300 == 0)
            blendMesh->restart();
        storyText->draw();
        if (ticks % 3 != 2)
            storyText->reveal();
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }
    drawTopBand();
    drawBottomBand();
    if (scene == 666) {
        world->setDefaultViewport();
        closingGlow->draw();
    }
}
