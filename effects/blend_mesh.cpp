#include "effects/blend_mesh.h"

#include "app/log.h"
#include "world/gl_scope.h"

#include "platform/gl.h"

#include <cmath>

BlendMesh::BlendMesh()
{
    if (logger)
        logger->printObject("BlendMesh Object.");
}

float BlendMesh::alphaOfFrame(int32_t n) const
{
    if (duration <= 0)
        return 0.0f;
    return (1.0f - float(n) / float(duration)) * opacity;
}

// 0.06666666666666667 is 1/15: at the default speed of 10 the grid recedes 2/3 of a unit per
// frame, which puts it 66 units back on the last frame of a 100-frame flight.
double BlendMesh::zOfFrame(int32_t n) const { return -n * 0.06666666666666667 * speed; }

void BlendMesh::draw()
{
    if (done)
        return;
    if (duration <= 0) {
        // A flight of no frames: nothing to show, and the frame count below would never reach it.
        done = true;
        frame = 0;
        return;
    }
    {
        MatrixScope matrix;
        AttribScope attributes;
        glLoadIdentity();
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisable(GL_CULL_FACE);
        glDepthMask(GL_FALSE);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_LINE_SMOOTH);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
        glLineWidth(lineWidth);

        glTranslated(0, 0, zOfFrame(frame));
        glTranslated(std::sin(frame / wobblePeriod), 0, 0);
        glTranslated(0, std::cos(frame / wobblePeriod), 0);
        glRotated(frame * spin, 0, 0, 1);
        glColor4f(1, 1, 1, alphaOfFrame(frame));

        const float h = halfSize;
        glBegin(GL_LINES);
        for (int i = 0; i <= lineCount; ++i) {
            const float o = i * 2 * h / lineCount;
            glVertex3f(h - o, h, 0);
            glVertex3f(h - o, -h, 0);
            glVertex3f(-h, h - o, 0);
            glVertex3f(h, h - o, 0);
        }
        glEnd();
        glDepthMask(GL_TRUE);
    }
    frame = frame + 1;
    if (frame >= duration) {
        done = true;
        frame = 0;
    }
}
