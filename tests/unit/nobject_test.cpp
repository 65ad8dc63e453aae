// The scene object's logic without a GL context: the neighbour search against the plain
// all-pairs search it replaces, the orientation bookkeeping and the facing test.
#include "geometry/nobject.h"
#include "tests/unit/mesh_shapes.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>

namespace {

using Neighbours = std::array<Face*, 3>;

// The all-pairs search, written as plainly as possible: the reference result.
std::vector<Neighbours> referenceNeighbours(const std::vector<Face*>& faces)
{
    auto contains = [](const Face* face, const Vec3& p) {
        return face->vertices[0] == p || face->vertices[1] == p || face->vertices[2] == p;
    };
    std::vector<Neighbours> result(faces.size());
    for (size_t j = 0; j < faces.size(); ++j) {
        Neighbours found = {};
        for (size_t i = 0; i < faces.size(); ++i)
            for (int k = 0; k < 3; ++k)
                if (i != j && contains(faces[i], faces[j]->vertices[k]) &&
                    contains(faces[i], faces[j]->vertices[(k + 1) % 3]))
                    found[k] = faces[i];
        // A face listed twice keeps the result of its last place in the list.
        result[j] = found;
    }
    for (size_t j = 0; j < faces.size(); ++j)
        for (size_t later = j + 1; later < faces.size(); ++later)
            if (faces[later] == faces[j])
                result[j] = result[later];
    return result;
}

std::vector<Neighbours> fastNeighbours(const std::vector<Face*>& faces)
{
    findNeighbours(faces);
    std::vector<Neighbours> result;
    for (Face* face : faces)
        result.push_back({face->neighbours[0], face->neighbours[1], face->neighbours[2]});
    return result;
}

std::vector<Face*> facesOf(const Mesh& mesh)
{
    std::vector<Face*> faces;
    for (const auto& face : mesh.faces())
        faces.push_back(face.get());
    return faces;
}

void expectSameAsReference(const std::vector<Face*>& faces)
{
    const std::vector<Neighbours> expected = referenceNeighbours(faces);
    const std::vector<Neighbours> actual = fastNeighbours(faces);
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t j = 0; j < faces.size(); ++j)
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(actual[j][k], expected[j][k]) << "face " << j << " edge " << k;
}

// Corners drawn from a small pool, so edges are shared by many faces; the pool holds +0 and -0
// forms of the same point, a NaN point, and faces may repeat a corner.
Mesh randomMesh(unsigned seed, int faceCount)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Vec3 pool[] = {{0, 0, 0},  {-0.0, 0, 0}, {0, -0.0, -0.0}, {1, 0, 0}, {0, 1, 0},
                         {0, 0, 1},  {1, 1, 0},    {1, 1, 1},       {2, 0, 1}, {nan, 0, 0},
                         {0, nan, 1}, {-1, 0.5, 0}};
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> pick(0, int(std::size(pool)) - 1);
    Mesh mesh;
    for (int f = 0; f < faceCount; ++f) {
        const Vec3 corners[3] = {pool[pick(generator)], pool[pick(generator)], pool[pick(generator)]};
        mesh.addFace(corners);
    }
    return mesh;
}

Vec3 transformed(const float m[16], const Vec3& v) { return v.rotateByMatrix(m); }

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance = 1e-5)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

} // namespace

TEST(NObjectNeighbours, MatchTheAllPairsSearchOnRandomMeshes)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const Mesh mesh = randomMesh(seed, 5 + int(seed) * 7);
        SCOPED_TRACE(seed);
        expectSameAsReference(facesOf(mesh));
    }
}

TEST(NObjectNeighbours, MatchTheAllPairsSearchOnClosedMeshesAndTheDoubledList)
{
    Mesh cube, torus;
    shapes::addCube(cube, 1);
    shapes::addTorus(torus, 12, 8, 3, 1);
    for (const Mesh* mesh : {&cube, &torus}) {
        std::vector<Face*> faces = facesOf(*mesh);
        expectSameAsReference(faces);
        for (Face* face : faces)
            for (int k = 0; k < 3; ++k) {
                ASSERT_NE(face->neighbours[k], nullptr);
                ASSERT_NE(face->neighbours[k], face);
                // The face across the edge has this face across one of its own edges.
                Face* const* back = face->neighbours[k]->neighbours;
                EXPECT_TRUE(back[0] == face || back[1] == face || back[2] == face);
            }
        // The list as it is after both the light and the shadow set-up.
        std::vector<Face*> doubled = faces;
        doubled.insert(doubled.end(), faces.begin(), faces.end());
        expectSameAsReference(doubled);
    }
}

