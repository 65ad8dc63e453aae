// The settings dialog's template. Bitmap 101 is resources/bitmap101.bmp, embedded by the build
// (tools/make-dialog-art.py draws it).
#include "resources/dialogs.h"

#include <cstddef>

extern const unsigned char bitmap101Data[];
extern const std::size_t bitmap101DataSize;

const os::DialogTemplate& settingsDialogTemplate() {
    using os::ControlKind;
    static const os::DialogTemplate dialogTemplate{
        settingsDialogId, "#Vornix", "MS Sans Serif", 8, 200, 200, 197, 121,
        {
            {pictureControlId, ControlKind::Bitmap, 0, 0, 133, 92, "", false, bitmap101Data,
             bitmap101DataSize},
            {radio320x240Id, ControlKind::RadioButton, 140, 20, 43, 10, "320x240", false},
            {radio640x480Id, ControlKind::RadioButton, 140, 35, 43, 10, "640x480", false},
            {radio800x600Id, ControlKind::RadioButton, 140, 50, 43, 10, "800x600", false},
            // The label says 786, not 768, and the mode asked for follows the label.
            {radio1024x786Id, ControlKind::RadioButton, 140, 65, 47, 10, "1024x786", false},
            {fullscreenCheckId, ControlKind::CheckBox, 140, 85, 48, 10, "Fullscreen", true},
            {cancelButtonId, ControlKind::PushButton, 5, 100, 70, 15, "Cancel", true},
            {okButtonId, ControlKind::PushButton, 120, 100, 70, 14, "OK", true},
        }};
    return dialogTemplate;
}
