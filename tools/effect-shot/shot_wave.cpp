// The wave surface in the lab, in the middle band as the director draws it.
//
// "cloth": the spring cloth of the closing wave scene. Seen through the wave camera, it runs
// the spring forces, the integration and the normals every frame, is drawn sphere-mapped with
// the sky picture and then again with the logo blended over it, scrolling, and is struck at a
// random point whenever the tick count reaches 50 past a multiple of 300, the random numbers
// restarted from seed 1 as the scene does.
//
// "sheet": the wave sheet of the landscape scenes as its moving stage shows it: heights from
// the wave formula one step further each frame, fading out over 15 seconds from the start,
// textured with the background picture, unlit, 2.2 units in front of the eye.
#include "tools/effect-shot/shot.h"

#include "app/settings_dialog.h"
#include "assets/utility.h"
#include "effects/nwave.h"
#include "geometry/camera.h"
#include "geometry/random.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include "platform/gl.h"

#include <cmath>
#include <cstdint>

namespace {

// The scenes' middle band: the window less a bottom band of 16 % and a top band of 16 %.
void setMainViewport()
{
    world->setViewport(0, int32_t(std::trunc(0.16 * screenHeight)), 0, int32_t(std::trunc(0.32 * screenHeight)));
}

class ClothShot : public lab::Shot {
public:
    ClothShot()
    {
        Utility utility;
        // The cloth's own sphere map: loading it sets the sphere-map coordinate mode the
        // scene's plain copy of the same picture is drawn with.
        utility.loadJPGEnvTexture("./data/intro1.jpg", &cloth.environmentTexture);
        utility.loadJPGTexture("./data/vornix1.jpg", &logoTexture);
        utility.loadJPGTexture("./data/intro1.jpg", &introTexture);
        crt::srand(1);
    }

    void frame(double, int) override
    {
        const int32_t n = ticks;
        setMainViewport();
        {
            AttribScope attributes;
            MatrixScope matrix;
            glLoadIdentity();
            camera.set(-0.06, 1.05, 1.98, 0.03, -4.94, -8.87, 0, -0.87, 0.5);
            camera.apply();

            cloth.computeForces();
            cloth.integrate();
            cloth.computeNormals();

            setTextureMatrix(0);
            glEnable(GL_DEPTH_TEST);
            glEnable(GL_LIGHTING);
            glEnable(GL_LIGHT0);
            cloth.texture = 0;
            cloth.environmentTexture = introTexture;
            cloth.draw();

            // The logo over it, a hundredth of a unit nearer, scrolling a thousandth per tick.
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
            setTextureMatrix(0.001 * n);
            glTranslatef(0, 0, 0.01f);
            cloth.texture = logoTexture;
            cloth.environmentTexture = 0;
            cloth.draw();

            if (n % 300 == 50) {
                const int r1 = crt::rand();
                const int r2 = crt::rand();
                cloth.strike(r2 % 50 + 2, r1 % 50 + 2);
            }
            setTextureMatrix(0);
        }
    }

private:
    // Texture matrix to a shift along s; the modelview matrix is selected again after.
    static void setTextureMatrix(double shiftS)
    {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        if (shiftS != 0)
            glTranslated(shiftS, 0, 0);
        glMatrixMode(GL_MODELVIEW);
    }

    NWave cloth{61, 61};
    Camera camera;
    GLuint logoTexture = 0;
    GLuint introTexture = 0;
};

class SheetShot : public lab::Shot {
public:
    SheetShot()
    {
        Utility().loadJPGTexture("./data/bg003x.jpg", &background);
        sheet.fading = true;
        sheet.fadeStart = 0;
        sheet.fadeDuration = 15;
    }

    void frame(double, int) override
    {
        setMainViewport();
        AttribScope attributes;
        MatrixScope matrix;
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glLoadIdentity();
        glTranslatef(0, 0, -2.2f);
        sheet.texture = background;
        sheet.environmentTexture = 0;
        sheet.setSheetHeights(waveTick, demoTime);
        ++waveTick;
        sheet.draw();
    }

private:
    NWave sheet{61, 61};
    GLuint background = 0;
    int32_t waveTick = 1;
};

} // namespace

LAB_SHOT("cloth", "the wave scene's spring cloth: sky sphere map, scrolling logo, strikes", ClothShot);
LAB_SHOT("sheet", "the landscape scenes' moving wave sheet, fading flat over 15 s", SheetShot);
