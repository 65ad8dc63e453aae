// The director: one object that owns every effect, model, texture, camera and text of the show,
// arms the timetable, switches scenes on its events and draws the current scene every frame.
//
// Its constructor is the whole loading phase (everything is loaded in one fixed order before
// the music starts); onEvent is the only place the scene changes; render reads the scene state
// and draws the letterboxed frame: the scene in the middle band, the logo strip (and in the
// landscape scenes the scroller) in the top band, the metaballs in the bottom band's corner.
#pragma once

#include "effects/blend_mesh.h"
#include "effects/closing_glow.h"
#include "effects/frame_lines.h"
#include "effects/image_fluid.h"
#include "effects/logo_strip.h"
#include "effects/mathlandscape.h"
#include "effects/metaballs.h"
#include "effects/morph.h"
#include "effects/noise_overlay.h"
#include "effects/nwave.h"
#include "effects/ramp.h"
#include "effects/scroller.h"
#include "effects/space_flight.h"
#include "effects/star_glow.h"
#include "effects/stencil_window.h"
#include "effects/text.h"
#include "effects/texture_feedback.h"
#include "geometry/camera.h"
#include "geometry/flash.h"
#include "geometry/nobject.h"

#include "platform/gl.h"

#include <array>
#include <cstdint>
#include <memory>

// Where the bands of a W x H window lie (GL viewports: left, bottom, width, height).
struct Viewport {
    int left, bottom, width, height;
    bool operator==(const Viewport&) const = default;
};
struct ScreenBands {
    Viewport top, middle, bottom, metaballCorner;
};
ScreenBands screenBands(int width, int height);

constexpr int morphCount = 8; // morphs in the chain (a ninth is made and never used)

class Demo {
public:
    Demo();
    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;

    void initSceneState();

    // The timetable: scene events as they stand, beat events `lead` ms off their table times.
    void armSceneEvents(int32_t lead);
    void armBeatEvents(int32_t lead);

    void onEvent(uintptr_t identifier);
    void render();

    void setMainViewport();
    void drawTopBand();
    void drawBottomBand();
    void drawLightLayers();

    void drawImageScene();
    void drawLightFadeIn();
    void drawLogoScene() { drawFlyingObjectScene(*logoObject, logoReveal); }
    void drawPresentsScene() { drawFlyingObjectScene(*presentsObject, presentsReveal); }
    void drawTitleScene();
    void drawSpaceScene();
    void drawLandscapeScene();
    void drawStartMorphScene();
    void drawMorphScene();
    void drawWaveScene();
    void prepareWaveScene();

    // Scene state (written by onEvent and the initial scene state, read by the renderers).
    int32_t scene = 1;
    float sceneStart = 0;
    int32_t waveTick = 0;
    bool titleSliding = true;
    bool titleLayers = true;
    int32_t logoReveal = 0;
    int32_t presentsReveal = 0;
    int32_t titleReveal = 0;
    struct Material {
        GLfloat ambient[4], diffuse[4], specular[4];
        GLfloat shininess;
    } titleMaterial{};

    Ramp schedule;
    std::unique_ptr<ImageFluid> imageEffect;
    std::unique_ptr<NObject> logoObject, presentsObject, titleObject;
    std::unique_ptr<Text> titleText;
    GLuint starTexture = 0;
    std::unique_ptr<Mathlandscape> landscape;
    std::unique_ptr<Camera> ballCamera;
    std::unique_ptr<Camera> startupCamera; // the camera preInit made, once the ball camera replaces it
    std::unique_ptr<Scroller> scroller;
    GLuint spaceBallTexture = 0, backgroundTexture = 0;
    std::array<std::unique_ptr<Morph>, 9> morphs; // the ninth is made and never used
    std::unique_ptr<NObject> startMorphObject;
    // The chain's shapes in their loading order: greet4, greet3, greet2, greet1, brain2, head2,
    // thcmolekyl, vornix.
    std::array<std::unique_ptr<NObject>, 8> morphTargets;
    std::unique_ptr<Flash> flash;
    std::unique_ptr<BlendMesh> blendMesh;
    std::unique_ptr<NoiseOverlay> noiseOverlay;
    std::unique_ptr<StencilWindow> stencilShapes;
    std::unique_ptr<FrameLines> frameLines;
    std::unique_ptr<NWave> waveSheet;
    std::unique_ptr<TextureFeedback> copyTexture;
    std::unique_ptr<StarGlow> starGlow;
    std::unique_ptr<SpaceFlight> spaceScene;
    std::unique_ptr<ClosingGlow> closingGlow;
    GLuint lightTexture = 0;
    std::unique_ptr<LogoStrip> logoStrip;
    std::unique_ptr<Metaballs> metaballs;
    std::unique_ptr<Camera> waveCamera;
    std::unique_ptr<NWave> waveCloth;
    GLuint logoTexture = 0, introTexture = 0;
    std::unique_ptr<Text> storyText;

private:
    void drawFlyingObjectScene(NObject& object, int32_t& reveal);
    void drawTitleObjectPasses(NObject& object, bool layers);
    void landscapePass();
    void replaceBalls();
    // Event 2001: the ball camera becomes the current camera; the start-up camera it replaces
    // (made with new by preInit) is kept by the director. A second call changes nothing.
    void useBallCamera();
    void drawGradientLines(double y);
};

// The director, made by worldInit; null before.
extern Demo* demo;
