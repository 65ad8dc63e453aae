// NoiseOverlay: the alternating, randomly shifted grain pictures.
#include "effects/noise_overlay.h"

#include "assets/utility.h"
#include "geometry/random.h"
#include "world/gl_scope.h"
#include "world/world.h"

namespace {

constexpr double overlayDepth = -1;
constexpr int offsetSteps = 100;      // offsets in hundredths of the picture
constexpr double offsetStep = 0.01;

const char* const noisePictures[] = {"./data/noise7.jpg", "./data/noise8.jpg"};


} // namespace

NoiseOverlay::NoiseOverlay()
{
    Utility utility;
    for (const char* path : noisePictures) {
        GLuint texture = 0;
        utility.loadJPGTexture(path, &texture);
        noiseTextures.push_back(texture);
    }
    utility.loadJPGTexture("./data/white.jpg", &whiteTexture);
}

void NoiseOverlay::choosePicture()
{
    if (frame != 0)
        return;
    const int count = int(noiseTextures.size());
    // With fewer than two pictures no other one exists: drawing until one differs would never end.
    if (count < 2)
        return;
    int next;
    do
        next = crt::rand() % count;
    while (next == current);
    current = next;
}

void NoiseOverlay::countFrame()
{
    frame += 1;
    if (frame > holdFrames)
        frame = 0;
}

void NoiseOverlay::draw()
{
    CurrentColourScope colour;
    MatrixScope matrix;
    AttribScope attributes;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);

    choosePicture();

    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    // The vertical offset takes the first number, the horizontal the second.
    const double q = (crt::rand() % offsetSteps) * offsetStep;
    const double p = (crt::rand() % offsetSteps) * offsetStep;
    glTranslated(p, q, 0);
    glMatrixMode(GL_MODELVIEW);

    glColor3f(noiseLevel, noiseLevel, noiseLevel);
    const GLuint picture = current < int32_t(noiseTextures.size()) ? noiseTextures[size_t(current)] : 0;
    world->drawTexturedQuad(overlayDepth, picture);
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    glColor3f(whiteLevel, whiteLevel, whiteLevel);
    // Frame x white level + frame x the quad's alpha of 1: the grained picture brightened.
    glBlendFunc(GL_DST_COLOR, GL_SRC_ALPHA);
    world->drawTexturedQuad(overlayDepth, whiteTexture);

    countFrame();
}
