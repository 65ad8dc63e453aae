// The world: the program-wide drawing conventions (the projection with its letterbox margins,
// the orthographic overlay mode, the full-screen textured quad, the single light and material,
// the stencil shadow pass), the start picture shown while loading, the multitexture entry points,
// the three render-mode flags, and the demo's two clocks.
#pragma once

#include "geometry/vec3.h"

#include "platform/gl.h"

#include <cstdint>

// Elapsed wall-clock time since the world's start tick in 1/50 s units (a time, not a frame
// count). Written by preInit (1) and by the frame callback each frame; read by scenes and effects.
extern int32_t ticks;
// Seconds of music played: the demo's clock. Written by World::updateClock each frame; read by
// scenes and effects.
extern float demoTime;

// Position of light 0 as last set by World::setLightPosition; read by the scene objects for
// their light-dependent features.
extern Vec3 lightPosition;

// Render-mode flags, false at start. Set and cleared by the mesh while it compiles its alternate
// display list and by the stencil window; the world and the meshes only read them.
extern bool altListCompile;    // meshes compile line strips instead of triangles
extern bool negativeMode;      // textured drawing uses the inverted-colour combine
extern bool stencilWindowMode; // inside the stencil window: alternate lists, no shadow pass

// The ARB multitexture entry points, fetched by World::loadMultitexture (null before, or on a
// driver without the extension). They live in a namespace because the system GL header already
// declares functions of these names.
namespace arb {
extern PFNGLACTIVETEXTUREARBPROC glActiveTextureARB;
extern PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB;
} // namespace arb

// What the clock needs of the music: whether it plays, and where it is.
class MusicClock {
public:
    virtual ~MusicClock() = default;
    virtual bool isPlaying() const = 0;
    virtual int32_t position() const = 0; // milliseconds
};

class World {
public:
    World();

    // The music whose position becomes demoTime once it plays (none: the wall clock).
    void setMusicClock(const MusicClock* clock) { music = clock; }

    // Sets demoTime from the music (or the wall clock) and returns the wall-clock time since the
    // start tick in units of 1/rate second.
    int32_t updateClock(int rate);

    void loadMultitexture();

    // Loads the start picture; type is the image file-type code (1000 BMP, 1001 JPEG).
    void initBackground(const char* path, int type);
    void drawBackground();

    // The overlay mode: x and y from -1 to 1 with identity modelview. Both matrices are pushed
    // by beginOrtho and popped by endOrtho; the modelview mode is selected after each.
    void beginOrtho();
    void endOrtho();

    // A full-screen quad of the texture at depth z, in the current colour. The texture's s axis
    // runs from right to left and t from top to bottom, which undoes the picture loader's mirrored
    // rows, so a picture appears on screen as it is stored.
    void drawTexturedQuad(double z, GLuint texture);

    // Texture-combine set-ups of the active unit: (1 - texture) x incoming, or texture x incoming.
    void setInvertedCombine();
    void setNormalCombine();

    void setLightPosition(double x, double y, double z);
    void setupLighting();

    // Viewport of (screen size - right/top margins) at (left, bottom), and the scenes' projection.
    void setViewport(int32_t left, int32_t bottom, int32_t rightMargin, int32_t topMargin);
    void setDefaultViewport();

    // Darkens every stencil-marked pixel to 20 % (skipped inside the stencil window).
    void drawShadowPass();

    uint32_t startTick() const { return startTickMs; }
    GLuint startPictureTexture() const { return startPicture; }

private:
    void setCombine(GLint rgbOperand0);

    GLuint startPicture = 0;
    uint32_t startTickMs;
    const MusicClock* music = nullptr;
};

// The scene lights' companion: constructing it moves the light for the first scenes.
class Scene {
public:
    Scene();
};

// The world and scene, created by preInit.
extern World* world;
extern Scene* scene;
