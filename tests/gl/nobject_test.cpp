// NObject::draw on the headless context: refusals and their messages, the state every draw
// leaves behind, placement, the one-draw lag of the facing flags and the feature set-ups.
#include "geometry/nobject.h"
#include "platform/os.h"
#include "tests/gl/mesh_view.h"
#include "tests/unit/mesh_shapes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class NObjectDrawing : public MeshView {
protected:
    void SetUp() override
    {
        MeshView::SetUp();
        os::setMessageBoxHook([this](const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return os::IDOK;
        });
        testWorld.setLightPosition(0, 0, 10);
        // The refusal checks look for state a draw leaves on; start from none, whatever earlier
        // tests left behind.
        glDisable(GL_DEPTH_TEST);
    }
    void TearDown() override
    {
        os::setMessageBoxHook(nullptr);
        MeshView::TearDown();
    }

    static std::unique_ptr<NObject> cubeObject()
    {
        auto object = std::make_unique<NObject>();
        object->meshes.push_back(std::make_unique<Mesh>());
        shapes::addCube(*object->meshes[0], 1);
        return object;
    }

    std::vector<std::string> boxes;
};

bool frameIsBlank()
{
    std::vector<uint8_t> rgba(size_t(glTestWidth) * glTestHeight * 4);
    glReadPixels(0, 0, glTestWidth, glTestHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (uint8_t v : rgba)
        if (v != 0)
            return false;
    return true;
}

} // namespace

TEST_F(NObjectDrawing, MissingFeaturesAreRefusedWithTheirMessageAndNothingDrawn)
{
    const auto object = cubeObject();
    const std::pair<int, const char*> refusals[] = {
        {shadeDisplayList, "The display list doesn't exsist yet!"},
        {shadeEnvironmentMap, "The object doesn't have an enviroment map loaded!"},
        {shadeLightMap, "The object doesn't have the light initiated!"},
        {shadeTextured, "The object doesn't have a texture!"},
        {shadeShadowVolume, "The object doesn't have the shadow initiated!"},
        {shadeBumpMap, "The object doesn't have a bumpmap initiated!"},
        {shadeRadial, "The object doesn't have the radial initiated!"},
        {shadeRadialLight, "The object doesn't have the radiallight initiated!"},
    };
    for (const auto& [type, message] : refusals) {
        boxes.clear();
        const GlStacks before = GlStacks::capture();
        GLboolean depthTest = GL_TRUE;
        const Primitives sent = feedback([&] { object->draw(type); });
        glGetBooleanv(GL_DEPTH_TEST, &depthTest);
        EXPECT_EQ(GlStacks::capture(), before) << type;
        EXPECT_EQ(sent.polygons + sent.lines, 0) << type;
        EXPECT_FALSE(depthTest) << type;
        ASSERT_EQ(boxes.size(), 1u) << type;
        EXPECT_EQ(boxes[0], message);
    }
    // Refused again on every draw that asks.
    boxes.clear();
    object->draw(shadeBumpMap);
    object->draw(shadeBumpMap);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(frameIsBlank());
}

TEST_F(NObjectDrawing, EveryTypeLeavesStacksAndModeAsFound)
{
    const auto object = cubeObject();
    radialFinLength = 1;
    object->setTexture("./no/such/picture.jpg", jpgFileType);
    object->setEnvironmentMap("./no/such/picture.bmp", bmpFileType);
    object->initRadialLight();
    object->buildDisplayLists(shadeSmooth);
    EXPECT_TRUE(object->hasTexture); // on even though the pictures are missing
    EXPECT_TRUE(object->hasEnvironmentMap);
    boxes.clear();
    for (int type : {1, 2, 4, 6, 7, 9, 10, 11, 12}) {
        const GlStacks before = GlStacks::capture();
        object->draw(type);
        EXPECT_EQ(GlStacks::capture(), before) << type;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << type;
        EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST)) << type;
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << type;
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(NObjectDrawing, RadialLightSetsUpEveryFeatureItNeeds)
{
    const auto object = cubeObject();
    object->initRadialLight();
    EXPECT_TRUE(object->hasLight);
    EXPECT_TRUE(object->hasShadow);
    EXPECT_TRUE(object->hasRadial);
    EXPECT_TRUE(object->hasRadialLight);
    EXPECT_FALSE(object->hasBumpMap);
    // Light then shadow: every face is listed twice, all pointing at the one local light.
    ASSERT_EQ(object->shadowFaces.size(), 24u);
    for (const Face* face : object->shadowFaces)
        EXPECT_EQ(face->light, object->localLight.get());
    const Mesh& mesh = *object->meshes[0];
    EXPECT_NE(mesh.lightTextureA, 0u);
    EXPECT_NE(mesh.lightTextureB, mesh.lightTextureA);
    EXPECT_EQ(mesh.radialTexture, object->radialTexture);
}

