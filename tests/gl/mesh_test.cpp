// Mesh::render in each shade type on the headless context: what lands in the colour and stencil
// buffers, and where. The light-dependent types get their light, neighbours and facing set by
// hand here, as the scene object's set-ups would.
#include "geometry/mesh.h"
#include "geometry/nobject.h"
#include "platform/os.h"
#include "tests/gl/mesh_view.h"
#include "tests/unit/mesh_shapes.h"
#include "world/gl_scope.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Points every face at `light`, finds the neighbours and updates the facing.
void light(Mesh& mesh, const Vec3& position, Vec3& storage)
{
    storage = position;
    std::vector<Face*> faces;
    for (const auto& face : mesh.faces()) {
        face->light = &storage;
        faces.push_back(face.get());
    }
    findNeighbours(faces);
    for (Face* face : faces)
        face->updateFacing();
}

std::vector<std::string> boxesDuring(const std::function<void()>& body)
{
    std::vector<std::string> texts;
    os::setMessageBoxHook([&](const std::string& text, const std::string&, unsigned) {
        texts.push_back(text);
        return os::IDOK;
    });
    body();
    os::setMessageBoxHook(nullptr);
    return texts;
}

void renderInScope(Mesh& mesh, int type)
{
    AttribScope attributes;
    mesh.render(type);
}

} // namespace

using MeshShading = MeshView;

