// TextureFeedback: the trail frame's capture, the two-unit blend and the result overlay.
#include "effects/texture_feedback.h"

#include "world/gl_scope.h"
#include "world/world.h"

#include <cstring>

namespace {

// The driver offers the combine modes the blend needs (checked once; every context of a run
// comes from the same driver).
bool hasCombineModes()
{
    static const bool available = [] {
        const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        return extensions && std::strstr(extensions, "GL_ARB_texture_env_combine") != nullptr;
    }();
    return available;
}

bool hasMultitexture() { return arb::glActiveTextureARB && arb::glMultiTexCoord2fARB && hasCombineModes(); }

// State a caller may have left on that would alter the blend quad on its way to the cleared
// buffer: it must land exactly as the texture units compute it.
void disableFragmentTests()
{
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_FOG);
}

// The blend quad's units read the coordinates they are given, not generated ones.
void disableTextureGeneration()
{
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
    glDisable(GL_TEXTURE_GEN_Q);
}

} // namespace

TextureFeedback::TextureFeedback()
    : capture(std::make_unique<Copy2Texture>()), feedback(std::make_unique<Copy2Texture>())
{
    for (auto& spare : spares)
        spare = std::make_unique<Copy2Texture>();
}

void TextureFeedback::beginCapture()
{
    capture->clearOutsideWindow();
    capture->setViewport();
}

void TextureFeedback::endCapture() { capture->grab(); }

void TextureFeedback::setBlendCombine(GLint rgbCombine, GLint rgbSource2)
{
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvf(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GLfloat(rgbCombine));
    glTexEnvf(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_MODULATE);
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_PREVIOUS_ARB);
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE2_RGB_ARB, GLfloat(rgbSource2));
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND2_RGB_ARB, GL_SRC_ALPHA);
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, GL_TEXTURE);
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE1_ALPHA_ARB, GL_PREVIOUS_ARB);
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA_ARB, GL_SRC_ALPHA);
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA_ARB, GL_SRC_ALPHA);
    glTexEnvf(GL_TEXTURE_ENV, GL_RGB_SCALE_ARB, 1);
    glTexEnvf(GL_TEXTURE_ENV, GL_ALPHA_SCALE, 1);
}

void TextureFeedback::drawBlendQuad()
{
    const float o = offset;
    auto corner = [](float s0, float t0, float s1, float t1, float x, float y) {
        arb::glMultiTexCoord2fARB(GL_TEXTURE0_ARB, s0, t0);
        arb::glMultiTexCoord2fARB(GL_TEXTURE1_ARB, s1, t1);
        glVertex3f(x, y, 0);
    };
    glBegin(GL_QUADS);
    corner(0, 0, -o, -o, -1, -1);
    corner(1, 0, 1 + o, -o, 1, -1);
    corner(1, 1, 1 + o, 1 + o, 1, 1);
    corner(0, 1, -o, 1 + o, -1, 1);
    glEnd();
}

void TextureFeedback::drawBlendInTwoPasses()
{
    auto quad = [](float low, float high) {
        glBegin(GL_QUADS);
        glTexCoord2f(low, low);
        glVertex3f(-1, -1, 0);
        glTexCoord2f(high, low);
        glVertex3f(1, -1, 0);
        glTexCoord2f(high, high);
        glVertex3f(1, 1, 0);
        glTexCoord2f(low, high);
        glVertex3f(-1, 1, 0);
        glEnd();
    };
    glEnable(GL_TEXTURE_2D);
    disableTextureGeneration();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, feedback->textureName());
    glColor4f(persistence, persistence, persistence, persistence);
    quad(-offset, 1 + offset);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, capture->textureName());
    const float fresh = 1 - persistence;
    glColor4f(fresh, fresh, fresh, fresh);
    quad(0, 1);
    glDisable(GL_BLEND);
}

void TextureFeedback::feedbackStep()
{
    MatrixScope matrix;
    AttribScope attributes;
    disableFragmentTests();
    const bool multitexture = hasMultitexture();
    if (multitexture) {
        // Unit 0: the captured scene times the vertex colour.
        arb::glActiveTextureARB(GL_TEXTURE0_ARB);
        glEnable(GL_TEXTURE_2D);
        disableTextureGeneration();
        glBindTexture(GL_TEXTURE_2D, capture->textureName());
        setBlendCombine(GL_MODULATE, GL_CONSTANT_ARB);
        // Unit 1: trail x a + unit 0's result x (1 - a), a the vertex colour's alpha.
        arb::glActiveTextureARB(GL_TEXTURE1_ARB);
        glEnable(GL_TEXTURE_2D);
        disableTextureGeneration();
        glBindTexture(GL_TEXTURE_2D, feedback->textureName());
        setBlendCombine(GL_INTERPOLATE_ARB, GL_PRIMARY_COLOR_ARB);
    }

    feedback->setViewport();
    glColor4f(1, 1, 1, persistence);
    world->beginOrtho();
    if (multitexture)
        drawBlendQuad();
    else
        drawBlendInTwoPasses();
    world->endOrtho();

    // The blended square becomes the new trail; onto the cleared buffer the overlay's blend
    // leaves it unchanged, so the window shows exactly the trail.
    feedback->grab();
    feedback->drawOverlayUnit2(0, 1, 1);

    if (multitexture) {
        arb::glActiveTextureARB(GL_TEXTURE0_ARB);
        world->setNormalCombine();
        glDisable(GL_TEXTURE_2D);
        arb::glActiveTextureARB(GL_TEXTURE1_ARB);
        world->setNormalCombine();
        glDisable(GL_TEXTURE_2D);
    }
}

void TextureFeedback::drawResult() { feedback->drawOverlay(0, 1, 1); }
