// NWave::draw on the headless context: the triangles and texture coordinates it feeds back, the
// sphere-mapped environment texture, the state it leaves, and the explosion's acceleration,
// restart and untouched stored positions.
#include "effects/nwave.h"

#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr double viewHalfSize = 3.0; // the orthographic view: -3 to 3 in x and y

struct FedVertex {
    Vec3 window;
    float s = 0, t = 0;
};
using FedTriangles = std::vector<std::vector<FedVertex>>;

// Everything draw sends, through feedback with colours and texture coordinates (after the
// coordinate generation and texture matrix).
FedTriangles feedbackOf(const std::function<void()>& draw)
{
    std::vector<GLfloat> buffer(1 << 19);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "feedback buffer too small";
    FedTriangles triangles;
    for (GLint i = 0; i < used;) {
        const GLint token = GLint(buffer[size_t(i++)]);
        if (token != GL_POLYGON_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        const int count = int(buffer[size_t(i++)]);
        auto& polygon = triangles.emplace_back();
        for (int v = 0; v < count; ++v, i += 11) {
            FedVertex fed;
            fed.window = Vec3(buffer[size_t(i)], buffer[size_t(i + 1)], buffer[size_t(i + 2)]);
            fed.s = buffer[size_t(i + 7)];
            fed.t = buffer[size_t(i + 8)];
            polygon.push_back(fed);
        }
    }
    return triangles;
}

void expectAt(const FedVertex& fed, const Vec3& object, const char* where)
{
    EXPECT_NEAR(fed.window.x, (object.x + viewHalfSize) / (2 * viewHalfSize) * glTestWidth, 2e-3) << where;
    EXPECT_NEAR(fed.window.y, (object.y + viewHalfSize) / (2 * viewHalfSize) * glTestHeight, 2e-3) << where;
}

class NWaveDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(-viewHalfSize, viewHalfSize, -viewHalfSize, viewHalfSize, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glGenTextures(1, &picture);
        glBindTexture(GL_TEXTURE_2D, picture);
        const unsigned char pixels[4 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR); // complete without mipmaps
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    void TearDown() override
    {
        glDeleteTextures(1, &picture);
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }

    GLuint picture = 0;
};

} // namespace

TEST_F(NWaveDrawing, SendsTheInnerCellsWithTheirTextureCoordinatesAndRestoresState)
{
    NWave wave(61, 61);
    wave.texture = picture;
    // Environment-map loads elsewhere switch normalising on for good; the draw must leave it off.
    glDisable(GL_NORMALIZE);
    const GlStacks before = GlStacks::capture();
    const FedTriangles sent = feedbackOf([&] { wave.draw(); });
    EXPECT_EQ(GlStacks::capture(), before);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_NORMALIZE));
    EXPECT_EQ(wave.explodeAmount, 0.0f); // no explosion: the amount stays

    ASSERT_EQ(sent.size(), size_t(58 * 58 * 2)); // the outer ring of cells is left out
    const float step = 0.016393442f;
    // First cell (column 1, row 1): its first triangle, corners (1, 1), (2, 1), (1, 2).
    const auto& first = sent.front();
    ASSERT_EQ(first.size(), 3u);
    expectAt(first[0], wave.vertex(1, 1).position, "first corner");
    expectAt(first[1], wave.vertex(2, 1).position, "second corner");
    expectAt(first[2], wave.vertex(1, 2).position, "third corner");
    EXPECT_FLOAT_EQ(first[0].s, 1 - step);
    EXPECT_FLOAT_EQ(first[0].t, 1 - step);
    EXPECT_FLOAT_EQ(first[1].s, 1 - 2 * step);
    EXPECT_FLOAT_EQ(first[1].t, 1 - step);
    EXPECT_FLOAT_EQ(first[2].s, 1 - step);
    EXPECT_FLOAT_EQ(first[2].t, 1 - 2 * step);
    // Last cell (58, 58): its second triangle, corners (58, 59), (59, 58), (59, 59).
    const auto& last = sent.back();
    ASSERT_EQ(last.size(), 3u);
    expectAt(last[0], wave.vertex(58, 59).position, "last cell, first corner");
    expectAt(last[1], wave.vertex(59, 58).position, "last cell, second corner");
    expectAt(last[2], wave.vertex(59, 59).position, "last cell, third corner");
    EXPECT_FLOAT_EQ(last[2].s, 1 - 59 * step);
    EXPECT_FLOAT_EQ(last[2].t, 1 - 59 * step);
}

