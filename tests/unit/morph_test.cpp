// Morph without a GL context: the triangle lists, the pairing of unequal lists, the blend at its
// ends, the environment map's normal clamp and the refusals with their messages.
#include "effects/morph.h"

#include "app/log.h"
#include "platform/os.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Corner c of triangle k of an object tagged `tag`: every corner of every test object differs.
Vec3 cornerPosition(float tag, int k, int c) { return Vec3(tag + k, c, 0.25 * c - k); }

// An object whose meshes hold the given numbers of triangles, numbered on across the meshes,
// every vertex normal `normal`.
std::unique_ptr<NObject> objectWith(std::vector<int> trianglesPerMesh, float tag,
                                    const Vec3& normal = Vec3(0, 0, 1))
{
    auto object = std::make_unique<NObject>();
    int k = 0;
    for (int count : trianglesPerMesh) {
        auto mesh = std::make_unique<Mesh>();
        for (int f = 0; f < count; ++f, ++k) {
            const Vec3 corners[3] = {cornerPosition(tag, k, 0), cornerPosition(tag, k, 1),
                                     cornerPosition(tag, k, 2)};
            const Vec3 normals[3] = {normal, normal, normal};
            mesh->addFace(corners);
            mesh->setVertexNormals(normals);
        }
        object->meshes.push_back(std::move(mesh));
    }
    return object;
}

class MorphTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousLogger = logger;
        logger = &log;
        os::setMessageBoxHook([this](const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return os::IDOK;
        });
    }
    void TearDown() override
    {
        os::setMessageBoxHook(nullptr);
        logger = previousLogger;
    }

    Log log{false};
    Log* previousLogger = nullptr;
    std::vector<std::string> boxes;
};

} // namespace

TEST_F(MorphTest, ShorterListWrapsAroundAndBothObjectsCountAcrossTheirMeshes)
{
    const auto start = objectWith({2, 1}, 0);     // three triangles in two meshes
    const auto end = objectWith({1, 3, 1}, 100);  // five in three
    Morph morph;
    morph.setStartObject(start.get());
    morph.setEndObject(end.get());
    morph.initMoprh();
    ASSERT_EQ(morph.triangleCount(), 5);

    const int expectedStart[5] = {0, 1, 2, 0, 1};
    for (int i = 0; i < 5; ++i) {
        MorphCorner atStart[3], atEnd[3];
        morph.blendTriangle(i, 0.0f, atStart);
        morph.blendTriangle(i, 1.0f, atEnd);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(atStart[c].position, cornerPosition(0, expectedStart[i], c)) << i << "," << c;
            EXPECT_EQ(atEnd[c].position, cornerPosition(100, i, c)) << i << "," << c;
        }
    }

}

TEST_F(MorphTest, EndsReproduceBothShapesExactlyEvenForAwkwardValues)
{
    // Values where start + (end - start) in float loses the end: a tiny component beside a
    // large one of the other sign, and values of very different size.
    const Vec3 startCorners[3] = {{0.7f, -1e6f, 3.3f}, {1e-20f, 0.1f, -0.3f}, {-5, 5, 0.2f}};
    const Vec3 endCorners[3] = {{-1e-9f, 1e-7f, -3.3f}, {123456.7f, -0.1f, 1e-30f}, {5, -5, 1e8f}};
    const Vec3 startNormals[3] = {{0.7f, 0, 0.71f}, {-0.6f, 0.8f, 0}, {0, 1e-12f, 1}};
    const Vec3 endNormals[3] = {{-1e-9f, 0.99f, 0.3f}, {0.8f, -0.6f, 1e-17f}, {1, 0, -1e-12f}};
    NObject start, end;
    start.meshes.push_back(std::make_unique<Mesh>());
    start.meshes[0]->addFace(startCorners);
    start.meshes[0]->setVertexNormals(startNormals);
    end.meshes.push_back(std::make_unique<Mesh>());
    end.meshes[0]->addFace(endCorners);
    end.meshes[0]->setVertexNormals(endNormals);

    Morph morph;
    morph.setStartObject(&start);
    morph.setEndObject(&end);
    morph.initMoprh();
    MorphCorner atStart[3], atEnd[3];
    morph.blendTriangle(0, 0.0f, atStart);
    morph.blendTriangle(0, 1.0f, atEnd);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(atStart[c].position, startCorners[c]) << c;
        EXPECT_EQ(atStart[c].normal, startNormals[c]) << c;
        EXPECT_EQ(atEnd[c].position, endCorners[c]) << c;
        EXPECT_EQ(atEnd[c].normal, endNormals[c]) << c;
    }
}

