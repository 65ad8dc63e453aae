// StencilWindow: the stencil-masked window of the landscape scenes, its black fill and outline.
#include "effects/stencil_window.h"

#include "assets/utility.h"
#include "world/gl_scope.h"
#include "world/world.h"

namespace {

constexpr GLuint allStencilBits = 0xFFFFFFFFu;
constexpr float outlineWidth = 2.0f;
constexpr float crosshairWidth = 1.0f;

void line(const Vec3& from, const Vec3& to)
{
    glVertex2f(from.x, from.y);
    glVertex2f(to.x, to.y);
}

} // namespace

StencilWindow::StencilWindow() : model(std::make_unique<NObject>())
{
    Utility().loadJPGTexture("./data/black.jpg", &texture);
    model->load3DS("./data/xcircle.3ds");
    model->scale(modelScale);
    resetCorners();
}

void StencilWindow::resetCorners()
{
    corners[topLeft] = Vec3(-halfSize, halfSize, 0);
    corners[topRight] = Vec3(halfSize, halfSize, 0);
    corners[bottomRight] = Vec3(halfSize, -halfSize, 0);
    corners[bottomLeft] = Vec3(-halfSize, -halfSize, 0);
}

void StencilWindow::moveTo(double x, double y)
{
    resetCorners();
    const Vec3 shift(x, y, 0);
    for (Vec3& corner : corners)
        corner = corner + shift;
}

Vec3 StencilWindow::crosshairCentre() const
{
    return Vec3((double(corners[topRight].x) + corners[topLeft].x) / 2,
                (double(corners[bottomLeft].y) + corners[topLeft].y) / 2, 0);
}

void StencilWindow::sendCornerQuad() const
{
    glBegin(GL_QUADS);
    for (const Vec3& corner : corners)
        glVertex2f(corner.x, corner.y);
    glEnd();
}

void StencilWindow::beginMask()
{
    glClear(GL_STENCIL_BUFFER_BIT);
    {
        MatrixScope matrix;
        AttribScope attributes;
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_STENCIL_TEST);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glStencilFunc(GL_ALWAYS, 1, allStencilBits);
        glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
        glLoadIdentity();
        world->beginOrtho();
        sendCornerQuad();
        world->endOrtho();
    }
    // Left on until endWithOutline: only the marked square takes any drawing.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_NOTEQUAL, 0, allStencilBits);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    altListCompile = true;
    negativeMode = true;
    stencilWindowMode = true;
}

void StencilWindow::fillBlack()
{
    glClear(GL_DEPTH_BUFFER_BIT);
    AttribScope attributes;
    glColor4f(0, 0, 0, 0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    world->beginOrtho();
    sendCornerQuad();
    world->endOrtho();
}

void StencilWindow::endWithOutline()
{
    glDisable(GL_STENCIL_TEST);
    {
        MatrixScope matrix;
        AttribScope attributes;
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glLoadIdentity();
        world->beginOrtho();
        glColor3f(1, 1, 1);
        glLineWidth(outlineWidth);
        glBegin(GL_LINES);
        line(corners[bottomRight], corners[bottomLeft]);
        line(corners[topRight], corners[bottomRight]);
        line(corners[topLeft], corners[topRight]);
        line(corners[bottomLeft], corners[topLeft]);
        glEnd();
        glLineWidth(crosshairWidth);
        const Vec3 c = crosshairCentre();
        const Vec3 across(crosshairArm, 0, 0);
        const Vec3 up(0, crosshairArm, 0);
        glBegin(GL_LINES);
        line(c - across, c + across);
        line(c - up, c + up);
        glEnd();
        world->endOrtho();
    }
    glColor3f(1, 1, 1);
    glClear(GL_STENCIL_BUFFER_BIT);
    altListCompile = false;
    negativeMode = false;
    stencilWindowMode = false;
}
