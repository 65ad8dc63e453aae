// Text: a block of text typed out character by character in a bold "Courier New" bitmap font,
// drawn additively in half-transparent white and scrolling up once it grows past the bottom of
// its area. The director keeps two: the title (a string handed over by an event) and the story
// (read from a file at start-up); each frame a scene draws one and may reveal more of it.
//
// TextTyping holds what needs no OpenGL (the string, how much of it is shown, the line pitch and
// the scrolling rule, the layout of a shown string into glyph codes); Text adds the font's
// display lists and the drawing. Glyphs are one display list per character (codes 32..127),
// called at raster positions in the current projection at depth -1, so the same block sits
// wherever the scene's projection puts it.
//
// Window thread only; the display lists belong to the window's OpenGL context.
#pragma once

#include "platform/gl.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One-shot events armed by startTyping; the event handler has no action for either.
constexpr uintptr_t typingLateEventId = 1001;
constexpr uint32_t typingLateDelayMs = 500;
constexpr uintptr_t typingSoonEventId = 1002;
constexpr uint32_t typingSoonDelayMs = 50;

class TextTyping {
public:
    static constexpr int bufferBytes = 100000; // a text file is read into this many bytes

    // Reads the file (at most bufferBytes - 1 bytes) into a buffer of its own and makes it
    // `text`. CR LF line ends become single line breaks, so a file reads the same whichever
    // line ends it was saved with. Logs "Reading %d chars from %s"; a file that cannot be
    // opened shows "Error loading text from %s" and leaves `text` as it was.
    bool loadText(const char* path);

    // Shows up to ceil(revealRate) more characters; nothing when revealRate <= 0. `revealed`
    // never passes the text's length.
    void reveal();

    // Length of `text`; 0 without text.
    int length() const;

    // The first `revealed` characters (never more than the text has), then "_" if showCursor.
    std::string shownText() const;

    // Vertical distance between lines: fontHeight x 0.001 (held as a float) + 0.01.
    double linePitch() const;

    // How far a block showing `shown` is scrolled up (<= 0): one pitch for every line break
    // that takes the running line offset below bottomLimit.
    float scrollOffsetFor(const std::string& shown) const;

    // The display-list codes drawn for `shown`, one string per line: a tab becomes four spaces;
    // codes 128..255 and control codes other than the line break and tab have no glyph and are
    // left out.
    static std::vector<std::string> layoutLines(const std::string& shown);

    float revealRate = 1.0f;  // characters per reveal call
    float bottomLimit = -0.7f; // lines whose offset goes below this make the text scroll
    int32_t fontHeight = 18;  // character height in pixels
    bool showCursor = false;  // an underscore follows the revealed text
    const char* text = nullptr; // zero-terminated; owned when loaded, borrowed from startTyping
    int32_t revealed = 0;     // characters shown; only grows

private:
    std::unique_ptr<char[]> loadedText; // the buffer `text` points to after loadText
};

class Text : public TextTyping {
public:
    // Logs "Text Object" and builds the font; needs a current GL context.
    Text();
    ~Text();
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    static constexpr int glyphCount = 96; // character codes 32..127
    static constexpr int firstGlyph = 32;

    // Compiles the 96 glyph lists of bold "Courier New" at fontHeight pixels into listBase.
    void buildFont();
    // A new character height: the block's anchor moves to (0, -height x 0.001) and the font is
    // built again (the previous lists are deleted).
    void setFontHeight(int height);
    void setPosition(double newX, double newY);
    // Shows `string` from now on (kept by pointer, not copied: it must outlive its use) without
    // resetting `revealed`, so a new title appears already typed up to the old count. Arms the
    // events typingLateEventId and typingSoonEventId on the main window.
    void startTyping(const char* string);
    // Draws the shown part of the text, scrolled, and counts the draw.
    void draw();

    GLuint listBase = 0;     // first of the glyph lists; 0 without a GL context
    float lineOffset = 0;    // distance of the line being drawn from the first
    float scrollOffset = 0;  // <= 0: how far the text has scrolled up
    float x = 0;             // the block's anchor
    float y = -0.018f;
    int32_t drawCount = 0;   // draws so far

private:
    void renderString(const std::string& shown);
};
