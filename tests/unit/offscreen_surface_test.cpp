// Where the picture goes in a window of another size: the largest centred rectangle of its
// aspect, pixel for pixel when the sizes agree, nothing at all in a minimised window.
#include "platform/offscreen_surface.h"

#include <gtest/gtest.h>

using os::detail::letterbox;
using os::detail::PresentRect;

TEST(Letterbox, ScalesToTheLargestCentredRectangleOfThePicturesAspect)
{
    EXPECT_EQ(letterbox(800, 600, 800, 600), (PresentRect{0, 0, 800, 600}));
    EXPECT_EQ(letterbox(800, 600, 1920, 1080), (PresentRect{240, 0, 1440, 1080})); // bars at the sides
    EXPECT_EQ(letterbox(640, 480, 1280, 960), (PresentRect{0, 0, 1280, 960}));     // twice as many pixels
    EXPECT_EQ(letterbox(640, 480, 960, 480), (PresentRect{160, 0, 640, 480}));
    EXPECT_EQ(letterbox(640, 480, 640, 960), (PresentRect{0, 240, 640, 480}));     // bars above and below
    // 1024x786 on a 1920x1080 desktop: 1407.1 wide, rounded, the remainder split evenly.
    EXPECT_EQ(letterbox(1024, 786, 1920, 1080), (PresentRect{256, 0, 1407, 1080}));
}

TEST(Letterbox, EmptyAreasAndPicturesGiveNothing)
{
    EXPECT_EQ(letterbox(800, 600, 800, 0), PresentRect{}); // a minimised window: no division by zero
    EXPECT_EQ(letterbox(800, 600, 0, 600), PresentRect{});
    EXPECT_EQ(letterbox(0, 600, 800, 600), PresentRect{});
    EXPECT_EQ(letterbox(800, 600, -5, -5), PresentRect{});
}
