// The settings dialog as the in-memory template Windows runs: read back field by field the way
// DialogBoxIndirectParam reads it, so a misplaced byte or a lost alignment shows here and not as
// a dialog that fails to open.
#include "platform/dialog_resource.h"
#include "resources/dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TemplateReader {
public:
    explicit TemplateReader(const std::vector<uint8_t>& bytes) : bytes(bytes) {}
    uint16_t word()
    {
        EXPECT_LE(at + 2, bytes.size()) << "read past the template";
        if (at + 2 > bytes.size())
            return 0;
        const uint16_t value = uint16_t(bytes[at] | bytes[at + 1] << 8);
        at += 2;
        return value;
    }
    uint32_t dword()
    {
        const uint32_t low = word();
        return low | uint32_t(word()) << 16;
    }
    int16_t coordinate() { return int16_t(word()); }
    std::string string()
    {
        std::string text;
        for (uint16_t unit = word(); unit != 0; unit = word())
            text += char(unit);
        return text;
    }
    void alignToDword() { at = (at + 3) / 4 * 4; }
    size_t offset() const { return at; }

private:
    const std::vector<uint8_t>& bytes;
    size_t at = 0;
};

} // namespace

TEST(DialogResource, SettingsDialogReadsBackAsItsDescription)
{
    using namespace os::dialog_style;
    const os::DialogTemplate& description = settingsDialogTemplate();
    const std::vector<uint8_t> bytes = os::dialogResourceBytes(description);
    TemplateReader in(bytes);
    EXPECT_EQ(in.dword(), popup | caption | systemMenu | modalFrame | setFont);
    EXPECT_EQ(in.dword(), 0u);
    ASSERT_EQ(in.word(), description.controls.size());
    EXPECT_EQ(in.coordinate(), 200);
    EXPECT_EQ(in.coordinate(), 200);
    EXPECT_EQ(in.coordinate(), 197);
    EXPECT_EQ(in.coordinate(), 121);
    EXPECT_EQ(in.word(), 0); // no menu
    EXPECT_EQ(in.word(), 0); // the standard dialog class
    EXPECT_EQ(in.string(), "#Vornix");
    EXPECT_EQ(in.word(), 8);
    EXPECT_EQ(in.string(), "MS Sans Serif");

    for (const os::DialogControl& control : description.controls) {
        in.alignToDword();
        const uint32_t style = in.dword();
        EXPECT_EQ(in.dword(), 0u);
        EXPECT_EQ(in.coordinate(), control.x);
        EXPECT_EQ(in.coordinate(), control.y);
        EXPECT_EQ(in.coordinate(), control.width);
        EXPECT_EQ(in.coordinate(), control.height);
        EXPECT_EQ(in.word(), uint16_t(control.id)) << control.text;
        EXPECT_EQ(in.word(), 0xFFFF);
        const uint16_t windowClass = in.word();
        const std::string text = in.string();
        EXPECT_EQ(in.word(), 0); // no creation data

        EXPECT_EQ(style & (child | visible), child | visible) << control.text;
        EXPECT_EQ((style & tabStop) != 0, control.tabStop) << control.text;
        switch (control.kind) {
        case os::ControlKind::Bitmap:
            EXPECT_EQ(windowClass, staticClass);
            EXPECT_EQ(style & 0x1F, bitmap);
            EXPECT_EQ(text, "");
            break;
        case os::ControlKind::RadioButton:
            EXPECT_EQ(windowClass, buttonClass);
            EXPECT_EQ(style & 0xF, autoRadioButton) << text;
            break;
        case os::ControlKind::CheckBox:
            EXPECT_EQ(windowClass, buttonClass);
            EXPECT_EQ(style & 0xF, autoCheckBox);
            break;
        case os::ControlKind::PushButton:
            // Neither button is the default one: Enter must not press OK.
            EXPECT_EQ(windowClass, buttonClass);
            EXPECT_EQ(style & 0xF, pushButton) << text;
            break;
        }
        if (control.kind != os::ControlKind::Bitmap)
            EXPECT_EQ(text, control.text);
    }
    EXPECT_EQ(in.offset(), bytes.size());
    EXPECT_EQ(uint16_t(description.controls.front().id), 0xFFFF); // the picture: "no id"
}
