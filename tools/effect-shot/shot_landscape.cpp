// The math landscape in the lab: the landscape scene's pass as the director draws it. The camera
// starts where the start-up puts it and flies the ball path "./data/boll.pos" one step per frame
// (it stays at the start-up view when the file is missing); the background picture turns with
// the camera, the terrain is drawn lit and fogged in the landscape's material, then the balls
// take their step with their shadows. The light starts at (1, 4, -200), as the start-up sets it;
// the balls move it above the scene from their first frame on.
#include "tools/effect-shot/shot.h"

#include "assets/utility.h"
#include "effects/mathlandscape.h"
#include "geometry/camera.h"
#include "geometry/mesh.h"
#include "geometry/nobject.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include "platform/gl.h"

namespace {

class LandscapeShot : public lab::Shot {
public:
    LandscapeShot()
    {
        world->setLightPosition(1, 4, -200);
        camera.set(5.89, 4.11, -11.25, -5.43, -15.75, -4.17, 0, 1, 0);
        followsPath = camera.loadPath("./data/boll.pos");
        Utility().loadJPGTexture("./data/spaceboll.jpg", &background);
    }

    void frame(double, int) override
    {
        AttribScope attributes;
        MatrixScope matrix;
        glLoadIdentity();
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        if (followsPath)
            camera.followPath();
        drawBackground();
        drawPass();
    }

private:
    // The background slides and turns with the camera through the texture matrix.
    void drawBackground()
    {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        camera.apply();
        glMatrixMode(GL_MODELVIEW);
        world->drawTexturedQuad(0, background);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }

    void drawPass()
    {
        AttribScope attributes;
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glEnable(GL_FOG);
        glMaterialfv(GL_FRONT, GL_AMBIENT, landscape.materialAmbient);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, landscape.materialDiffuse);
        glMaterialfv(GL_FRONT, GL_SPECULAR, landscape.materialSpecular);
        glMaterialf(GL_FRONT, GL_SHININESS, landscape.materialShininess);
        MatrixScope matrix;
        glLoadIdentity();
        camera.apply();
        landscape.object->draw(shadeDisplayList);
        landscape.updateBalls();
    }

    Mathlandscape landscape;
    Camera camera;
    bool followsPath = false;
    GLuint background = 0;
};

} // namespace

LAB_SHOT("landscape", "the landscape pass: terrain, rolling balls and shadows along the ball camera path",
         LandscapeShot);