TEST_F(MeshShading, FlatUsesTheFaceNormalAndSmoothTheVertexNormals)
{
    const GLfloat direction[4] = {0, 0, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    Mesh mesh;
    const Vec3 corners[3] = {{-3, -2, 0}, {3, -2, 0}, {0, 2.5, 0}};
    const Vec3 normals[3] = {{1, 0, 0}, {0, 0, 1}, {0, 0, 1}};
    mesh.addFace(corners);
    mesh.setFaceNormal(Vec3(0, 0, 1));
    mesh.setVertexNormals(normals);

    renderInScope(mesh, shadeFlat);
    const Rgba flatLeft = pixelAt(-2, -1.8), flatRight = pixelAt(2, -1.8);
    EXPECT_EQ(flatLeft, flatRight);
    EXPECT_GT(flatLeft[0], 200); // facing the light: ambient plus full diffuse

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderInScope(mesh, shadeSmooth);
    const Rgba smoothLeft = pixelAt(-2, -1.8), smoothRight = pixelAt(2, -1.8);
    EXPECT_LT(smoothLeft[0] + 40, smoothRight[0]); // the left corner's normal is edge-on
    EXPECT_NEAR(smoothRight[0], flatRight[0], 30);
}

TEST_F(MeshShading, TexturedShowsTheTextureAndLeavesLightingToTheCaller)
{
    Mesh mesh;
    shapes::addFlatSquare(mesh, 2); // texture (0,0) at (-2,-2) to (1,1) at (2,2)
    mesh.setTexture(cornerTexture());
    renderInScope(mesh, shadeTextured);
    EXPECT_EQ(pixelAt(-1, -1), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(1, -1), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(pixelAt(-1, 1), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(pixelAt(1, 1), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pixelAt(3, 0), (Rgba{0, 0, 0, 0}));

    // The negative look inverts the texture and gives the normal combine back afterwards.
    negativeMode = true;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    {
        AttribScope attributes;
        mesh.render(shadeTextured);
        GLint operand = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, &operand);
        EXPECT_EQ(operand, GL_SRC_COLOR);
    }
    EXPECT_EQ(pixelAt(-1, -1), (Rgba{0, 255, 255, 255}));
    EXPECT_EQ(pixelAt(1, 1), (Rgba{0, 0, 0, 255}));
}

TEST_F(MeshShading, EnvironmentMapIsUnlitSphereMappedTexture)
{
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_LIGHTING); // switched off by the type
    Mesh mesh;
    shapes::addFlatSquare(mesh, 2);
    mesh.setEnvironmentTexture(solidTexture(0, 200, 100));
    renderInScope(mesh, shadeEnvironmentMap);
    EXPECT_EQ(pixelAt(0.5, -0.5), (Rgba{0, 200, 100, 255}));
}

TEST_F(MeshShading, LightMapMultipliesTheFrameByTheSpotCentredOnTheLight)
{
    glClearColor(200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    Mesh mesh;
    shapes::addFlatSquare(mesh, 2);
    mesh.setLightRadius(4); // s = x / 4 + 0.5: the 2x2 texture's halves meet under the light
    mesh.setLightTextures(cornerTexture(), solidTexture(255, 255, 255));
    Vec3 at;
    light(mesh, Vec3(0, 0, 0), at);
    renderInScope(mesh, shadeLightMap);
    EXPECT_EQ(pixelAt(-1, -1), (Rgba{200, 0, 0, 255}));
    EXPECT_EQ(pixelAt(1, -1), (Rgba{0, 200, 0, 255}));
    EXPECT_EQ(pixelAt(-1, 1), (Rgba{0, 0, 200, 255}));
    EXPECT_EQ(pixelAt(1, 1), (Rgba{200, 200, 200, 255}));
    EXPECT_EQ(pixelAt(3, 0), (Rgba{200, 200, 200, 255})); // outside the mesh

    // The spot follows the light: moved to (1, 1), the red quarter covers the lower left three.
    glClear(GL_COLOR_BUFFER_BIT);
    at = Vec3(1, 1, 0);
    renderInScope(mesh, shadeLightMap);
    EXPECT_EQ(pixelAt(0.5, 0.5), (Rgba{200, 0, 0, 255}));
    EXPECT_EQ(pixelAt(1.5, 1.5), (Rgba{200, 200, 200, 255}));

    // Inside the stencil window there are no light spots.
    stencilWindowMode = true;
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(feedback([&] { renderInScope(mesh, shadeLightMap); }).polygons, 0);
    renderInScope(mesh, shadeLightMap);
    EXPECT_EQ(pixelAt(-1, -1), (Rgba{200, 200, 200, 255}));
}

TEST_F(MeshShading, ShadowVolumeMarksExactlyTheCubesShadowOnTheFloor)
{
    Mesh cube;
    shapes::addCube(cube, 1);
    Vec3 at;
    light(cube, Vec3(0, 0, 10), at); // only the top is lit
    drawFloor(-3);
    renderInScope(cube, shadeSmooth);
    const Rgba cubeTop = pixelAt(0, 0);
    renderInScope(cube, shadeShadowVolume);

    // From the light at height 10 the top square's edges (height 1) reach the floor (height -3)
    // 13/9 as far out: a ring between half-widths 1 and 1.444 outside the cube.
    EXPECT_EQ(stencilAt(pixelX(1.2), pixelY(0)), 1);
    EXPECT_EQ(stencilAt(pixelX(0), pixelY(-1.3)), 1);
    EXPECT_EQ(stencilAt(pixelX(-1.3), pixelY(1.3)), 1);
    EXPECT_EQ(stencilAt(pixelX(0), pixelY(0)), 0);    // the cube's own top
    EXPECT_EQ(stencilAt(pixelX(1.6), pixelY(0)), 0);  // lit floor
    EXPECT_EQ(stencilAt(pixelX(1.5), pixelY(1.5)), 0);
    const double outer = 2 * 13.0 / 9.0 * pixelsPerUnit, inner = 2.0 * pixelsPerUnit;
    EXPECT_NEAR(stencilMarkedPixels(), outer * outer - inner * inner, 0.03 * (outer * outer - inner * inner));
    EXPECT_EQ(pixelAt(0, 0), cubeTop); // the colour buffer is untouched
    EXPECT_EQ(pixelAt(1.2, 0), (Rgba{255, 255, 255, 255}));

    // Inside the stencil window the volume is left out.
    glClear(GL_STENCIL_BUFFER_BIT);
    stencilWindowMode = true;
    renderInScope(cube, shadeShadowVolume);
    EXPECT_EQ(stencilMarkedPixels(), 0);
}

TEST_F(MeshShading, OpenSurfaceCastsNoShadowSides)
{
    Mesh square;
    shapes::addFlatSquare(square, 1);
    Vec3 at;
    light(square, Vec3(0.5, 0.5, 10), at);
    ASSERT_TRUE(square.faces()[0]->lit);
    drawFloor(-3);
    renderInScope(square, shadeShadowVolume);
    EXPECT_EQ(stencilMarkedPixels(), 0);
}

TEST_F(MeshShading, RadialFinsGrowOnlyFromSilhouetteEdges)
{
    radialFinLength = 1;
    Mesh cube;
    shapes::addCube(cube, 1);
    cube.setRadialTexture(solidTexture(255, 255, 255));
    Vec3 at;
    light(cube, Vec3(0, 0, 1.5), at); // just above the top: its four edges are the silhouette

    const Primitives sent = feedback([&] { renderInScope(cube, shadeRadial); });
    EXPECT_EQ(sent.polygonVertices, sent.polygons == 4 ? 16 : 24) << "four quads";

    renderInScope(cube, shadeRadial);
    // Each fin adds a tenth of white; from (1, 0, 1) away from the light a unit fin reaches
    // x = 1.89.
    EXPECT_NEAR(pixelAt(1.4, 0)[0], 26, 1);
    EXPECT_NEAR(pixelAt(0, -1.4)[1], 26, 1);
    EXPECT_EQ(pixelAt(0, 0), (Rgba{0, 0, 0, 0})); // no fin over the lit top
    EXPECT_EQ(pixelAt(2.1, 0), (Rgba{0, 0, 0, 0}));

    // A light inside the top's plane lights nothing, so nothing grows.
    at = Vec3(0, 0, 1);
    for (const auto& face : cube.faces())
        face->updateFacing();
    EXPECT_EQ(feedback([&] { renderInScope(cube, shadeRadial); }).polygons, 0);
}

TEST_F(MeshShading, RadialLightFinsCarryTheSpotOnThreeUnits)
{
    radialFinLength = 1;
    Mesh cube;
    shapes::addCube(cube, 1);
    cube.setRadialTexture(solidTexture(255, 255, 255));
    cube.setLightTextures(solidTexture(255, 255, 255), solidTexture(0, 255, 255));
    Vec3 at;
    light(cube, Vec3(0, 0, 1.5), at);
    glColor4f(1, 1, 1, 1); // the type leaves the colour to the caller
    {
        AttribScope attributes;
        cube.render(shadeRadialLight);
        GLint active = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
        EXPECT_EQ(active, GL_TEXTURE2_ARB);
        for (GLenum unit : {GL_TEXTURE0_ARB, GL_TEXTURE1_ARB, GL_TEXTURE2_ARB}) {
            arb::glActiveTextureARB(unit);
            EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        }
    }
    EXPECT_EQ(pixelAt(1.4, 0), (Rgba{0, 255, 255, 255})); // white x white x cyan, added
    EXPECT_EQ(pixelAt(0, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(pixelAt(2.1, 0), (Rgba{0, 0, 0, 0}));
    const Primitives sent = feedback([&] { renderInScope(cube, shadeRadialLight); });
    EXPECT_EQ(sent.polygonVertices, sent.polygons == 4 ? 16 : 24);
}

TEST_F(MeshShading, BumpMapBrightensWhereTheLightFacesTheNormalMap)
{
    Mesh mesh;
    shapes::addFlatSquare(mesh, 2);
    mesh.setBumpTexture(solidTexture(128, 128, 255)); // every normal straight out of the surface
    mesh.setTexture(solidTexture(200, 100, 50));
    Vec3 at;
    light(mesh, Vec3(0, 0, 100), at);
    const GlStacks before = GlStacks::capture();
    mesh.render(shadeBumpMap);
    EXPECT_EQ(GlStacks::capture(), before); // the type brackets itself
    const Rgba overhead = pixelAt(0.5, 0.5);
    EXPECT_NEAR(overhead[0], 200, 4);
    EXPECT_NEAR(overhead[1], 100, 4);
    EXPECT_NEAR(overhead[2], 50, 4);

    at = Vec3(100, 0, 0.001); // grazing: the light vector lies in the surface
    mesh.render(shadeBumpMap);
    EXPECT_LT(pixelAt(0.5, 0.5)[0], 10);
}

TEST_F(MeshShading, DisplayListsShowTheTypeAndTheAlternateLinesInTheStencilWindow)
{
    Mesh mesh;
    shapes::addCube(mesh, 1);
    mesh.buildDisplayLists(shadeSmooth);
    EXPECT_FALSE(altListCompile);
    EXPECT_FALSE(negativeMode);
    ASSERT_NE(mesh.displayList, 0u);
    ASSERT_NE(mesh.alternateDisplayList, mesh.displayList);

    const Primitives normal = feedback([&] { renderInScope(mesh, shadeDisplayList); });
    EXPECT_EQ(normal.polygons, 12);
    EXPECT_EQ(normal.lines, 0);
    stencilWindowMode = true;
    const Primitives alternate = feedback([&] { renderInScope(mesh, shadeDisplayList); });
    EXPECT_EQ(alternate.polygons, 0);
    EXPECT_EQ(alternate.lines, 3 * 12 - 1); // one strip through every vertex in face order
}

TEST_F(MeshShading, LineStripLookMakesOneStripThroughAllVertices)
{
    Mesh mesh;
    shapes::addCube(mesh, 1);
    altListCompile = true;
    const Primitives sent = feedback([&] { renderInScope(mesh, shadeSmooth); });
    EXPECT_EQ(sent.polygons, 0);
    EXPECT_EQ(sent.lines, 3 * mesh.faceCount() - 1);
}

TEST_F(MeshShading, UnknownTypesShowTheirNumberAndDrawNothing)
{
    Mesh mesh;
    shapes::addFlatSquare(mesh, 2);
    for (int type : {0, 3, 5, 13}) {
        Primitives sent;
        const auto boxes = boxesDuring([&] { sent = feedback([&] { renderInScope(mesh, type); }); });
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], "No such shade type: " + std::to_string(type));
        EXPECT_EQ(sent.polygons + sent.lines, 0);
    }
}

TEST_F(MeshShading, EmptyMeshDrawsNothingInAnyType)
{
    Mesh mesh;
    mesh.buildDisplayLists(shadeFlat);
    for (int type : {1, 2, 4, 6, 7, 8, 9, 10, 11, 12}) {
        const Primitives sent = feedback([&] { renderInScope(mesh, type); });
        EXPECT_EQ(sent.polygons + sent.lines, 0) << type;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << type;
    }
}
