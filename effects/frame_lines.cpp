// FrameLines: the opening viewport layouts and their frame.
#include "effects/frame_lines.h"

#include "app/settings_dialog.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include <algorithm>

#include "platform/gl.h"

namespace {

constexpr int32_t sidewaysPixelsPerFrame = 2;
constexpr int32_t upwardPixelsPerFrame = 1;
constexpr float frameLineWidth = 1.5f;

// Layout 2's shape, as fractions of the screen: the window's left edge and width margin when it
// starts to widen, its bottom edge and its top margin once fully grown.
constexpr double leftFraction = 0.3;
constexpr double widthMarginFraction = 0.9;
constexpr double bottomFraction = 0.16;
constexpr double topMarginFraction = 0.32;
// The height phase runs to 1.47 hold times but is cut where the margin reaches 0.32 H, which is
// after 0.68 x 1.47 = 0.9996 hold times: the widening then follows on without a jump.
constexpr double heightPhaseStretch = 1.47;

int32_t truncated(double v) { return int32_t(v); }

} // namespace

void FrameLines::setLayout(int32_t m)
{
    layout = m;
    layoutStart = demoTime;
    const double w = screenWidth;
    const double h = screenHeight;
    switch (m) {
    case 1:
        x = 0;
        y = 0;
        widthMargin = screenWidth;
        heightMargin = screenHeight - stripHeight;
        break;
    case 2:
        x = truncated(leftFraction * w);
        y = truncated(bottomFraction * h);
        widthMargin = truncated(widthMarginFraction * w);
        heightMargin = screenHeight;
        break;
    case 3:
        x = 100;
        y = 200;
        widthMargin = 600;
        heightMargin = screenHeight;
        break;
    default:
        break;
    }
}

void FrameLines::apply()
{
    // A margin wider than the screen (layout 3's fixed 600 pixels on a small window) would give
    // a negative viewport size, which GL refuses, keeping the last viewport: show nothing instead.
    world->setViewport(x, y, std::min(widthMargin, screenWidth), std::min(heightMargin, screenHeight));
    glColor3f(1, 1, 1);
    advance();
}

void FrameLines::advance()
{
    const double w = screenWidth;
    const double h = screenHeight;
    if (layout == 1) {
        if (widthMargin - sidewaysPixelsPerFrame >= 0) {
            widthMargin -= sidewaysPixelsPerFrame;
        } else {
            widthMargin = 0;
            heightMargin = std::max(heightMargin - upwardPixelsPerFrame, 0);
        }
    } else if (layout == 2) {
        const double elapsed = double(demoTime) - double(layoutStart);
        const double heightPhase = heightPhaseStretch * double(holdTime);
        heightMargin = truncated((heightPhase - elapsed) / heightPhase * h);
        if (heightMargin >= topMarginFraction * h)
            return;
        heightMargin = truncated(topMarginFraction * h);
        const double closed = openTime > 0.0f ? (double(openTime) - (elapsed - double(holdTime))) / double(openTime)
                                              : 0.0;
        x = std::max(truncated(closed * leftFraction * w), 0);
        widthMargin = std::max(truncated(closed * widthMarginFraction * w), 0);
    }
}

void FrameLines::drawFrame()
{
    {
        AttribScope attributes;
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glLineWidth(frameLineWidth);
        glColor3f(0, 0, 0);
        world->beginOrtho();
        glBegin(GL_LINES);
        glVertex2f(-1, 1); // top
        glVertex2f(1, 1);
        glVertex2f(-1, -1); // bottom
        glVertex2f(1, -1);
        glVertex2f(1, 1); // right
        glVertex2f(1, -1);
        glVertex2f(-1, 1); // left
        glVertex2f(-1, -1);
        glEnd();
        world->endOrtho();
    }
    world->setViewport(0, 0, 0, 0);
}