TEST_F(NWaveDrawing, EnvironmentTextureIsSphereMappedFromTheNormalsUnlessAPictureIsSet)
{
    NWave wave(61, 61);
    for (int k = 0; k < wave.vertexCount; ++k)
        wave.vertices[size_t(k)].normal = Vec3(0, 0, 1);
    wave.environmentTexture = picture;
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR); // whatever the global mode is
    glTranslatef(0, 0, -5);
    const FedTriangles mapped = feedbackOf([&] { wave.draw(); });
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    GLint mode = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_OBJECT_LINEAR);
    ASSERT_FALSE(mapped.empty());

    // The sphere map of the first corner: the eye ray reflected about the normal (0, 0, 1).
    const Vec3 p = wave.vertex(1, 1).position;
    const Vec3 u = Vec3(p.x, p.y, p.z - 5.0).normalized();
    const Vec3 r(u.x, u.y, -u.z);
    const double m = 2 * std::sqrt(r.x * r.x + r.y * r.y + (r.z + 1) * (r.z + 1));
    EXPECT_NEAR(mapped[0][0].s, r.x / m + 0.5, 1e-4);
    EXPECT_NEAR(mapped[0][0].t, r.y / m + 0.5, 1e-4);

    // A picture wins over the environment texture and uses the sheet's own coordinates.
    wave.texture = picture;
    const FedTriangles plain = feedbackOf([&] { wave.draw(); });
    ASSERT_FALSE(plain.empty());
    EXPECT_FLOAT_EQ(plain[0][0].s, 1 - 0.016393442f);
    EXPECT_FLOAT_EQ(plain[0][0].t, 1 - 0.016393442f);
}

TEST_F(NWaveDrawing, ExplosionAcceleratesRestartsOnThe320thDrawAndLeavesPositionsAlone)
{
    NWave small(4, 4); // one drawn cell: the amount's course does not depend on the size
    small.exploding = true;
    small.draw();
    EXPECT_FLOAT_EQ(small.explodeAmount, 0.0001000025f);
    int draws = 1;
    float previous = small.explodeAmount;
    while (draws < 319) {
        small.draw();
        ++draws;
        ASSERT_GT(small.explodeAmount, previous) << draws;
        previous = small.explodeAmount;
    }
    EXPECT_LE(small.explodeAmount, 100.0f);
    EXPECT_GT(small.explodeAmount, 1.0f);
    small.draw(); // the 320th
    EXPECT_EQ(small.explodeAmount, 0.0f);
    small.draw();
    EXPECT_FLOAT_EQ(small.explodeAmount, 0.0001000025f);

    // Each cell flies out as a rigid quad from the centre; the stored vertices stay bit for bit.
    NWave wave(61, 61);
    for (int k = 0; k < wave.vertexCount; ++k)
        wave.vertices[size_t(k)].position.z = 0.01f * float(k % 7);
    std::vector<SpringVertex> before(wave.vertices.get(), wave.vertices.get() + wave.vertexCount);
    wave.exploding = true;
    wave.explodeAmount = 0.01f;
    FedTriangles sent;
    for (int frame = 0; frame < 20; ++frame)
        sent = feedbackOf([&] { wave.draw(); });
    EXPECT_EQ(std::memcmp(before.data(), wave.vertices.get(), before.size() * sizeof(SpringVertex)), 0);

    ASSERT_EQ(sent.size(), size_t(58 * 58 * 2));
    const double e = wave.explodeAmount;
    ASSERT_GT(e, 0.01);
    const Vec3 firstOffset((1 - 30.5) * e, (1 - 30.5) * e, 0);
    expectAt(sent.front()[0], wave.vertex(1, 1).position + firstOffset, "first cell");
    expectAt(sent.front()[1], wave.vertex(2, 1).position + firstOffset, "first cell, shared corner");
    const Vec3 lastOffset((58 - 30.5) * e, (58 - 30.5) * e, 0);
    expectAt(sent.back()[2], wave.vertex(59, 59).position + lastOffset, "last cell");
    // The second cell of the first row moves its copy of the shared corner by its own offset.
    const Vec3 secondOffset((2 - 30.5) * e, (1 - 30.5) * e, 0);
    expectAt(sent[2][0], wave.vertex(2, 1).position + secondOffset, "second cell");
}
