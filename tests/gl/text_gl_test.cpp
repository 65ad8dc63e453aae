// Text on the headless context: the platform font's glyph lists (present, inked, upright, with
// their advances), where a drawn string lands under the scenes' projection and under an
// identity projection, tabs, scrolling, the cursor, and the two events startTyping arms.
#include "effects/text.h"

#include "app/settings_dialog.h"
#include "app/startup.h"
#include "app/window.h"
#include "platform/bitmap_font.h"
#include "platform/os.h"
#include "tests/gl/gl_context.h"
#include "tests/gl/gl_state.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// The lit pixels of the visible test surface.
struct LitBox {
    int minX = 1 << 20, minY = 1 << 20, maxX = -1, maxY = -1, count = 0;
    std::vector<uint8_t> red; // glTestWidth x glTestHeight, bottom row first
    bool lit(int x, int y) const { return red[size_t(y) * glTestWidth + size_t(x)] > 40; }
};

LitBox readLit()
{
    std::vector<uint8_t> rgba(size_t(glTestWidth) * glTestHeight * 4);
    glReadPixels(0, 0, glTestWidth, glTestHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    LitBox box;
    box.red.resize(size_t(glTestWidth) * glTestHeight);
    for (int y = 0; y < glTestHeight; ++y)
        for (int x = 0; x < glTestWidth; ++x) {
            const uint8_t red = rgba[(size_t(y) * glTestWidth + size_t(x)) * 4];
            box.red[size_t(y) * glTestWidth + size_t(x)] = red;
            if (red > 40) {
                box.minX = std::min(box.minX, x);
                box.maxX = std::max(box.maxX, x);
                box.minY = std::min(box.minY, y);
                box.maxY = std::max(box.maxY, y);
                ++box.count;
            }
        }
    return box;
}

void clearBlack()
{
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// A world whose scenes' projection fits the test surface, for the length of a test.
class TextGl : public testing::Test {
protected:
    void SetUp() override
    {
        screenWidth = glTestWidth;
        screenHeight = glTestHeight;
        previousWorld = world;
        world = &testWorld;
        testWorld.setDefaultViewport();
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    void TearDown() override
    {
        world = previousWorld;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    // Draws all of `string` and reads back what lit up.
    LitBox drawAll(Text& text, const char* string)
    {
        text.text = string;
        text.revealed = text.length();
        clearBlack();
        text.draw();
        return readLit();
    }

    World testWorld;
    World* previousWorld = nullptr;
};

// Calls one glyph list at pixel (20, 100) with a pixel-exact projection; returns the advance.
float callGlyphAt(GLuint list)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, glTestWidth, 0, glTestHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glRasterPos2i(20, 100);
    glCallList(list);
    GLfloat raster[4] = {};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    return raster[0] - 20.0f;
}

int litInRow(const LitBox& box, int y)
{
    int n = 0;
    for (int x = box.minX; x <= box.maxX; ++x)
        n += box.lit(x, y);
    return n;
}

int litInColumn(const LitBox& box, int x)
{
    int n = 0;
    for (int y = box.minY; y <= box.maxY; ++y)
        n += box.lit(x, y);
    return n;
}

} // namespace

TEST_F(TextGl, PlatformFontMakesUprightGlyphListsWithAdvances)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    Text text;
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8); // the font's own unpacking is undone
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    ASSERT_NE(text.listBase, 0u);

    float spaceAdvance = 0;
    for (int code = Text::firstGlyph; code < Text::firstGlyph + Text::glyphCount; ++code) {
        const GLuint list = text.listBase + GLuint(code - Text::firstGlyph);
        ASSERT_TRUE(glIsList(list)) << "code " << code;
        clearBlack();
        const float advance = callGlyphAt(list);
        const LitBox box = readLit();
        EXPECT_GT(advance, 0.0f) << "code " << code;
        if (code == ' ') {
            spaceAdvance = advance;
        } else { // a monospace face: every glyph, and the glyph-less DEL, moves on by a space
            EXPECT_EQ(advance, spaceAdvance) << "code " << code;
        }
        const bool letter = (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z');
        if (letter) {
            EXPECT_GT(box.count, 10) << "code " << code;
            EXPECT_GE(box.minX, 19) << "code " << code; // starts at the pen, not far left of it
            EXPECT_LE(box.maxX, 20 + int(advance)) << "code " << code;
        }
        if (code == ' ' || code == 127) {
            EXPECT_EQ(box.count, 0) << "code " << code;
        }
        if (code == 'H') { // on the baseline, about a cap height tall
            EXPECT_EQ(box.minY, 100);
            EXPECT_GE(box.maxY - box.minY + 1, 10);
            EXPECT_LE(box.maxY - box.minY + 1, 15);
        }
        if (code == 'g') {
            EXPECT_LT(box.minY, 100); // the descender goes below the baseline
        }
        if (code == 'L') { // the foot at the bottom, the stem on the left
            EXPECT_GT(litInRow(box, box.minY), litInRow(box, box.maxY));
            EXPECT_GT(litInColumn(box, box.minX), litInColumn(box, box.maxX));
        }
        if (code == 'T') {
            EXPECT_GT(litInRow(box, box.maxY), litInRow(box, box.minY));
        }
    }
    EXPECT_NEAR(spaceAdvance, 18 * 0.6f, 1.0f); // Courier's advance is 0.6 em
    EXPECT_FALSE(os::useFontBitmaps("Courier New", 0, 700, 32, 96, text.listBase));
}

TEST_F(TextGl, StringLandsAtTheRasterPositionOfItsAnchor)
{
    Text text;
    // The scenes' projection (aspect 1 at this size): the anchor (0.1, -0.2) puts the first
    // line's pen at eye (-0.3, 0.2, -1), which is pixel (44.1, 178.0).
    text.setPosition(0.1, -0.2);
    const GlStacks before = GlStacks::capture();
    LitBox box = drawAll(text, "HELLO");
    EXPECT_EQ(GlStacks::capture(), before);
    EXPECT_GE(box.minX, 43);
    EXPECT_LE(box.minX, 48);
    EXPECT_GE(box.minY, 177);
    EXPECT_LE(box.minY, 179);
    EXPECT_NEAR(box.maxX - box.minX, 5 * 11 - 2, 4);
    EXPECT_NEAR(readPixel(box.minX + 1, box.minY + 1)[0], 128, 2); // half of white, added

    // An identity projection: the default anchor (0, -0.018) is NDC (-0.4, 0.382), pixel
    // (96, 165.8).
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    text.setPosition(0, -0.018);
    box = drawAll(text, "HELLO");
    EXPECT_GE(box.minX, 95);
    EXPECT_LE(box.minX, 99);
    EXPECT_GE(box.minY, 165);
    EXPECT_LE(box.minY, 167);
    EXPECT_EQ(text.drawCount, 2);
}

TEST_F(TextGl, TabDrawsFourSpacesAndLineBreaksScrollFromTheTwentyFifth)
{
    Text text;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity(); // one pitch is 0.028 x 120 = 3.36 pixels
    glMatrixMode(GL_MODELVIEW);

    const LitBox tabbed = drawAll(text, "\tX");
    const LitBox spaced = drawAll(text, "    X");
    const LitBox plain = drawAll(text, "X");
    EXPECT_GT(tabbed.count, 0);
    EXPECT_EQ(tabbed.red, spaced.red);
    EXPECT_NEAR(tabbed.minX - plain.minX, 4 * 11, 1);

    const std::string first = "A";
    const std::string lines24 = first + std::string(24, '\n');
    const std::string lines25 = first + std::string(25, '\n');
    const std::string lines27 = first + std::string(27, '\n');
    const LitBox unscrolled = drawAll(text, first.c_str());
    EXPECT_EQ(drawAll(text, lines24.c_str()).red, unscrolled.red);
    EXPECT_NEAR(drawAll(text, lines25.c_str()).minY - unscrolled.minY, 3.36, 1.0);
    EXPECT_NEAR(drawAll(text, lines27.c_str()).minY - unscrolled.minY, 3 * 3.36, 1.0);
}

TEST_F(TextGl, CursorAloneAndTextlessDrawsAreSafe)
{
    Text text;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);

    // No text at all (as after a failed load): nothing drawn, the draw still counts.
    clearBlack();
    text.draw();
    EXPECT_EQ(readLit().count, 0);
    text.showCursor = true;
    clearBlack();
    text.draw();
    const LitBox cursor = readLit();
    EXPECT_EQ(text.drawCount, 2);
    EXPECT_GT(cursor.count, 0);
    EXPECT_LE(cursor.maxY - cursor.minY, 3); // a flat underscore, below the baseline
    EXPECT_LT(cursor.maxY, 166);

    text.text = "typed";
    text.revealed = 0; // nothing revealed yet: still the cursor alone
    clearBlack();
    text.draw();
    EXPECT_EQ(readLit().red, cursor.red);
}