TEST_F(MorphTest, NormalsFacingAwayAreLiftedOnlyWhenEnvironmentMapped)
{
    const auto start = objectWith({1}, 0, Vec3(0.6, 0, -1));
    const auto end = objectWith({1}, 10, Vec3(0, 0.8, -1));
    Morph morph;
    morph.setStartObject(start.get());
    morph.setEndObject(end.get());
    morph.initMoprh();

    MorphCorner corners[3];
    morph.blendTriangle(0, 0.5f, corners);
    EXPECT_FLOAT_EQ(corners[0].normal.z, -1.0f); // plain: blended as it is
    EXPECT_FLOAT_EQ(corners[0].normal.x, 0.3f);  // and not renormalised
    EXPECT_FLOAT_EQ(corners[0].normal.y, 0.4f);

    morph.envMapped = true;
    morph.blendTriangle(0, 0.5f, corners);
    for (const MorphCorner& corner : corners) {
        EXPECT_EQ(corner.normal.z, 0.2f);
        EXPECT_FLOAT_EQ(corner.normal.x, 0.3f); // x and y stay
        EXPECT_FLOAT_EQ(corner.normal.y, 0.4f);
    }

    // A normal already above the limit is left alone.
    const auto up = objectWith({1}, 0, Vec3(0, 0, 0.5));
    Morph facing;
    facing.setStartObject(up.get());
    facing.setEndObject(up.get());
    facing.initMoprh();
    facing.envMapped = true;
    facing.blendTriangle(0, 0.3f, corners);
    EXPECT_FLOAT_EQ(corners[2].normal.z, 0.5f);
}

TEST_F(MorphTest, SecondInitialisationDoublesBothLists)
{
    const auto start = objectWith({3}, 0);
    const auto end = objectWith({2, 3}, 50);
    Morph morph;
    morph.setStartObject(start.get());
    morph.setEndObject(end.get());
    morph.initMoprh();
    morph.initMoprh();
    ASSERT_EQ(morph.startTriangles.size(), 6u);
    ASSERT_EQ(morph.endTriangles.size(), 10u);
    EXPECT_EQ(morph.triangleCount(), 10);
    EXPECT_EQ(morph.startTriangles[3], morph.startTriangles[0]);
    EXPECT_EQ(morph.endTriangles[7], morph.endTriangles[2]);
    // Twice as many triangles are drawn. With unequal counts the second round goes on with the
    // wrap (start i mod 3 against end i mod 5), so the start side meets other end triangles.
    MorphCorner first[3], again[3];
    for (int i = 0; i < 10; ++i) {
        morph.blendTriangle(i, 0.0f, first);
        morph.blendTriangle(i, 1.0f, again);
        EXPECT_EQ(first[0].position, cornerPosition(0, i % 3, 0)) << i;
        EXPECT_EQ(again[0].position, cornerPosition(50, i % 5, 0)) << i;
    }

    // With equal counts the second half repeats every pair exactly.
    const auto other = objectWith({3}, 20);
    Morph even;
    even.setStartObject(start.get());
    even.setEndObject(other.get());
    even.initMoprh();
    even.initMoprh();
    ASSERT_EQ(even.triangleCount(), 6);
    for (int i = 0; i < 3; ++i) {
        even.blendTriangle(i, 0.4f, first);
        even.blendTriangle(i + 3, 0.4f, again);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(first[c].position, again[c].position) << i << "," << c;
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MorphTest, RefusalsAndBannerAreTheSystemsMessages)
{
    const auto object = objectWith({1}, 0);
    Morph morph;
    morph.initMoprh(); // nothing set: the start object is asked for first
    morph.setEndObject(object.get());
    morph.initMoprh();
    morph.setStartObject(nullptr); // a null object is no object
    morph.initMoprh();
    EXPECT_FALSE(morph.initialised);
    EXPECT_TRUE(morph.startTriangles.empty());
    EXPECT_TRUE(morph.endTriangles.empty());

    Morph startOnly;
    startOnly.setStartObject(object.get());
    startOnly.initMoprh();
    EXPECT_FALSE(startOnly.initialised);

    // Drawing before initMoprh asks for it on every call (and sends nothing to GL).
    startOnly.draw(0.5f);
    startOnly.draw(1.0f);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Set start morph object first.",
                                               "Set start morph object first.",
                                               "Set start morph object first.",
                                               "Set end morph object first.",
                                               "Run initMoprh() first.", "Run initMoprh() first."}));

    testing::internal::CaptureStderr(); // the enabled log echoes its lines
    Log enabled{true};
    logger = &enabled;
    Morph logged;
    logger = &log;
    testing::internal::GetCapturedStderr();
    EXPECT_NE(enabled.text().find(" ** Morph Object. **"), std::string::npos) << enabled.text();
}
