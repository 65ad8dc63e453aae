// StencilWindow: the square window that moves over the landscape scenes. Inside it the scene is
// drawn a second time in the alternate look (display-listed meshes as inverted-colour line
// strips, no shadows or light maps), framed by a white outline with a crosshair.
//
// A frame uses it as: moveTo, beginMask (marks the square in the stencil buffer, confines all
// later drawing to it and sets the three render-mode flags), fillBlack (blackens the square),
// draw the scene again, endWithOutline (lifts the confinement, draws the outline and clears the
// flags). The corners are in overlay coordinates (x and y from -1 to 1).
//
// The constructor also loads "./data/black.jpg" and "./data/xcircle.3ds"; neither is drawn, they
// are kept with the window as it was built. Window thread only, with the context current.
#pragma once

#include "geometry/nobject.h"
#include "geometry/vec3.h"

#include "platform/gl.h"

#include <memory>

class StencilWindow {
public:
    static constexpr int topLeft = 0;
    static constexpr int topRight = 1;
    static constexpr int bottomRight = 2;
    static constexpr int bottomLeft = 3;
    static constexpr double halfSize = 0.3;       // the square is 0.6 x 0.6 overlay units
    static constexpr double crosshairArm = 0.1;   // overlay units from the centre
    static constexpr double modelScale = 0.005;

    StencilWindow();

    // The centred square: (-0.3, 0.3), (0.3, 0.3), (0.3, -0.3), (-0.3, -0.3).
    void resetCorners();
    // The centred square moved by (x, y).
    void moveTo(double x, double y);

    void beginMask();
    void fillBlack();
    void endWithOutline();

    // The crosshair's centre: the middle of the top edge in x, of the left edge in y.
    Vec3 crosshairCentre() const;

    Vec3 corners[4]; // top-left, top-right, bottom-right, bottom-left; z = 0
    GLuint texture = 0; // black.jpg
    std::unique_ptr<NObject> model; // xcircle.3ds at 0.005 of its size

private:
    void sendCornerQuad() const;
};