TEST_F(NObjectDrawing, PositionAndOrientationPlaceTheObject)
{
    auto object = std::make_unique<NObject>();
    object->meshes.push_back(std::make_unique<Mesh>());
    // A long bar along x: after a quarter turn about z it lies along y.
    shapes::addQuad(*object->meshes[0], Vec3(0, -0.25, 0), Vec3(2.5, -0.25, 0), Vec3(2.5, 0.25, 0),
                    Vec3(0, 0.25, 0));
    object->rotate(90, 0, 0, 1);
    object->setPosition(Vec3(-1, 0, 0));
    object->draw(shadeFlat);
    EXPECT_NE(pixelAt(-1, 2), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(pixelAt(1, 0.1), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(pixelAt(-1, -0.5), (Rgba{0, 0, 0, 0}));
}

TEST_F(NObjectDrawing, RotationMatchesTheDriversMatrixStack)
{
    NObject object;
    object.rotate(37, 0.3, -1, 2);
    object.rotate(-110, 1, 0, 0);
    object.rotate(12.5, 0, 0, -1);
    float driver[16];
    glPushMatrix();
    glLoadIdentity();
    glRotatef(12.5f, 0, 0, -1);
    glRotatef(-110, 1, 0, 0);
    glRotatef(37, 0.3f, -1, 2);
    glGetFloatv(GL_MODELVIEW_MATRIX, driver);
    glPopMatrix();
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(object.orientation[i], driver[i], 1e-6) << i;
}

TEST_F(NObjectDrawing, ShadowFacingLagsOneDrawBehindAMovedLight)
{
    const auto object = cubeObject();
    object->initShadow(); // local light above: (0, 0, 10)
    object->draw(shadeShadowVolume);
    const Face* top = object->shadowFaces[0];    // +z
    const Face* bottom = object->shadowFaces[2]; // -z
    EXPECT_TRUE(top->lit);
    EXPECT_FALSE(bottom->lit);

    testWorld.setLightPosition(0, 0, -10);
    object->draw(shadeShadowVolume); // facing still judged against the light above
    EXPECT_TRUE(top->lit);
    EXPECT_FALSE(bottom->lit);
    object->draw(shadeShadowVolume);
    EXPECT_FALSE(top->lit);
    EXPECT_TRUE(bottom->lit);
}

TEST_F(NObjectDrawing, ShadowOfAMovedObjectFollowsIt)
{
    const auto object = cubeObject();
    object->initShadow();
    object->move(Vec3(1, 0, 0));
    drawFloor(-3);
    object->draw(shadeSmooth);
    object->draw(shadeShadowVolume);
    EXPECT_EQ(*object->localLight, Vec3(-1, 0, 10));
    // The top square, now x 0..2, y -1..1, reaches the floor 13/9 as far from the light's
    // foot (the origin): x 0..2.89, y -1.44..1.44, less the cube itself.
    EXPECT_EQ(stencilAt(pixelX(2.2), pixelY(0)), 1);
    EXPECT_EQ(stencilAt(pixelX(1), pixelY(1.2)), 1);
    EXPECT_EQ(stencilAt(pixelX(-0.2), pixelY(0)), 0);
    EXPECT_EQ(stencilAt(pixelX(1), pixelY(0)), 0);
    EXPECT_EQ(stencilAt(pixelX(-1.2), pixelY(0)), 0);
    // The shadow pass itself never writes colour.
    EXPECT_EQ(pixelAt(2.2, 0), (Rgba{255, 255, 255, 255}));
}

TEST_F(NObjectDrawing, LightMapNeedsOnlyTheLightAndUsesTheObjectsLight)
{
    const auto object = cubeObject();
    object->initLight(); // no ./data/light.jpg here: the spot textures stay empty
    ASSERT_TRUE(object->hasLight);
    EXPECT_FALSE(object->hasShadow);
    ASSERT_EQ(object->shadowFaces.size(), 12u);
    object->setPosition(Vec3(0, 2, 0));
    boxes.clear();
    object->draw(shadeLightMap);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(*object->localLight, Vec3(0, -2, 10));
}
