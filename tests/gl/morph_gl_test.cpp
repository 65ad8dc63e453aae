// Morph::draw on the headless context: what reaches the rasteriser (feedback mode), the
// primitive of the alternate-list mode, the environment map's state and normal clamp, the
// inverted combine and what an empty or uninitialised morph leaves alone.
#include "effects/morph.h"

#include "app/log.h"
#include "platform/os.h"
#include "tests/gl/mesh_view.h"
#include "world/gl_scope.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Triangle k of an object starting at (x, y): small, non-degenerate, side by side.
Vec3 corner(double x, double y, int k, int c)
{
    const double offsets[3][2] = {{0, 0}, {0.4, 0}, {0, 0.4}};
    return Vec3(x + 0.5 * k + offsets[c][0], y + offsets[c][1], 0);
}

std::unique_ptr<NObject> row(int triangles, double x, double y, const Vec3& normal = Vec3(0, 0, 1))
{
    auto object = std::make_unique<NObject>();
    object->meshes.push_back(std::make_unique<Mesh>());
    for (int k = 0; k < triangles; ++k) {
        const Vec3 corners[3] = {corner(x, y, k, 0), corner(x, y, k, 1), corner(x, y, k, 2)};
        const Vec3 normals[3] = {normal, normal, normal};
        object->meshes[0]->addFace(corners);
        object->meshes[0]->setVertexNormals(normals);
    }
    return object;
}

struct Sent {
    std::vector<std::vector<Vec3>> polygons; // window x, y and depth of each corner
    int lines = 0;
    int tokens = 0; // everything fed back
};

Sent feedbackOf(const std::function<void()>& draw)
{
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    Sent sent;
    for (GLint i = 0; i < used; ++sent.tokens) {
        const GLint token = GLint(buffer[size_t(i++)]);
        if (token == GL_POLYGON_TOKEN) {
            const int count = int(buffer[size_t(i++)]);
            std::vector<Vec3>& polygon = sent.polygons.emplace_back();
            for (int v = 0; v < count; ++v, i += 3)
                polygon.emplace_back(buffer[size_t(i)], buffer[size_t(i + 1)], buffer[size_t(i + 2)]);
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            ++sent.lines;
            i += 6;
        } else {
            i += 3; // points and pixel tokens carry one vertex; nothing else is drawn here
        }
    }
    return sent;
}

// Where the view of MeshView puts an object-space point on the window.
void expectAt(const Vec3& window, const Vec3& object, const std::string& where)
{
    EXPECT_NEAR(window.x, glTestWidth / 2 + object.x * pixelsPerUnit, 1e-3) << where;
    EXPECT_NEAR(window.y, glTestHeight / 2 + object.y * pixelsPerUnit, 1e-3) << where;
}

class MorphDrawing : public MeshView {
protected:
    void SetUp() override
    {
        MeshView::SetUp();
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
        MeshView::TearDown();
    }

    static void between(Morph& morph, NObject& start, NObject& end)
    {
        morph.setStartObject(&start);
        morph.setEndObject(&end);
        morph.initMoprh();
    }

    Log log{false};
    Log* previousLogger = nullptr;
    std::vector<std::string> boxes;
};

} // namespace

TEST_F(MorphDrawing, ThreeAgainstFiveDrawsFivePairsWrappingTheStart)
{
    const auto start = row(3, -3, -2);
    const auto end = row(5, 0.5, 1);
    Morph morph;
    between(morph, *start, *end);

    const GlStacks before = GlStacks::capture();
    const Sent atStart = feedbackOf([&] { morph.draw(0); });
    const Sent atEnd = feedbackOf([&] { morph.draw(1); });
    const Sent halfway = feedbackOf([&] { morph.draw(0.5f); });
    EXPECT_EQ(GlStacks::capture(), before); // the caller brackets the draw

    ASSERT_EQ(atStart.polygons.size(), 5u);
    ASSERT_EQ(atEnd.polygons.size(), 5u);
    ASSERT_EQ(halfway.polygons.size(), 5u);
    const int startIndex[5] = {0, 1, 2, 0, 1};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(atStart.polygons[size_t(i)].size(), 3u);
        for (int c = 0; c < 3; ++c) {
            const std::string where = std::to_string(i) + "/" + std::to_string(c);
            const Vec3 s = corner(-3, -2, startIndex[i], c), e = corner(0.5, 1, i, c);
            expectAt(atStart.polygons[size_t(i)][size_t(c)], s, "start " + where);
            expectAt(atEnd.polygons[size_t(i)][size_t(c)], e, "end " + where);
            expectAt(halfway.polygons[size_t(i)][size_t(c)], (s + e) * 0.5, "halfway " + where);
        }
    }

    EXPECT_TRUE(boxes.empty());
}

