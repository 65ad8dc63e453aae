// Text's typing state: revealing, the shown string with its cursor, the scrolling rule, the
// glyph layout and reading the text file. No GL here: TextTyping is the part without the font.
#include "effects/text.h"

#include "app/log.h"
#include "platform/os.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string lineBreaks(int count) { return std::string(size_t(count), '\n'); }

// A log that keeps its text, and message boxes recorded instead of shown.
class TextFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        previousLogger = logger;
        testing::internal::CaptureStderr(); // the enabled log echoes its lines
        log = std::make_unique<Log>(true);
        logger = log.get();
        os::setMessageBoxHook([this](const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return os::IDOK;
        });
    }
    void TearDown() override
    {
        os::setMessageBoxHook(nullptr);
        logger = previousLogger;
        testing::internal::GetCapturedStderr();
        for (const std::string& path : written)
            std::remove(path.c_str());
    }
    std::string writeFile(const std::string& bytes)
    {
        const std::string path = testing::TempDir() + "text_test_" + std::to_string(getpid()) + "_"
                                 + std::to_string(written.size()) + ".txt";
        FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        written.push_back(path);
        return path;
    }

    Log* previousLogger = nullptr;
    std::unique_ptr<Log> log;
    std::vector<std::string> boxes;
    std::vector<std::string> written;
};

} // namespace

TEST(TextTyping, RevealRateSetsHowManyCharactersEachCallAdds)
{
    TextTyping typing;
    typing.text = "abcdefg";
    typing.reveal();
    EXPECT_EQ(typing.revealed, 1);
    typing.revealRate = 2.5f; // steps 0, 1, 2 are below 2.5
    typing.reveal();
    EXPECT_EQ(typing.revealed, 4);
    typing.revealRate = 0.0f;
    typing.reveal();
    typing.revealRate = -3.0f;
    typing.reveal();
    EXPECT_EQ(typing.revealed, 4);
    typing.revealRate = 1e30f; // never past the end, however fast
    typing.reveal();
    EXPECT_EQ(typing.revealed, 7);
    typing.reveal();
    EXPECT_EQ(typing.revealed, 7);
}

TEST(TextTyping, ShownTextIsTheRevealedPrefixAndTheCursor)
{
    TextTyping typing;
    typing.text = "title";
    typing.showCursor = true;
    EXPECT_EQ(typing.shownText(), "_"); // nothing revealed: the cursor alone
    typing.revealed = 3;
    EXPECT_EQ(typing.shownText(), "tit_");
    // A shorter string handed over later shows whole, not what lay beyond its end.
    typing.text = "ab";
    EXPECT_EQ(typing.shownText(), "ab_");
    typing.text = "a longer title";
    EXPECT_EQ(typing.shownText(), "a l_"); // the count carries over to the new string

    TextTyping empty; // no text at all: reveals nothing and shows an empty string
    empty.reveal();
    EXPECT_EQ(empty.revealed, 0);
    EXPECT_EQ(empty.shownText(), "");
}

TEST(TextTyping, TwentyFifthLineBreakIsTheFirstToScroll)
{
    TextTyping typing;
    EXPECT_DOUBLE_EQ(typing.linePitch(), double(18 * 0.001f) + 0.01);
    EXPECT_NEAR(typing.linePitch(), 0.028000001, 1e-9);
    EXPECT_EQ(typing.scrollOffsetFor(lineBreaks(24)), 0.0f);
    const double pitch = typing.linePitch();
    EXPECT_EQ(typing.scrollOffsetFor(lineBreaks(25)), float(-pitch));
    EXPECT_EQ(typing.scrollOffsetFor("one\ntwo" + lineBreaks(26)), float(-pitch - pitch - pitch));
    EXPECT_EQ(typing.scrollOffsetFor("no breaks at all\t_"), 0.0f);

    typing.fontHeight = 12;
    EXPECT_NEAR(typing.linePitch(), 0.022000001, 1e-9);
    EXPECT_EQ(typing.scrollOffsetFor(lineBreaks(31)), 0.0f); // 31 x 0.022 = 0.682
    EXPECT_LT(typing.scrollOffsetFor(lineBreaks(32)), 0.0f);
}

TEST(TextTyping, TabRevealsAsOneCharacterAndLaysOutAsFourSpaces)
{
    TextTyping typing;
    typing.text = "\tX";
    typing.reveal();
    EXPECT_EQ(typing.shownText(), "\t");
    EXPECT_EQ(TextTyping::layoutLines(typing.shownText()), std::vector<std::string>{"    "});

    // Codes without a glyph are left out: 128..255, and control codes other than line breaks.
    EXPECT_EQ(TextTyping::layoutLines("a\x80\xff" "b\r\x01\nc~\x7f"),
              (std::vector<std::string>{"ab", "c~\x7f"}));
    EXPECT_EQ(TextTyping::layoutLines("_"), std::vector<std::string>{"_"});
    EXPECT_EQ(TextTyping::layoutLines("\n\n").size(), 3u);
}

TEST_F(TextFileTest, CrLfLineEndsBecomeSingleBreaksBeforeTheCount)
{
    TextTyping typing;
    const std::string path = writeFile("one\r\ntwo\r\n\r\nlone\rcr\n");
    ASSERT_TRUE(typing.loadText(path.c_str()));
    EXPECT_STREQ(typing.text, "one\ntwo\n\nlone\rcr\n");
    EXPECT_NE(log->text().find("Reading 17 chars from " + path), std::string::npos);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TextFileTest, LongFileIsCutToTheBuffer)
{
    TextTyping typing;
    const std::string path = writeFile(std::string(TextTyping::bufferBytes + 50, 'x'));
    ASSERT_TRUE(typing.loadText(path.c_str()));
    EXPECT_EQ(typing.length(), TextTyping::bufferBytes - 1);
    typing.revealRate = 1e6f;
    typing.reveal();
    EXPECT_EQ(typing.revealed, TextTyping::bufferBytes - 1);
}

TEST_F(TextFileTest, MissingFileShowsTheBoxAndKeepsTheTextItHad)
{
    TextTyping typing;
    const std::string path = testing::TempDir() + "no_such_text_file.txt";
    EXPECT_FALSE(typing.loadText(path.c_str()));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Error loading text from " + path);
    EXPECT_EQ(typing.text, nullptr);
    EXPECT_EQ(typing.shownText(), "");
    EXPECT_EQ(typing.scrollOffsetFor(typing.shownText()), 0.0f);

    typing.text = "kept";
    EXPECT_FALSE(typing.loadText(path.c_str()));
    EXPECT_STREQ(typing.text, "kept");
    EXPECT_FALSE(typing.loadText(nullptr));
    EXPECT_EQ(boxes.size(), 3u);
}