TEST_F(TextGl, StartTypingKeepsTheStringAndArmsTwoEvents)
{
    os::Window* previousWindow = windowHandle;
    windowHandle = glTestWindow;
    Text text;
    static const char title[] = "FIRST TITLE";
    static const char next[] = "SECOND";
    text.startTyping(title);
    EXPECT_EQ(text.text, title); // the pointer itself, not a copy
    text.revealed = 5;
    text.startTyping(next);
    EXPECT_EQ(text.revealed, 5);
    EXPECT_EQ(text.shownText(), "SECON");

    const uint32_t start = os::getTickCount();
    std::vector<std::pair<uintptr_t, uint32_t>> fired; // id, milliseconds after start
    os::Message message;
    for (int i = 0; i < 1000 && fired.size() < 2; ++i) {
        if (!os::peekMessage(message))
            continue;
        if (message.message != os::WM_TIMER || message.window != glTestWindow)
            continue;
        if (message.wParam != typingLateEventId && message.wParam != typingSoonEventId)
            continue;
        EXPECT_EQ(message.lParam, reinterpret_cast<intptr_t>(&onTimer));
        fired.push_back({message.wParam, os::getTickCount() - start});
        os::killTimer(glTestWindow, message.wParam);
    }
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_EQ(fired[0].first, typingSoonEventId);
    EXPECT_EQ(fired[0].second, typingSoonDelayMs);
    EXPECT_EQ(fired[1].first, typingLateEventId);
    EXPECT_EQ(fired[1].second, typingLateDelayMs);
    windowHandle = previousWindow;
}