TEST(NObjectNeighbours, TwoTrianglesShareOneEdgeAndBordersStayOpen)
{
    Mesh mesh;
    shapes::addFlatSquare(mesh, 1); // a-b-c and a-c-d
    const std::vector<Face*> faces = facesOf(mesh);
    findNeighbours(faces);
    EXPECT_EQ(faces[0]->neighbours[0], nullptr);
    EXPECT_EQ(faces[0]->neighbours[1], nullptr);
    EXPECT_EQ(faces[0]->neighbours[2], faces[1]); // c-a
    EXPECT_EQ(faces[1]->neighbours[0], faces[0]); // a-c
    EXPECT_EQ(faces[1]->neighbours[1], nullptr);
    EXPECT_EQ(faces[1]->neighbours[2], nullptr);

    // Listed twice, a border edge finds the face itself: harmless, a lit face is never its own
    // silhouette neighbour.
    std::vector<Face*> doubled = faces;
    doubled.insert(doubled.end(), faces.begin(), faces.end());
    findNeighbours(doubled);
    EXPECT_EQ(faces[0]->neighbours[0], faces[0]);
    EXPECT_EQ(faces[0]->neighbours[2], faces[1]);
}

TEST(NObjectNeighbours, ZerosOfEitherSignMatchAndNaNMatchesNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Mesh mesh;
    const Vec3 first[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const Vec3 signedZeros[3] = {{1, -0.0, -0.0}, {-0.0, -0.0, 0}, {0, -1, 0}};
    const Vec3 withNaN[3] = {{nan, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const Vec3 nanTwin[3] = {{nan, 0, 0}, {0, 1, 0}, {1, 0, 0}};
    mesh.addFace(first);
    mesh.addFace(signedZeros);
    mesh.addFace(withNaN);
    mesh.addFace(nanTwin);
    const std::vector<Face*> faces = facesOf(mesh);
    expectSameAsReference(faces);
    EXPECT_EQ(faces[0]->neighbours[0], faces[1]); // (0,0,0)-(1,0,0) against (1,-0,-0)-(-0,-0,0)
    EXPECT_EQ(faces[1]->neighbours[0], faces[0]);
    EXPECT_EQ(faces[0]->neighbours[1], faces[3]); // last of the two faces holding (1,0,0)-(0,1,0)
    EXPECT_EQ(faces[2]->neighbours[0], nullptr);  // an edge from a NaN corner
    EXPECT_EQ(faces[3]->neighbours[2], nullptr);
    EXPECT_EQ(faces[2]->neighbours[1], faces[3]);
}

TEST(NObjectNeighbours, ADegenerateEdgeMatchesEveryFaceHoldingItsPoint)
{
    Mesh mesh;
    const Vec3 degenerate[3] = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}};
    const Vec3 touching[3] = {{5, 5, 5}, {0, 0, 0}, {6, 0, 0}};
    const Vec3 notTouching[3] = {{5, 5, 5}, {6, 0, 0}, {7, 0, 0}};
    mesh.addFace(degenerate);
    mesh.addFace(touching);
    mesh.addFace(notTouching);
    const std::vector<Face*> faces = facesOf(mesh);
    expectSameAsReference(faces);
    EXPECT_EQ(faces[0]->neighbours[0], faces[1]); // the point (0,0,0) alone
    EXPECT_EQ(faces[0]->neighbours[1], nullptr);
}

TEST(NObjectNeighbours, ShadowSetUpSearchesAcrossMeshes)
{
    NObject object;
    object.meshes.push_back(std::make_unique<Mesh>());
    object.meshes.push_back(std::make_unique<Mesh>());
    shapes::addTriangle(*object.meshes[0], Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0));
    shapes::addTriangle(*object.meshes[1], Vec3(1, 0, 0), Vec3(0, 0, 0), Vec3(0, -1, 0));
    object.initShadow();
    ASSERT_EQ(object.shadowFaces.size(), 2u);
    EXPECT_EQ(object.shadowFaces[0]->neighbours[0], object.shadowFaces[1]);
    EXPECT_EQ(object.shadowFaces[1]->neighbours[0], object.shadowFaces[0]);
    EXPECT_TRUE(object.hasShadow);
    EXPECT_EQ(object.shadowFaces[0]->light, object.localLight.get());
    EXPECT_EQ(object.shadowFaces[1]->light, object.localLight.get());
}

