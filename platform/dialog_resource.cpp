// Classic dialog templates in memory; see dialog_resource.h.
#include "platform/dialog_resource.h"

namespace os {
namespace {

class TemplateWriter {
public:
    void word(uint16_t value)
    {
        bytes.push_back(uint8_t(value & 0xFF));
        bytes.push_back(uint8_t(value >> 8));
    }
    void dword(uint32_t value)
    {
        word(uint16_t(value & 0xFFFF));
        word(uint16_t(value >> 16));
    }
    void coordinate(int value) { word(uint16_t(int16_t(value))); }
    // The template's strings are UTF-16; ours are plain ASCII, so each byte becomes a unit.
    void string(const char* text)
    {
        for (const char* c = text ? text : ""; *c; ++c)
            word(uint16_t(static_cast<unsigned char>(*c)));
        word(0);
    }
    void alignToDword()
    {
        while (bytes.size() % 4 != 0)
            bytes.push_back(0);
    }
    std::vector<uint8_t> bytes;
};

uint32_t controlStyle(const DialogControl& control)
{
    using namespace dialog_style;
    uint32_t style = child | visible | (control.tabStop ? tabStop : 0);
    switch (control.kind) {
    case ControlKind::Bitmap: return style | bitmap;
    case ControlKind::RadioButton: return style | autoRadioButton;
    case ControlKind::CheckBox: return style | autoCheckBox;
    case ControlKind::PushButton: return style | pushButton;
    }
    return style;
}

} // namespace

std::vector<uint8_t> dialogResourceBytes(const DialogTemplate& dialogTemplate)
{
    using namespace dialog_style;
    TemplateWriter out;
    out.dword(popup | caption | systemMenu | modalFrame | setFont);
    out.dword(0); // no extended style
    out.word(uint16_t(dialogTemplate.controls.size()));
    out.coordinate(dialogTemplate.x);
    out.coordinate(dialogTemplate.y);
    out.coordinate(dialogTemplate.width);
    out.coordinate(dialogTemplate.height);
    out.word(0); // no menu
    out.word(0); // the predefined dialog class
    out.string(dialogTemplate.caption);
    out.word(uint16_t(dialogTemplate.fontPoints));
    out.string(dialogTemplate.fontName);
    for (const DialogControl& control : dialogTemplate.controls) {
        out.alignToDword();
        out.dword(controlStyle(control));
        out.dword(0);
        out.coordinate(control.x);
        out.coordinate(control.y);
        out.coordinate(control.width);
        out.coordinate(control.height);
        out.word(uint16_t(control.id)); // -1, the picture's "no id", is 0xFFFF
        out.word(0xFFFF);               // a predefined class by atom follows
        out.word(control.kind == ControlKind::Bitmap ? staticClass : buttonClass);
        // A picture's bitmap is set from the description's bytes once the dialog exists.
        out.string(control.kind == ControlKind::Bitmap ? "" : control.text);
        out.word(0); // no creation data
    }
    return out.bytes;
}

} // namespace os
