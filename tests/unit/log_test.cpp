// Log: the kept text as the log window would show it, the terminal echo, and the message box.
#include "app/log.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/os.h"

namespace {

const std::string initial = "Log Initiated...\r\n";
const char* const nullFormat = nullptr; // a variable, so format checking lets it through

struct ShownBox {
    std::string text, caption;
    unsigned flags;
};

// Keeps the enabled logs' terminal echo out of the test output and records message boxes
// instead of showing them.
class LogTest : public testing::Test {
protected:
    void SetUp() override {
        testing::internal::CaptureStderr();
        os::setMessageBoxHook([this](const std::string& text, const std::string& caption, unsigned flags) {
            shown.push_back({text, caption, flags});
            return os::IDOK;
        });
    }
    void TearDown() override {
        os::setMessageBoxHook(nullptr);
        if (!stderrTaken)
            testing::internal::GetCapturedStderr();
    }
    std::string takeStderr() {
        stderrTaken = true;
        return testing::internal::GetCapturedStderr();
    }
    bool stderrTaken = false;
    std::vector<ShownBox> shown;
};

} // namespace

TEST_F(LogTest, EachStyleStartsItsLineAfterTheBanner) {
    Log log(true);
    log.print("preInit() ENDS.");
    EXPECT_EQ(log.text(), initial + "\r\npreInit() ENDS.");
    log.printItem("file: %s", "a.jpg");
    log.printObject("World Object");
    log.print(nullFormat);
    log.printItem(nullFormat);
    EXPECT_EQ(log.text(), initial + "\r\npreInit() ENDS.\r\n  -> file: a.jpg\r\n ** World Object **");
    EXPECT_EQ(takeStderr(), "Log Initiated...\npreInit() ENDS.\n  -> file: a.jpg\n ** World Object **\n");
}

TEST_F(LogTest, DisabledLogKeepsNothingButStillShowsMessageBoxes) {
    Log log(false);
    log.print("a");
    log.printObject("c");
    log.messageBox("Could not load %s (%d)", "ball.3ds", 2);
    log.messageBox(nullFormat);
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(takeStderr(), "");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Could not load ball.3ds (2)");
    EXPECT_EQ(shown[0].caption, "");
    EXPECT_EQ(shown[0].flags, os::MB_OK | os::MB_ICONINFORMATION);
}

TEST_F(LogTest, LongMessagesAreCutTo1023Characters) {
    const std::string longText(2000, 'x');
    Log log(true);
    log.printObject("%s", longText.c_str());
    log.messageBox("%s", longText.c_str());
    EXPECT_EQ(log.text(), initial + "\r\n ** " + std::string(1023, 'x') + " **");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, std::string(1023, 'x'));
}

TEST_F(LogTest, FullLogKeepsItsOldestTextAndCutsItsEnd) {
    Log log(true);
    const std::string chunk(1000, 'a');
    for (int i = 0; i < 120; ++i) {
        log.print("%s", chunk.c_str());
        ASSERT_LE(log.text().size(), 99999u);
    }
    const std::string before = log.text();
    EXPECT_EQ(before.substr(0, initial.size()), initial);

    log.print("newest");
    const std::string newestLine = "\r\nnewest";
    EXPECT_EQ(log.text(), before.substr(0, 100000 - newestLine.size() - 1) + newestLine);
}