TEST(NObjectOrientation, LaterRotationsApplyInThePlacingSpace)
{
    NObject object;
    object.rotate(90, 0, 1, 0);
    object.rotate(90, 1, 0, 0);
    // Rx(90) . Ry(90): +X goes to -Z, then to +Y; +Y goes to +Z and stays; +Z to +X, then +X.
    expectNear(transformed(object.orientation, Vec3(1, 0, 0)), Vec3(0, 1, 0));
    expectNear(transformed(object.orientation, Vec3(0, 1, 0)), Vec3(0, 0, 1));
    expectNear(transformed(object.orientation, Vec3(0, 0, 1)), Vec3(1, 0, 0));
    // No shadow: the inverse is not kept.
    expectNear(transformed(object.inverseOrientation, Vec3(1, 0, 0)), Vec3(1, 0, 0), 0);
}

TEST(NObjectOrientation, InverseFollowsOnlyTheTurnsAfterTheShadowSetUp)
{
    lightPosition = Vec3(0, 0, 10);
    NObject object;
    object.meshes.push_back(std::make_unique<Mesh>());
    shapes::addCube(*object.meshes[0], 1);
    object.rotate(30, 0, 0, 1); // before the shadow: never in the inverse
    object.initShadow();
    object.rotate(90, 1, 0, 0);
    object.rotate(45, 0.0, 1.0, 1.0);
    // inverse . (the two later turns) is the identity.
    NObject later;
    later.rotate(90, 1, 0, 0);
    later.rotate(45, 0.0, 1.0, 1.0);
    for (const Vec3& v : {Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1)})
        expectNear(transformed(object.inverseOrientation, transformed(later.orientation, v)), v);
    // The local light follows the turn at once: the world light seen from the turned object.
    expectNear(*object.localLight, lightPosition.rotateByMatrix(object.inverseOrientation));
}

TEST(NObjectOrientation, MovingTheObjectMovesTheLocalLightTheOtherWay)
{
    lightPosition = Vec3(3, 4, 5);
    NObject object;
    object.meshes.push_back(std::make_unique<Mesh>());
    shapes::addCube(*object.meshes[0], 1);
    object.initShadow();
    object.updateLocalLight();
    const Vec3 before = *object.localLight;
    object.move(Vec3(1, 0, 0));
    object.updateLocalLight();
    expectNear(*object.localLight - before, Vec3(-1, 0, 0), 0);
    // Turned by 90 degrees about z, the light's offset turns back by 90 degrees.
    object.rotate(90, 0, 0, 1);
    expectNear(*object.localLight, Vec3(4, -2, 5));
}

TEST(NObjectFacing, OnlyALightStrictlyInFrontLightsAFace)
{
    NObject object;
    object.meshes.push_back(std::make_unique<Mesh>());
    shapes::addFlatSquare(*object.meshes[0], 1); // in z = 0, facing +z
    lightPosition = Vec3(0, 0, 1);
    object.initShadow();
    object.updateFacing();
    EXPECT_TRUE(object.shadowFaces[0]->lit);
    EXPECT_TRUE(object.shadowFaces[1]->lit);

    lightPosition = Vec3(5, -3, 0); // in the plane
    object.updateLocalLight();
    object.updateFacing();
    EXPECT_FALSE(object.shadowFaces[0]->lit);
    EXPECT_FALSE(object.shadowFaces[1]->lit);

    lightPosition = Vec3(0, 0, -1e-3); // just behind
    object.updateLocalLight();
    object.updateFacing();
    EXPECT_FALSE(object.shadowFaces[0]->lit);

    lightPosition = Vec3(0, 0, 1e-3); // just in front
    object.updateLocalLight();
    object.updateFacing();
    EXPECT_TRUE(object.shadowFaces[0]->lit);
    // Silhouette edges need a neighbour that is not lit: the open square has none.
    for (int k = 0; k < 3; ++k)
        EXPECT_FALSE(object.shadowFaces[0]->isSilhouetteEdge(k));
}

TEST(NObjectFacing, SilhouetteRunsBetweenLitAndUnlitFacesOfACube)
{
    NObject object;
    object.meshes.push_back(std::make_unique<Mesh>());
    shapes::addCube(*object.meshes[0], 1);
    lightPosition = Vec3(0, 0, 10); // above the +z face only
    object.initShadow();
    object.updateFacing();
    int lit = 0, silhouette = 0;
    for (const Face* face : object.shadowFaces) {
        lit += face->lit;
        for (int k = 0; k < 3; ++k)
            silhouette += face->isSilhouetteEdge(k);
    }
    EXPECT_EQ(lit, 2);
    EXPECT_EQ(silhouette, 4); // the four edges around the top, the diagonal is inside
}
