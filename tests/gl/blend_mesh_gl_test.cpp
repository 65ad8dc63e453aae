// BlendMesh::draw on the headless context: the lines it sends over a flight (feedback mode, seen
// through a wide orthographic projection so nothing is clipped), restarts, and the additive
// picture it leaves over a scene whose state it must not disturb.
#include "effects/blend_mesh.h"

#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "world/gl_scope.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double viewHalf = 100; // the feedback projection's x and y reach
constexpr double viewDepth = 1000;

struct SentVertex {
    double x, y, z; // eye-space position, undone from window coordinates
    float alpha;
};

struct SentLines {
    int lines = 0;
    SentVertex first{}; // the first vertex of the first line
};

SentLines feedbackOf(BlendMesh& grid)
{
    std::vector<GLfloat> buffer(1 << 14);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    grid.draw();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "feedback buffer overflow";
    constexpr int vertexFloats = 7; // x, y, z, r, g, b, a
    SentLines sent;
    for (GLint i = 0; i < used;) {
        const GLint token = GLint(buffer[size_t(i++)]);
        if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            if (sent.lines++ == 0) {
                const GLfloat* v = &buffer[size_t(i)];
                sent.first = {(v[0] / glTestWidth * 2 - 1) * viewHalf, (v[1] / glTestHeight * 2 - 1) * viewHalf,
                              -(v[2] * 2 - 1) * viewDepth, v[6]};
            }
            i += 2 * vertexFloats;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
    }
    return sent;
}

// The grid's first corner (halfSize, halfSize) as draw places it at frame n.
SentVertex expectedFirstCorner(int n)
{
    const double a = n * std::numbers::pi / 180, h = 50;
    return {h * std::cos(a) - h * std::sin(a) + std::sin(n / 10.0), h * std::sin(a) + h * std::cos(a) + std::cos(n / 10.0),
            -n * 10.0 / 15.0, 1.0f - n / 100.0f};
}

class BlendMeshGl : public ::testing::Test {
protected:
    void SetUp() override
    {
        glViewport(0, 0, glTestWidth, glTestHeight);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(-viewHalf, viewHalf, -viewHalf, viewHalf, -viewDepth, viewDepth);
        glMatrixMode(GL_MODELVIEW);
        grid.setDuration(100);
    }
    void TearDown() override
    {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    BlendMesh grid;
};

} // namespace

TEST_F(BlendMeshGl, FliesBackSpinningAndFadingForItsDurationThenStops)
{
    EXPECT_EQ(feedbackOf(grid).lines, 0); // done until the first restart
    grid.restart();
    for (int n = 0; n < 100; ++n) {
        const SentLines sent = feedbackOf(grid);
        const SentVertex expected = expectedFirstCorner(n);
        ASSERT_EQ(sent.lines, 202) << "frame " << n;
        EXPECT_NEAR(sent.first.x, expected.x, 0.05) << "frame " << n;
        EXPECT_NEAR(sent.first.y, expected.y, 0.05) << "frame " << n;
        EXPECT_NEAR(sent.first.z, expected.z, 0.05) << "frame " << n;
        EXPECT_NEAR(sent.first.alpha, expected.alpha, 0.002) << "frame " << n;
    }
    EXPECT_NEAR(expectedFirstCorner(99).z, -66, 1e-9);
    EXPECT_TRUE(grid.done);
    EXPECT_EQ(grid.frame, 0);
    EXPECT_EQ(feedbackOf(grid).lines, 0);
}

TEST_F(BlendMeshGl, RestartWhileRunningStartsOverFromFrameZero)
{
    grid.restart();
    for (int n = 0; n < 30; ++n)
        feedbackOf(grid);
    grid.restart();
    const SentLines sent = feedbackOf(grid);
    EXPECT_NEAR(sent.first.z, 0, 0.05);
    EXPECT_NEAR(sent.first.alpha, 1.0f, 0.002);
    EXPECT_EQ(grid.frame, 1);
}

TEST_F(BlendMeshGl, AddsOverTheSceneWhateverItsDepthAndLeavesItsStateAlone)
{
    // Ten units across the window: at frame 0 the lines sit on whole units, x = 0 on column 160
    // and y = 0 on row 120, and x = y = 0.5 lies between them.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-5, 5, -5, 5, -viewDepth, viewDepth);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(3, 0, 0); // a scene's modelview, which the grid must neither use nor change
    GLfloat sceneMatrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, sceneMatrix);
    glClearColor(0.5f, 0.5f, 0.5f, 1);
    glClearDepth(0); // every fragment fails the scene's depth test
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    const GlStacks before = GlStacks::capture();

    grid.setOpacity(0.25);
    grid.restart();
    grid.draw();

    EXPECT_EQ(GlStacks::capture(), before);
    // A quarter of white added to the grey on the lines (a plain blend would give 160, no
    // blending 255); between the lines the grey is untouched.
    EXPECT_NEAR(readPixel(160, 132)[0], 128 + 64, 6); // on a vertical line
    EXPECT_NEAR(readPixel(176, 120)[0], 128 + 64, 6); // on a horizontal line
    EXPECT_EQ(readPixel(176, 132)[0], 128);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    GLfloat matrixAfter[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, matrixAfter);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(matrixAfter[i], sceneMatrix[i]) << i;

    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    glPopMatrix();
}
