// Shared by the GL tests: the headless window whose context is current during every test.
#pragma once

#include "platform/os.h"

constexpr int glTestWidth = 320; // smaller than the 512x512 drawing surface on purpose
constexpr int glTestHeight = 240;
extern os::Window* glTestWindow;
