// Fuzz target for the story text: any bytes must load cleanly, and the typing that follows
// (revealing, the shown string with its cursor, the scrolling rule and the glyph layout) must
// stay inside the loaded text and produce only codes that have a glyph list.
#include "effects/text.h"
#include "tests/fuzz/fuzz_file.h"

#include <algorithm>
#include <string>

namespace {
constexpr int revealCalls = 8; // reveals per input after the first character
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static FuzzFile file;
    TextTyping typing;
    if (!typing.loadText(file.write(bytes, size)) || !typing.text)
        __builtin_trap();
    const int length = typing.length();
    if (length < 0 || length >= TextTyping::bufferBytes)
        __builtin_trap();

    // The first byte picks the cursor and the font height, so both sides of each are covered.
    typing.showCursor = size > 0 && (bytes[0] & 1);
    typing.fontHeight = size > 0 ? 8 + bytes[0] % 32 : 18;

    float scroll = 0.0f;
    size_t glyphs = 0;
    typing.revealRate = 1.0f;
    for (int call = 0; call <= revealCalls; ++call) {
        typing.reveal();
        if (typing.revealed < 0 || typing.revealed > length)
            __builtin_trap();
        const std::string shown = typing.shownText();
        if (shown.size() != size_t(typing.revealed) + (typing.showCursor ? 1 : 0))
            __builtin_trap();
        const float offset = typing.scrollOffsetFor(shown);
        if (offset > 0.0f)
            __builtin_trap();
        scroll += offset;
        const auto lines = TextTyping::layoutLines(shown);
        if (lines.size() != size_t(std::count(shown.begin(), shown.end(), '\n')) + 1)
            __builtin_trap();
        for (const std::string& line : lines)
            for (char c : line) {
                const int code = static_cast<unsigned char>(c);
                if (code < Text::firstGlyph || code >= Text::firstGlyph + Text::glyphCount)
                    __builtin_trap();
                ++glyphs;
            }
        typing.revealRate = float(length / revealCalls + 1); // the rest in revealCalls steps
    }
    if (typing.revealed != length)
        __builtin_trap();
    volatile float sink = scroll + float(glyphs);
    (void)sink;
    return 0;
}
