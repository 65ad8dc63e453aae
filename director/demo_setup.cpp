// The director's loading phase: every asset and effect in one fixed order, then the scene
// state the show starts from.
#include "director/demo.h"

#include "app/settings_dialog.h"
#include "assets/utility.h"
#include "geometry/mesh.h"
#include "world/world.h"

Demo* demo = nullptr;

namespace {

struct MorphLink {
    int start; // -1: the start shape; otherwise an index into morphTargets
    int end;
};
// Target indices in loading order: greet4 0, greet3 1, greet2 2, greet1 3, brain2 4, head2 5,
// thcmolekyl 6, vornix 7.
constexpr MorphLink morphChain[morphCount] = {{-1, 0}, {0, 6}, {6, 1}, {1, 4}, {4, 2}, {2, 5}, {5, 3}, {3, 7}};

struct ModelFile {
    const char* path;
    double scale;
};
constexpr ModelFile morphTargetFiles[8] = {
    {"./data/greet4.3ds", 0.2},  {"./data/greet3.3ds", 0.2},   {"./data/greet2.3ds", 0.2},
    {"./data/greet1.3ds", 0.2},  {"./data/brain2.3ds", 0.005}, {"./data/head2.3ds", 0.005},
    {"./data/thcmolekyl.3ds", 0.1}, {"./data/vornix.3ds", 0.01},
};

GLuint loadTexture(const char* path)
{
    Utility utility;
    GLuint texture = 0;
    utility.loadJPGTexture(path, &texture);
    return texture;
}

} // namespace

Demo::Demo()
{
    scene = 1;
    imageEffect = std::make_unique<ImageFluid>();

    logoObject = std::make_unique<NObject>();
    presentsObject = std::make_unique<NObject>();
    titleObject = std::make_unique<NObject>();
    const ModelFile titles[3] = {{"./data/vornix2.3ds", 3.0}, {"./data/presents.3ds", 3.0}, {"./data/talv1b.3ds", 0.85}};
    NObject* titleObjects[3] = {logoObject.get(), presentsObject.get(), titleObject.get()};
    for (int i = 0; i < 3; ++i) {
        titleObjects[i]->load3DS(titles[i].path);
        titleObjects[i]->initRadial();
        titleObjects[i]->scale(titles[i].scale);
        titleObjects[i]->initLight();
        titleObjects[i]->initRadialLight();
    }

    titleText = std::make_unique<Text>();
    starTexture = loadTexture("./data/star.jpg");
    landscape = std::make_unique<Mathlandscape>();
    // The landscape scenes' light and the camera the first of them starts from.
    world->setLightPosition(1, 4, -200);
    if (currentCamera)
        currentCamera->set(5.89, 4.11, -11.25, -5.43, -15.75, -4.17, 0, 1, 0);
    landscape->freeFlight = false;
    if (currentCamera)
        currentCamera->loadPath("./data/boll.pos");
    ballCamera = std::make_unique<Camera>();
    ballCamera->loadPath("./data/boll.pos");
    scroller = std::make_unique<Scroller>();
    spaceBallTexture = loadTexture("./data/spaceboll.jpg");
    backgroundTexture = loadTexture("./data/bg003x.jpg");

    for (auto& morph : morphs)
        morph = std::make_unique<Morph>();
    startMorphObject = std::make_unique<NObject>();
    startMorphObject->load3DS("./data/startmorph.3ds");
    startMorphObject->scale(0.001);
    startMorphObject->setEnvironmentMap("./data/ChromeGreen.jpg", jpgFileType);
    for (int i = 0; i < 8; ++i) {
        morphTargets[size_t(i)] = std::make_unique<NObject>();
        morphTargets[size_t(i)]->load3DS(morphTargetFiles[i].path);
        morphTargets[size_t(i)]->scale(morphTargetFiles[i].scale);
    }
    for (int k = 0; k < morphCount; ++k) {
        const MorphLink& link = morphChain[k];
        Morph& morph = *morphs[size_t(k)];
        morph.setStartObject(link.start < 0 ? startMorphObject.get() : morphTargets[size_t(link.start)].get());
        morph.setEndObject(morphTargets[size_t(link.end)].get());
        morph.initMoprh();
        morph.loadEnvMap("./data/ChromeGreen.jpg");
    }

    flash = std::make_unique<Flash>();
    blendMesh = std::make_unique<BlendMesh>();
    blendMesh->setDuration(100);
    noiseOverlay = std::make_unique<NoiseOverlay>();
    noiseOverlay->setLevels(0.35, 0.5);
    stencilShapes = std::make_unique<StencilWindow>();
    frameLines = std::make_unique<FrameLines>();
    waveSheet = std::make_unique<NWave>(61, 61);
    copyTexture = std::make_unique<TextureFeedback>();
    starGlow = std::make_unique<StarGlow>();
    spaceScene = std::make_unique<SpaceFlight>();
    closingGlow = std::make_unique<ClosingGlow>();
    initSceneState();

    lightTexture = loadTexture("./data/ljus1.jpg");
    logoStrip = std::make_unique<LogoStrip>();
    logoStrip->loadTexture("./data/vornix2.jpg");
    logoStrip->setRates(1.005, 0.01);
    metaballs = std::make_unique<Metaballs>();
    metaballs->loadEnvMap("./data/tunnel2.jpg", jpgFileType);
    waveCamera = std::make_unique<Camera>();
    waveCloth = std::make_unique<NWave>(61, 61);
    {
        Utility utility;
        utility.loadJPGEnvTexture("./data/intro1.jpg", &waveCloth->environmentTexture);
    }
    logoTexture = loadTexture("./data/vornix1.jpg");
    introTexture = loadTexture("./data/intro1.jpg");
    waveCamera->loadPath("./data/boll.pos");
    storyText = std::make_unique<Text>();
    storyText->loadText("./data/text.txt");
    storyText->setPosition(0, -0.02);
    storyText->setFontHeight(12);
}

void Demo::initSceneState()
{
    sceneStart = 0;
    titleSliding = true;
    titleLayers = true;
    logoReveal = presentsReveal = titleReveal = 0;
    for (NObject* object : {logoObject.get(), presentsObject.get(), titleObject.get()}) {
        object->setLightRadius(50);
        object->setPosition(Vec3(45, 0, 0)); // far right: the title scenes fly them in
    }
    titleText->startTyping("#Vornix presents Talvoren.");
    titleText->setPosition(0.15, -0.8);
    radialFinLength = 25;
    if (currentCamera)
        currentCamera->set(0, 0, 55.25, 0, 0, -45.25, 0, 1, 0);
    titleMaterial = Material{{0.2732394f, 0.4450704f, 0.3718310f, 1.0f},
                             {0.8f, 0.8f, 0.8f, 0.8f},
                             {1.0f, 1.0f, 1.0f, 1.0f},
                             30.0f};
}

ScreenBands screenBands(int width, int height)
{
    // Band edges from the window size in double precision, truncated.
    const int top = int(0.84 * height);
    const int middleBottom = int(0.16 * height);
    const int middleMargin = int(0.32 * height);
    const int cornerMargin = int(0.8 * width);
    ScreenBands bands;
    bands.top = {0, top, width, height - top};
    bands.middle = {0, middleBottom, width, height - middleMargin};
    bands.bottom = {0, 0, width, height - top};
    bands.metaballCorner = {0, 0, width - cornerMargin, height - top};
    return bands;
}
