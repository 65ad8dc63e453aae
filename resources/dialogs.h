// The dialog templates compiled into the program, laid out in dialog units as a classic dialog
// resource: the settings dialog (resolution and full screen) with its picture.
#pragma once

#include "platform/os.h"

// Resource and control ids of the settings dialog.
constexpr int settingsDialogId = 102;
constexpr int settingsBitmapId = 101;
constexpr int pictureControlId = -1; // the picture never notifies, so it has no id of its own
constexpr int radio320x240Id = 1004;
constexpr int radio640x480Id = 1000;
constexpr int radio800x600Id = 1008;
constexpr int radio1024x786Id = 1009;
constexpr int fullscreenCheckId = 1001;
constexpr int cancelButtonId = 1005;
constexpr int okButtonId = 1006;

// Dialog 102: the settings dialog shown before the demo starts.
const os::DialogTemplate& settingsDialogTemplate();
