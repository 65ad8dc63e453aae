// Text: loading, revealing, the scrolling rule and the bitmap-font drawing.
#include "effects/text.h"

#include "app/log.h"
#include "app/startup.h"
#include "app/window.h"
#include "platform/bitmap_font.h"
#include "platform/files.h"
#include "platform/os.h"
#include "world/gl_scope.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* fontFace = "Courier New";
constexpr int boldWeight = 700;
constexpr int spacesPerTab = 4;
// The block's first line starts this far left of and above its anchor, at eye depth -1.
constexpr double blockLeft = 0.4;
constexpr double blockTop = 0.4;
constexpr double blockDepth = -1.0;

// Turns every CR LF pair of the n bytes at `chars` into a single LF in place; returns the new
// length. A CR on its own is kept.
size_t joinCrLf(char* chars, size_t n)
{
    size_t out = 0;
    for (size_t in = 0; in < n; ++in) {
        if (chars[in] == '\r' && in + 1 < n && chars[in + 1] == '\n')
            continue;
        chars[out++] = chars[in];
    }
    return out;
}

} // namespace

// ---- TextTyping ---------------------------------------------------------------------------------

bool TextTyping::loadText(const char* path)
{
    FILE* file = path ? os::openFile(path, "rb") : nullptr;
    if (!file) {
        if (logger)
            logger->messageBox("Error loading text from %s", path ? path : "");
        return false;
    }
    auto buffer = std::make_unique<char[]>(bufferBytes);
    size_t bytes = std::fread(buffer.get(), 1, bufferBytes - 1, file);
    std::fclose(file);
    bytes = joinCrLf(buffer.get(), bytes);
    buffer[bytes] = '\0';
    loadedText = std::move(buffer);
    text = loadedText.get();
    if (logger)
        logger->printItem("Reading %d chars from %s", length(), path);
    return true;
}

int TextTyping::length() const { return text ? int(std::strlen(text)) : 0; }

void TextTyping::reveal()
{
    if (!(revealRate > 0.0f))
        return;
    const int remaining = length() - revealed;
    if (remaining <= 0)
        return;
    // One character for every step i = 0, 1, ... below revealRate: ceil(revealRate) of them.
    const double steps = std::ceil(double(revealRate));
    revealed += steps >= double(remaining) ? remaining : int(steps);
}

std::string TextTyping::shownText() const
{
    // A string handed over later may be shorter than what was revealed of the one before.
    const int count = std::clamp(revealed, 0, length());
    std::string shown(text ? text : "", size_t(count));
    if (showCursor)
        shown += '_';
    return shown;
}

double TextTyping::linePitch() const { return fontHeight * 0.001f + 0.01; }

float TextTyping::scrollOffsetFor(const std::string& shown) const
{
    const double pitch = linePitch();
    float scroll = 0.0f;
    double lineTop = 0.0; // kept in double: at the default pitch the 25th line is the first below
    for (char c : shown) {
        if (c != '\n')
            continue;
        lineTop -= pitch;
        if (lineTop < bottomLimit)
            scroll -= pitch;
    }
    return scroll;
}

std::vector<std::string> TextTyping::layoutLines(const std::string& shown)
{
    std::vector<std::string> lines(1);
    for (char c : shown) {
        const unsigned char code = static_cast<unsigned char>(c);
        if (c == '\n')
            lines.emplace_back();
        else if (c == '\t')
            lines.back().append(spacesPerTab, ' ');
        else if (code >= Text::firstGlyph && code < Text::firstGlyph + Text::glyphCount)
            lines.back() += c;
    }
    return lines;
}

// ---- Text ---------------------------------------------------------------------------------------

Text::Text()
{
    if (logger)
        logger->printObject("Text Object");
    buildFont();
}

Text::~Text()
{
    if (listBase)
        glDeleteLists(listBase, glyphCount);
}

void Text::buildFont()
{
    if (listBase)
        glDeleteLists(listBase, glyphCount);
    listBase = glGenLists(glyphCount);
    if (listBase)
        os::useFontBitmaps(fontFace, fontHeight, boldWeight, firstGlyph, glyphCount, listBase);
}

void Text::setFontHeight(int height)
{
    fontHeight = height;
    x = 0.0f;
    y = float(-height * 0.001);
    buildFont();
}

void Text::setPosition(double newX, double newY)
{
    x = float(newX);
    y = float(newY);
}

void Text::startTyping(const char* string)
{
    text = string;
    os::setTimer(windowHandle, typingLateEventId, typingLateDelayMs, onTimer);
    os::setTimer(windowHandle, typingSoonEventId, typingSoonDelayMs, onTimer);
}

void Text::draw()
{
    const std::string shown = shownText();
    scrollOffset = scrollOffsetFor(shown);
    renderString(shown);
}

void Text::renderString(const std::string& shown)
{
    {
        AttribScope attributes;
        glMatrixMode(GL_MODELVIEW);
        MatrixScope modelview;
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glColor4f(1.0f, 1.0f, 1.0f, 0.5f); // taken into the raster colour by glRasterPos
        glListBase(listBase - firstGlyph);

        const double pitch = linePitch();
        lineOffset = 0.0f;
        bool firstLine = true;
        for (const std::string& line : layoutLines(shown)) {
            if (!firstLine)
                lineOffset += pitch;
            firstLine = false;
            glRasterPos3d(x - blockLeft, y + blockTop - lineOffset - scrollOffset, blockDepth);
            // Each code calls its glyph's list, which draws it and moves on by its advance.
            if (!line.empty())
                glCallLists(GLsizei(line.size()), GL_UNSIGNED_BYTE, line.data());
        }
    }
    drawCount += 1;
}
