// The settings dialog driven through the dialog model: what each control does to the settings.
#include "app/settings_dialog.h"

#include "platform/sdl/dialog_model.h"
#include "resources/dialogs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

extern const unsigned char bitmap101Data[];
extern const std::size_t bitmap101DataSize;

namespace {

namespace detail = os::detail;

std::vector<int> exitStatuses;

class SettingsDialogTest : public testing::Test {
protected:
    void SetUp() override {
        exitStatuses.clear();
        defaultExit = settingsExit;
        settingsExit = [](int status) { exitStatuses.push_back(status); };
        screenWidth = 1;
        screenHeight = 1;
        fullscreen = false;
        dialog = detail::createDialog(settingsDialogTemplate(), settingsDialogProc);
    }
    void TearDown() override {
        detail::destroyDialog(dialog);
        settingsExit = defaultExit;
    }

    os::Dialog* dialog = nullptr;
    void (*defaultExit)(int) = nullptr;
};

TEST_F(SettingsDialogTest, OpensAt800x600FullScreenWithThoseButtonsChecked) {
    EXPECT_EQ(screenWidth, 800);
    EXPECT_EQ(screenHeight, 600);
    EXPECT_TRUE(fullscreen);
    EXPECT_EQ(os::isDlgButtonChecked(dialog, radio800x600Id), os::BST_CHECKED);
    EXPECT_EQ(os::isDlgButtonChecked(dialog, fullscreenCheckId), os::BST_CHECKED);
    EXPECT_EQ(detail::focusedControl(dialog), fullscreenCheckId);
}

TEST_F(SettingsDialogTest, EachRadioSetsItsSizeAndLeavesOnlyItselfChecked) {
    struct Choice {
        int id;
        int32_t width, height;
    };
    // 1024 x 786 as the label says, not 1024 x 768.
    for (const Choice choice : {Choice{radio320x240Id, 320, 240}, Choice{radio640x480Id, 640, 480},
                                Choice{radio1024x786Id, 1024, 786}, Choice{radio800x600Id, 800, 600}}) {
        detail::clickControl(dialog, choice.id);
        EXPECT_EQ(screenWidth, choice.width);
        EXPECT_EQ(screenHeight, choice.height);
        for (int id : {radio320x240Id, radio640x480Id, radio800x600Id, radio1024x786Id}) {
            EXPECT_EQ(os::isDlgButtonChecked(dialog, id), id == choice.id ? os::BST_CHECKED : os::BST_UNCHECKED);
        }
    }
    EXPECT_TRUE(fullscreen);
}

TEST_F(SettingsDialogTest, FullscreenFollowsTheCheckBox) {
    detail::pressKey(dialog, os::VK_SPACE, false);
    EXPECT_FALSE(fullscreen);
    detail::clickControl(dialog, fullscreenCheckId);
    EXPECT_TRUE(fullscreen);
    constexpr unsigned indeterminate = 2;
    os::checkDlgButton(dialog, fullscreenCheckId, indeterminate);
    settingsDialogProc(dialog, os::WM_COMMAND, fullscreenCheckId, 0);
    EXPECT_TRUE(fullscreen);
}

TEST_F(SettingsDialogTest, EnterOnOkEndsWithZero) {
    detail::pressKey(dialog, os::VK_TAB, false);
    detail::pressKey(dialog, os::VK_TAB, false);
    ASSERT_EQ(detail::focusedControl(dialog), okButtonId);
    detail::pressKey(dialog, os::VK_RETURN, false);
    EXPECT_TRUE(detail::ended(dialog));
    EXPECT_EQ(detail::result(dialog), 0);
    EXPECT_TRUE(exitStatuses.empty());
}

TEST_F(SettingsDialogTest, CancelAndCloseBoxExitWithMinusOne) {
    detail::clickControl(dialog, cancelButtonId);
    detail::closeBox(dialog);
    EXPECT_EQ(exitStatuses, (std::vector<int>{-1, -1}));
}

TEST_F(SettingsDialogTest, EnterAndEscapeAwayFromTheButtonsDoNothing) {
    detail::pressKey(dialog, os::VK_RETURN, false); // IDOK
    detail::pressKey(dialog, os::VK_ESCAPE, false); // IDCANCEL
    EXPECT_FALSE(detail::ended(dialog));
    EXPECT_TRUE(exitStatuses.empty());
    EXPECT_EQ(screenWidth, 800);
    EXPECT_TRUE(fullscreen);
    EXPECT_TRUE(settingsDialogProc(dialog, os::WM_COMMAND, os::IDCANCEL, 0));
    EXPECT_FALSE(settingsDialogProc(dialog, os::WM_TIMER, 0, 0));
}

TEST_F(SettingsDialogTest, DestroyEndsWithZero) {
    EXPECT_TRUE(settingsDialogProc(dialog, os::WM_DESTROY, 0, 0));
    EXPECT_TRUE(detail::ended(dialog));
    EXPECT_EQ(detail::result(dialog), 0);
}

TEST(SettingsDialogTemplate, PictureIsA200x150SixteenColourBitmapFillingItsControl) {
    const os::DialogTemplate& dialogTemplate = settingsDialogTemplate();
    ASSERT_FALSE(dialogTemplate.controls.empty());
    const os::DialogControl& picture = dialogTemplate.controls.front();
    ASSERT_EQ(picture.kind, os::ControlKind::Bitmap);
    ASSERT_EQ(picture.bitmap, bitmap101Data);
    ASSERT_GE(bitmap101DataSize, 54u);
    auto read32 = [](std::size_t offset) {
        uint32_t value = 0;
        std::memcpy(&value, bitmap101Data + offset, sizeof value);
        return value;
    };
    EXPECT_EQ(std::memcmp(bitmap101Data, "BM", 2), 0);
    EXPECT_EQ(read32(14), 40u); // BITMAPINFOHEADER
    EXPECT_EQ(read32(18), 200u);
    EXPECT_EQ(read32(22), 150u);
    EXPECT_EQ(bitmap101Data[28], 4); // bits per pixel
    EXPECT_EQ(read32(30), 0u);       // uncompressed
    const detail::PixelRect rect = detail::controlRect(picture);
    EXPECT_EQ(rect.width, 200);
    EXPECT_EQ(rect.height, 150);
}

} // namespace
