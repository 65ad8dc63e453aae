// The classic dialog's behaviour without a window: state changes, focus, keys, mouse, close.
#include "platform/sdl/dialog_model.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using os::ControlKind;
namespace detail = os::detail;

constexpr int radioA = 10, radioB = 11, checkId = 20, leftButton = 30, rightButton = 31;

os::DialogTemplate testTemplate() {
    return {7, "Test", "MS Sans Serif", 8, 0, 0, 200, 120,
            {
                {-1, ControlKind::Bitmap, 0, 0, 100, 80, "", false},
                {radioA, ControlKind::RadioButton, 110, 10, 40, 10, "A", false},
                {radioB, ControlKind::RadioButton, 110, 25, 40, 10, "B", false},
                {checkId, ControlKind::CheckBox, 110, 40, 40, 10, "C", true},
                {leftButton, ControlKind::PushButton, 10, 90, 60, 14, "L", true},
                {rightButton, ControlKind::PushButton, 110, 90, 60, 14, "R", true},
            }};
}

struct Received {
    uint32_t message;
    uintptr_t wParam;
    unsigned radioA, radioB, check; // button states when the message arrived
};

std::vector<Received> received;
bool handleClose = true;

intptr_t recordingProc(os::Dialog* dialog, uint32_t message, uintptr_t wParam, intptr_t) {
    received.push_back({message, wParam, os::isDlgButtonChecked(dialog, radioA),
                        os::isDlgButtonChecked(dialog, radioB), os::isDlgButtonChecked(dialog, checkId)});
    if (message == os::WM_COMMAND && (wParam & 0xFFFF) == rightButton) os::endDialog(dialog, 42);
    return message == os::WM_CLOSE ? handleClose : true;
}

class DialogModelTest : public testing::Test {
protected:
    void SetUp() override {
        received.clear();
        handleClose = true;
        dialog = detail::createDialog(testTemplate(), recordingProc);
    }
    void TearDown() override { detail::destroyDialog(dialog); }

    std::vector<int> commandIds() const {
        std::vector<int> ids;
        for (const Received& r : received) {
            if (r.message == os::WM_COMMAND) ids.push_back(static_cast<int>(r.wParam & 0xFFFF));
        }
        return ids;
    }
    void clearReceived() { received.clear(); }

    os::Dialog* dialog = nullptr;
};

TEST_F(DialogModelTest, InitDialogNamesAndFocusesTheFirstTabStop) {
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, os::WM_INITDIALOG);
    EXPECT_EQ(received[0].wParam, static_cast<uintptr_t>(checkId));
    EXPECT_EQ(detail::focusedControl(dialog), checkId);
}

TEST_F(DialogModelTest, AutoButtonsChangeBeforeTheirCommandAndRadiosExcludeEachOther) {
    clearReceived();
    detail::clickControl(dialog, radioA);
    detail::clickControl(dialog, radioB);
    detail::clickControl(dialog, checkId);
    detail::clickControl(dialog, checkId);
    detail::clickControl(dialog, -1); // the picture does not notify
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[0].wParam, (os::BN_CLICKED << 16) | radioA);
    EXPECT_EQ(received[0].radioA, os::BST_CHECKED);
    EXPECT_EQ(received[1].radioA, os::BST_UNCHECKED);
    EXPECT_EQ(received[1].radioB, os::BST_CHECKED);
    EXPECT_EQ(received[2].check, os::BST_CHECKED);
    EXPECT_EQ(received[3].check, os::BST_UNCHECKED);
}

TEST_F(DialogModelTest, TabWalksTabStopsBothWaysAndWraps) {
    std::vector<int> forward;
    for (int i = 0; i < 3; ++i) {
        detail::pressKey(dialog, os::VK_TAB, false);
        forward.push_back(detail::focusedControl(dialog));
    }
    EXPECT_EQ(forward, (std::vector<int>{leftButton, rightButton, checkId}));
    detail::pressKey(dialog, os::VK_TAB, true);
    EXPECT_EQ(detail::focusedControl(dialog), rightButton);
    detail::focusControl(dialog, radioA); // not a tab stop, but it can hold the focus
    detail::pressKey(dialog, os::VK_TAB, false);
    EXPECT_EQ(detail::focusedControl(dialog), checkId);
    EXPECT_TRUE(commandIds().empty());
}

