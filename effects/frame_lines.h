// FrameLines: a viewport that opens over time, and the black lines framing it.
//
// The rectangle (x, y, widthMargin, heightMargin) goes to World::setViewport, which makes the
// viewport (x, y, screenWidth - widthMargin, screenHeight - heightMargin). setLayout picks a
// starting rectangle; each apply sets the viewport and then moves the rectangle on for the next
// frame by the layout's opening rule; drawFrame outlines the viewport and gives the scene the
// whole window back.
//
// Layout 1 opens sideways from a 50-pixel strip at two pixels per frame, then grows upward one
// pixel per frame. Layout 2 grows in height for about the hold time, then widens to the full
// width within the open time. Layout 3 stays as set. Window thread only.
#pragma once

#include <cstdint>

class FrameLines {
public:
    static constexpr int32_t stripHeight = 50; // pixels, layout 1's first height

    void setLayout(int32_t m);
    // World::setViewport with the rectangle, colour white, then advance.
    void apply();
    void drawFrame();

    // Moves the rectangle on by one frame of the current layout's opening rule.
    void advance();

    int32_t x = 0;
    int32_t y = 0;
    int32_t widthMargin = 0;  // pixels short of the screen width
    int32_t heightMargin = 0; // pixels short of the screen height
    int32_t layout = 0;
    float holdTime = 16.72f; // seconds layout 2 grows in height
    float openTime = 2.5f;   // seconds layout 2 then takes to widen
    float layoutStart = 0.0f; // demoTime of the last setLayout
};
