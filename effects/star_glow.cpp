#include "effects/star_glow.h"

#include "assets/utility.h"
#include "geometry/random.h"
#include "world/gl_scope.h"

namespace {

constexpr int firstFlickerKey = -20; // the spline's points sit at x = 100 * key
constexpr int flickerKeyStep = 10;

// The star picture on (-1, -1)..(1, 1) in the plane z = 0.
void drawStarQuad()
{
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(1, -1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(1, 1, 0);
    glTexCoord2f(0, 1);
    glVertex3f(-1, 1, 0);
    glEnd();
}

void drawStar(float x, float y, float z, float degrees, float alpha)
{
    MatrixScope matrix;
    glTranslatef(x, y, z);
    glRotatef(degrees, 0, 0, 1);
    glColor4f(1, 1, 1, alpha);
    drawStarQuad();
}

} // namespace

StarGlow::StarGlow() : flicker(std::make_unique<CameraPath>())
{
    Utility utility;
    utility.loadJPGTexture("./data/star.jpg", &texture);
    for (int i = 0; i < flickerPointCount; ++i) {
        const int key = firstFlickerKey + i * flickerKeyStep;
        flicker->addPoint(100.0 * key, (crt::rand() % 100) * 0.01, 0);
    }
}

void StarGlow::updateBrightness()
{
    if (frame % 2 != 0) {
        Vec3 point;
        if (flicker->next(point))
            brightness = point.y;
        else
            flicker->reset(); // run through: start over, this frame keeps its brightness
    }
    if (kicked) {
        kicked = false;
        brightness = float(brightness + (crt::rand() % 100) * 0.005 - 0.2);
    }
}

void StarGlow::draw()
{
    {
        AttribScope attributes;
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glEnable(GL_BLEND);
        glEnable(GL_TEXTURE_2D);
        glBlendFunc(GL_DST_COLOR, GL_SRC_ALPHA);
        glBindTexture(GL_TEXTURE_2D, texture);
        MatrixScope matrix;
        glLoadIdentity();

        updateBrightness();

        // Two copies close in front, turning at different rates, and a brighter one further
        // back towards the lower left.
        drawStar(0.5f, 0, -2, float(frame * 0.1), brightness * 0.5f + 0.45f);
        drawStar(0.5f, 0, -2, float(frame * 0.05), brightness * 0.5f + 0.45f);
        drawStar(-1, -1, -5, float(frame * 0.05), brightness * 0.5f + 0.85f);
    }
    frame = frame + 1;
}
