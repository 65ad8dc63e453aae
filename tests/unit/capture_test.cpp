#include "app/capture.h"

#include <gtest/gtest.h>

TEST(CaptureSchedule, EachCaptureFrameShowsTheLastFrameDrawnByItsTime)
{
    // At the show's own rate every drawn frame (16 ms apart) is exactly one capture frame.
    const FrameSchedule own(62.5);
    EXPECT_EQ(own.framesBefore(0), 0);
    EXPECT_EQ(own.framesBefore(16), 1);     // frame 1 is at 16 ms itself, not before it
    EXPECT_EQ(own.framesBefore(16.5), 2);
    EXPECT_EQ(own.framesBefore(241000), 15063); // the whole show: frames 0 .. 15062
    // At 60 per second frame 1 is at 16.67 ms, so the frame drawn at 16 ms becomes it and the
    // one at 32 ms becomes frame 2 (33.3 ms); frames are never shown before they are drawn.
    const FrameSchedule sixty(60);
    EXPECT_EQ(sixty.framesBefore(16), 1);
    EXPECT_EQ(sixty.framesBefore(32), 2);
    EXPECT_EQ(sixty.framesBefore(48), 3);
    EXPECT_EQ(sixty.framesBefore(241000), 14460); // 241 s exactly, no frame at the end itself
    EXPECT_EQ(sixty.framesBefore(-5), 0);
    EXPECT_EQ(FrameSchedule(0).framesBefore(1000), 0);
}

// --frame agrees with the capture: a time that is a frame's own time gets that frame, also late
// in the show, where the float demo time is a rounding step away from the whole millisecond.
TEST(CaptureSchedule, AFrameTimeGetsThatFrameAllThroughTheShow)
{
    for (int64_t frameMs : {0, 16, 32048, 80000, 237984}) {
        const double seconds = double(frameMs) / 1000.0;
        EXPECT_FALSE(isFrameShownAt(frameMs, seconds)) << "the frame before " << frameMs;
        EXPECT_TRUE(isFrameShownAt(frameMs + 16, seconds)) << "the frame at " << frameMs;
    }
    EXPECT_TRUE(isFrameShownAt(80016, 80.0159)); // between frames: the one drawn last
    EXPECT_FALSE(isFrameShownAt(80016, 80.016));
}

TEST(CaptureTarget, FoldersPatternsAndVideos)
{
    CaptureTarget target;
    std::string error;
    ASSERT_TRUE(parseCaptureTarget("frames/", target, error));
    EXPECT_EQ(target.kind, CaptureKind::Pictures);
    EXPECT_EQ(pictureName(target.path, 42), "frames/00042.png");
    ASSERT_TRUE(parseCaptureTarget("out/shot-%03d.png", target, error));
    EXPECT_EQ(pictureName(target.path, 7), "out/shot-007.png");
    ASSERT_TRUE(parseCaptureTarget("frames\\", target, error)); // a Windows folder
    EXPECT_EQ(target.kind, CaptureKind::Pictures);
    EXPECT_EQ(pictureName(target.path, 3), "frames\\00003.png");
    ASSERT_TRUE(parseCaptureTarget("shot%d.png", target, error));
    EXPECT_EQ(pictureName(target.path, 12345), "shot12345.png");
    ASSERT_TRUE(parseCaptureTarget("show.mp4", target, error));
    EXPECT_EQ(target.kind, CaptureKind::Video);
    EXPECT_EQ(target.path, "show.mp4");
    // Only one integer field: anything else would make the formatter read arguments it was
    // never given.
    for (const char* bad : {"a%s.png", "%d-%d.png", "%n.png", "%5.2f.png", "%ld.png", "%%d.png", "%0123456d", ""}) {
        error.clear();
        EXPECT_FALSE(parseCaptureTarget(bad, target, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(CaptureProgress, BarFiguresAndTimeLeft)
{
    EXPECT_EQ(progressLine(0, 100, 0), "capture [------------------------------] 0/100 frames");
    const std::string half = progressLine(50, 100, 2.0); // 25 frames per second, 2 s to go
    EXPECT_EQ(half.substr(0, 40), "capture [###############---------------]");
    EXPECT_NE(half.find("50/100 frames"), std::string::npos) << half;
    EXPECT_NE(half.find("25.0 fps"), std::string::npos) << half;
    EXPECT_NE(half.find("0:02 left"), std::string::npos) << half;
    EXPECT_NE(progressLine(15063, 15063, 60).find("0:00 left"), std::string::npos);
    // Out-of-range counts are clamped rather than drawing a broken bar.
    EXPECT_EQ(progressLine(500, 100, 1).substr(0, 40), "capture [##############################]");
    EXPECT_EQ(progressLine(3, 0, 1).substr(0, 40), "capture [##############################]");
}