TEST_F(DialogModelTest, KeysClickTheFocusedControlOrSendOkAndCancel) {
    detail::pressKey(dialog, os::VK_SPACE, false); // check box has the focus
    EXPECT_EQ(os::isDlgButtonChecked(dialog, checkId), os::BST_CHECKED);
    detail::pressKey(dialog, os::VK_RETURN, false); // not a push button: IDOK
    detail::pressKey(dialog, os::VK_ESCAPE, false);
    detail::pressKey(dialog, os::VK_TAB, false);
    detail::pressKey(dialog, os::VK_RETURN, false); // the left push button
    EXPECT_EQ(commandIds(), (std::vector<int>{checkId, os::IDOK, os::IDCANCEL, leftButton}));
    EXPECT_FALSE(detail::ended(dialog));
}

TEST_F(DialogModelTest, ArrowsMoveThroughAllControlsAndCheckRadios) {
    detail::pressKey(dialog, os::VK_UP, false);
    EXPECT_EQ(detail::focusedControl(dialog), radioB);
    EXPECT_EQ(os::isDlgButtonChecked(dialog, radioB), os::BST_CHECKED);
    detail::pressKey(dialog, os::VK_LEFT, false);
    detail::pressKey(dialog, os::VK_LEFT, false); // skips the picture, wraps to the last control
    EXPECT_EQ(detail::focusedControl(dialog), rightButton);
    EXPECT_EQ(os::isDlgButtonChecked(dialog, radioA), os::BST_CHECKED);
    EXPECT_EQ(os::isDlgButtonChecked(dialog, radioB), os::BST_UNCHECKED);
}

TEST_F(DialogModelTest, MouseClicksOnReleaseOverTheSameControl) {
    const detail::PixelRect radio = detail::controlRect(testTemplate().controls[1]);
    detail::mouseDown(dialog, radio.x + 2, radio.y + 2);
    EXPECT_EQ(detail::focusedControl(dialog), radioA);
    detail::mouseUp(dialog, radio.x + radio.width + 5, radio.y + 2); // dragged off: no click
    EXPECT_EQ(os::isDlgButtonChecked(dialog, radioA), os::BST_UNCHECKED);
    detail::mouseDown(dialog, radio.x + 2, radio.y + 2);
    detail::mouseUp(dialog, radio.x + 3, radio.y + 3);
    EXPECT_EQ(os::isDlgButtonChecked(dialog, radioA), os::BST_CHECKED);
    detail::mouseDown(dialog, 5, 5); // the picture takes no input
    EXPECT_EQ(detail::focusedControl(dialog), radioA);
    EXPECT_EQ(commandIds(), (std::vector<int>{radioA}));
}

TEST_F(DialogModelTest, CloseBoxSendsCloseAndCancelWhenCloseIsUnhandled) {
    clearReceived();
    detail::closeBox(dialog);
    EXPECT_TRUE(commandIds().empty());
    handleClose = false;
    detail::closeBox(dialog);
    EXPECT_EQ(received[0].message, os::WM_CLOSE);
    EXPECT_EQ(commandIds(), (std::vector<int>{os::IDCANCEL}));
}

TEST_F(DialogModelTest, EndedDialogKeepsItsResultAndIgnoresInput) {
    detail::clickControl(dialog, rightButton);
    EXPECT_TRUE(detail::ended(dialog));
    EXPECT_EQ(detail::result(dialog), 42);
    clearReceived();
    detail::clickControl(dialog, checkId);
    detail::pressKey(dialog, os::VK_ESCAPE, false);
    detail::closeBox(dialog);
    EXPECT_TRUE(received.empty());
}

TEST(DialogUnits, ConvertWithTheDialogFontsBaseUnits) {
    const os::DialogControl picture{-1, ControlKind::Bitmap, 0, 0, 133, 92, "", false};
    const detail::PixelRect rect = detail::controlRect(picture);
    EXPECT_EQ(rect.width, 200);
    EXPECT_EQ(rect.height, 150);
    const detail::PixelRect client = detail::dialogRect({0, "", "", 8, 200, 200, 197, 121, {}});
    EXPECT_EQ(client.x, 300);
    EXPECT_EQ(client.y, 325);
    EXPECT_EQ(client.width, 296);
    EXPECT_EQ(client.height, 197);
}

} // namespace
