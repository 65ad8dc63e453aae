#include "world/world.h"

#include "app/log.h"
#include "app/settings_dialog.h"
#include "assets/utility.h"
#include "platform/os.h"
#include "world/gl_scope.h"

#include "platform/gl.h"

#include <cmath>

int32_t ticks = 0;
float demoTime = 0.0f;
Vec3 lightPosition;
bool altListCompile = false;
bool negativeMode = false;
bool stencilWindowMode = false;
World* world = nullptr;
Scene* scene = nullptr;

namespace arb {
PFNGLACTIVETEXTUREARBPROC glActiveTextureARB = nullptr;
PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB = nullptr;
} // namespace arb

World::World() : startTickMs(os::getTickCount())
{
    if (logger)
        logger->printObject("World Object");
    setLightPosition(50, 50, 100);
}

int32_t World::updateClock(int rate)
{
    // Unsigned 32-bit difference: correct across the tick count's wrap-around, never negative.
    const uint32_t elapsedMs = os::getTickCount() - startTickMs;
    if (music && music->isPlaying())
        demoTime = float(double(music->position()) * 0.001);
    else
        demoTime = float(double(elapsedMs) * 0.001);
    // The factor is the single-precision 0.001, so the tick count matches the frame clock's
    // arithmetic exactly (50 ticks at 1000 ms).
    const long double scaled = static_cast<long double>(elapsedMs) * static_cast<long double>(0.001f) * rate;
    return int32_t(std::trunc(scaled));
}

void World::loadMultitexture()
{
    arb::glActiveTextureARB = reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(os::getProcAddress("glActiveTextureARB"));
    arb::glMultiTexCoord2fARB =
        reinterpret_cast<PFNGLMULTITEXCOORD2FARBPROC>(os::getProcAddress("glMultiTexCoord2fARB"));
}

void World::initBackground(const char* path, int type)
{
    if (logger)
        logger->printItem("World::initBackground() -- file: %s", path);
    Utility utility;
    if (type == jpgFileType)
        utility.loadJPGTexture(path, &startPicture);
    else if (type == bmpFileType)
        utility.loadBMPTexture(path, &startPicture);
}

void World::drawBackground() { drawTexturedQuad(-0.99, startPicture); }

void World::beginOrtho()
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void World::endOrtho()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void World::drawTexturedQuad(double z, GLuint texture)
{
    AttribScope attributes;
    beginOrtho();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glBindTexture(GL_TEXTURE_2D, texture);
    if (negativeMode)
        setInvertedCombine();
    glBegin(GL_QUADS);
    glTexCoord2f(1, 0);
    glVertex3d(-1, 1, z);
    glTexCoord2f(1, 1);
    glVertex3d(-1, -1, z);
    glTexCoord2f(0, 1);
    glVertex3d(1, -1, z);
    glTexCoord2f(0, 0);
    glVertex3d(1, 1, z);
    glEnd();
    endOrtho();
    if (negativeMode)
        setNormalCombine();
}

void World::setCombine(GLint rgbOperand0)
{
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvf(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
    glTexEnvf(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_MODULATE);
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_PREVIOUS_ARB);
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE2_RGB_ARB, GL_CONSTANT_ARB);
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GLfloat(rgbOperand0));
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND2_RGB_ARB, GL_SRC_ALPHA);
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, GL_TEXTURE);
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE1_ALPHA_ARB, GL_PREVIOUS_ARB);
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA_ARB, GL_SRC_ALPHA);
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA_ARB, GL_SRC_ALPHA);
    glTexEnvf(GL_TEXTURE_ENV, GL_RGB_SCALE_ARB, 1);
    glTexEnvf(GL_TEXTURE_ENV, GL_ALPHA_SCALE, 1);
}

void World::setInvertedCombine() { setCombine(GL_ONE_MINUS_SRC_COLOR); }
void World::setNormalCombine() { setCombine(GL_SRC_COLOR); }

void World::setLightPosition(double x, double y, double z)
{
    lightPosition.set(x, y, z);
    const GLfloat position[4] = {lightPosition.x, lightPosition.y, lightPosition.z, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
}

void World::setupLighting()
{
    const GLfloat lightAmbient[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    const GLfloat lightDiffuse[4] = {0.7f, 0.7f, 0.7f, 1.0f};
    const GLfloat lightSpecular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat position[4] = {lightPosition.x, lightPosition.y, lightPosition.z, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, lightAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, lightSpecular);
    glLightfv(GL_LIGHT0, GL_POSITION, position);

    const GLfloat materialAmbient[4] = {0.5f, 0.2f, 1.0f, 1.0f};
    const GLfloat materialDiffuse[4] = {0.4f, 0.4f, 0.9f, 1.0f};
    const GLfloat materialSpecular[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, materialAmbient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, materialDiffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, materialSpecular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 30.0f);
}

void World::setViewport(int32_t left, int32_t bottom, int32_t rightMargin, int32_t topMargin)
{
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glClearColor(0, 0, 0, 0);
    glViewport(left, bottom, screenWidth - rightMargin, screenHeight - topMargin);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Integer division on purpose: every offered size, 1024x786 included, gets aspect 1, and the
    // letterbox bands all share this one projection shape.
    const double aspect = double(screenHeight != 0 ? screenWidth / screenHeight : 1);
    gluPerspective(45, aspect, 0.01, 300);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void World::setDefaultViewport() { setViewport(0, 0, 0, 0); }

void World::drawShadowPass()
{
    if (stencilWindowMode)
        return;
    AttribScope attributes;
    MatrixScope outer;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_STENCIL_TEST);
    glFrontFace(GL_CCW);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glColor4f(0.0f, 0.0f, 0.0f, 0.8f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glStencilFunc(GL_NOTEQUAL, 0, 0xFFFFFFFFu);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    MatrixScope inner;
    glLoadIdentity();
    // At distance 1 under the 45-degree projection this strip covers the whole viewport.
    glBegin(GL_TRIANGLE_STRIP);
    glVertex3f(-1, 1, -1);
    glVertex3f(-1, -1, -1);
    glVertex3f(1, 1, -1);
    glVertex3f(1, -1, -1);
    glEnd();
}

Scene::Scene()
{
    if (logger)
        logger->printObject("Scene Object.");
    if (world)
        world->setLightPosition(0, 0, -1000);
}