TEST_F(MorphDrawing, AlternateListModeSendsOneLineStripThroughEveryCorner)
{
    const auto start = row(3, -3, -2);
    const auto end = row(5, 0.5, 1);
    Morph morph;
    between(morph, *start, *end);
    altListCompile = true;
    const Sent sent = feedbackOf([&] { morph.draw(0.3f); });
    EXPECT_TRUE(sent.polygons.empty());
    EXPECT_EQ(sent.lines, 5 * 3 - 1);
}

TEST_F(MorphDrawing, EnvironmentMapLiftsBackNormalsBindsItsTextureAndInvertsInNegativeMode)
{
    const auto start = row(1, -3, -2, Vec3(0.6, 0, -1));
    const auto end = row(1, -3, -2, Vec3(0, 0.8, -1));
    // After the row's tiny back-facing triangle, one facing the viewer over the frame's middle.
    const Vec3 big[3] = {{-3, -2.5, 0}, {3, -2.5, 0}, {0, 2.5, 0}};
    for (NObject* object : {start.get(), end.get()})
        object->meshes[0]->addFace(big);
    const Vec3 normals[3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    start->meshes[0]->setVertexNormals(normals);
    end->meshes[0]->setVertexNormals(normals);

    const GLuint white = solidTexture(255, 255, 255);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);

    // A back-facing triangle alone: its blended normal (0.3, 0.4, -1) is sent as it is, or with
    // z = 0.2 when environment-mapped; the texture coordinate is always (0, 0).
    for (bool mapped : {false, true}) {
        Morph single;
        const auto a = row(1, -3, -2, Vec3(0.6, 0, -1)), b = row(1, -3, -2, Vec3(0, 0.8, -1));
        between(single, *a, *b);
        single.envTexture = white;
        single.envMapped = mapped;
        AttribScope attributes;
        glTexCoord2f(0.5f, 0.5f);
        single.draw(0.5f);
        GLfloat normal[4], texCoord[4];
        glGetFloatv(GL_CURRENT_NORMAL, normal);
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
        EXPECT_FLOAT_EQ(normal[0], 0.3f);
        EXPECT_FLOAT_EQ(normal[1], 0.4f);
        EXPECT_EQ(normal[2], mapped ? 0.2f : -1.0f);
        EXPECT_EQ(texCoord[0], 0.0f);
        EXPECT_EQ(texCoord[1], 0.0f);
    }

    Morph morph;
    between(morph, *start, *end);
    morph.envTexture = white;
    morph.envMapped = true;
    {
        AttribScope attributes;
        morph.draw(1);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)); // left on for the caller's attribute pop
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(GLuint(bound), white);
    }
    EXPECT_EQ(pixelAt(0, 0), (Rgba{255, 255, 255, 255}));

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    negativeMode = true;
    {
        AttribScope attributes;
        morph.draw(1);
        GLint operand = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, &operand);
        EXPECT_EQ(operand, GL_SRC_COLOR); // the normal combine is back after the draw
    }
    const Rgba inverted = pixelAt(0, 0);
    EXPECT_EQ(inverted[0], 0);
    EXPECT_EQ(inverted[1], 0);
    EXPECT_EQ(inverted[2], 0);
    glDeleteTextures(1, &white);
}

TEST_F(MorphDrawing, EmptyOrUninitialisedMorphSendsNothingAndChangesNoState)
{
    const auto full = row(4, -3, -2);
    const auto missing = std::make_unique<NObject>(); // its model file did not load
    const auto emptyMesh = row(0, 0, 0);
    for (bool emptyAtStart : {true, false})
        for (NObject* empty : {missing.get(), emptyMesh.get()}) {
            Morph morph;
            between(morph, emptyAtStart ? *empty : *full, emptyAtStart ? *full : *empty);
            EXPECT_EQ(morph.triangleCount(), 0);
            morph.envMapped = true;
            negativeMode = true;
            const Sent sent = feedbackOf([&] { morph.draw(0.5f); });
            EXPECT_EQ(sent.tokens, 0);
            EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
            GLint mode = 0;
            glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
            EXPECT_EQ(mode, GL_MODULATE); // no combine set up for nothing
        }
    EXPECT_TRUE(boxes.empty()); // the loader reported the file once; no box on every frame

    Morph early;
    early.setStartObject(full.get());
    early.setEndObject(full.get());
    const Sent sent = feedbackOf([&] { early.draw(0.5f); });
    EXPECT_EQ(sent.tokens, 0);
    EXPECT_EQ(boxes, std::vector<std::string>{"Run initMoprh() first."});
}
