// The screen overlays in the lab, each over a test picture (tex1.jpg) where it needs one:
// the stencil window moving over the picture and a lit ball, the frame lines opening in the
// middle scenes' layout, the noise grain at the space scene's levels, the logo strip in the top
// band, and the closing glow triggered on the first frame.
#include "tools/effect-shot/shot.h"

#include "app/settings_dialog.h"
#include "assets/utility.h"
#include "effects/closing_glow.h"
#include "effects/frame_lines.h"
#include "effects/logo_strip.h"
#include "effects/noise_overlay.h"
#include "effects/stencil_window.h"
#include "geometry/mesh.h"
#include "geometry/nobject.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include <cmath>

namespace {

constexpr double ballScale = 0.005; // the 100-unit model becomes a ball of radius 0.5
constexpr double ballDepth = -3.0;

GLuint loadPicture()
{
    GLuint texture = 0;
    Utility().loadJPGTexture("./data/tex1.jpg", &texture);
    return texture;
}

class Stencil : public lab::Shot {
public:
    Stencil()
    {
        ball.load3DS("./data/ball3.3ds");
        ball.scale(ballScale);
        ball.buildDisplayLists(shadeSmooth);
    }

    void frame(double, int n) override
    {
        drawPicture();
        // The landscape scenes' path of the window.
        window.moveTo(0.5 * std::sin(0.02 * n), 0.5 * std::sin(n / 70.0));
        window.beginMask();
        window.fillBlack();
        drawPicture();
        window.endWithOutline();
    }

private:
    void drawPicture()
    {
        AttribScope attributes;
        MatrixScope matrix;
        world->drawTexturedQuad(0, picture);
        glLoadIdentity();
        world->setLightPosition(100, 100, 100);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_DEPTH_TEST);
        ball.setPosition(Vec3(0, 0, ballDepth));
        ball.draw(shadeDisplayList);
    }

    GLuint picture = loadPicture();
    NObject ball;
    StencilWindow window;
};

class Lines : public lab::Shot {
public:
    Lines() { lines.setLayout(2); }

    void frame(double, int) override
    {
        {
            // A grey window, so the opening viewport's edges show.
            AttribScope attributes;
            glColor3f(0.4f, 0.4f, 0.4f);
            world->drawTexturedQuad(0, 0);
        }
        lines.apply();
        world->drawTexturedQuad(0, picture);
        lines.drawFrame();
    }

private:
    GLuint picture = loadPicture();
    FrameLines lines;
};

class Noise : public lab::Shot {
public:
    void frame(double, int) override
    {
        world->drawTexturedQuad(0, picture);
        noise.setLevels(0.35, 0.2);
        noise.draw();
    }

private:
    GLuint picture = loadPicture();
    NoiseOverlay noise;
};

class Logo : public lab::Shot {
public:
    Logo()
    {
        logo.loadTexture("./data/vornix2.jpg");
        logo.setRates(1.005, 0.01);
    }

    void frame(double, int) override
    {
        const int32_t band = int32_t(0.84 * screenHeight);
        world->setViewport(0, band, 0, band);
        logo.draw();
        world->setDefaultViewport();
    }

private:
    LogoStrip logo;
};

class Glow : public lab::Shot {
public:
    void frame(double, int n) override
    {
        if (n == 0)
            glow.trigger();
        world->drawTexturedQuad(0, picture);
        glow.draw();
    }

private:
    GLuint picture = loadPicture();
    ClosingGlow glow;
};

} // namespace

LAB_SHOT("stencil", "the stencil window moving over tex1.jpg and a lit ball", Stencil);
LAB_SHOT("framelines", "the frame lines' layout 2 opening over tex1.jpg", Lines);
LAB_SHOT("noise", "noise grain over tex1.jpg at levels 0.35 and 0.2", Noise);
LAB_SHOT("logostrip", "the logo strip drifting in the top band", Logo);
LAB_SHOT("closingglow", "the closing glow fading tex1.jpg to black over 5 s", Glow);
