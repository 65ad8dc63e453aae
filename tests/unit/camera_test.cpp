#include "geometry/camera.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string writePathFile(const std::string& name, const std::string& text)
{
    const std::string path = ::testing::TempDir() + "talvoren_camera_" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fputs(text.c_str(), file);
    std::fclose(file);
    return path;
}

CameraPath pathOf(int count)
{
    CameraPath path;
    for (int i = 0; i < count; ++i)
        path.addPoint(i, 2 * i, -i);
    return path;
}

} // namespace

TEST(CameraPath, SplineHitsItsControlPointsAndAtClamps)
{
    CameraPath path = pathOf(6);
    path.addPoint(10, 0, 3); // a bend, so the curve is not a straight line
    for (int i = 0; i + 3 < path.pointCount(); ++i) {
        const Vec3 start = path.evaluate(i, 0.0f), end = path.evaluate(i, 1.0f);
        EXPECT_NEAR(start.x, path.point(i + 1).x, 1e-5);
        EXPECT_NEAR(end.x, path.point(i + 2).x, 1e-5);
        EXPECT_NEAR(end.z, path.point(i + 2).z, 1e-5);
    }
    EXPECT_EQ(path.at(-3), path.at(0));
    EXPECT_EQ(path.at(0), path.evaluate(0, 0.0f));
    EXPECT_EQ(path.at(7), path.at(1));
    EXPECT_NEAR(path.at(1).x, path.point(path.pointCount() - 3).x, 1e-5);
}

TEST(CameraPath, CursorStepsThroughSegmentsAndStopsForGood)
{
    CameraPath five = pathOf(5);
    five.setSpeed(0.5);
    const std::pair<int, float> expected[] = {{0, 0.5f}, {1, 0.0f}, {1, 0.5f}};
    for (const auto& [segment, fraction] : expected) {
        ASSERT_TRUE(five.advance());
        EXPECT_EQ(five.cursorSegment(), segment);
        EXPECT_EQ(five.cursorFraction(), fraction);
    }
    EXPECT_FALSE(five.advance());
    EXPECT_EQ(five.cursorSegment(), 1);
    EXPECT_EQ(five.cursorFraction(), 1.0f);
    EXPECT_FALSE(five.advance());

    CameraPath four = pathOf(4);
    four.setSpeed(0.5);
    EXPECT_TRUE(four.advance());
    EXPECT_FALSE(four.advance()); // the fraction reached 1 in the only segment
    Vec3 ahead;
    four.reset();
    EXPECT_TRUE(four.peek(1, ahead));
    EXPECT_FALSE(four.peek(2, ahead));
    EXPECT_EQ(four.cursorFraction(), 0.0f); // peeking never moves the cursor
}

TEST(CameraPath, ShortPathsGiveTheirNearestPointInsteadOfReadingPastTheEnd)
{
    CameraPath empty;
    EXPECT_EQ(empty.at(0.5), Vec3());
    CameraPath two = pathOf(2);
    Vec3 point;
    EXPECT_TRUE(two.current(point));
    EXPECT_EQ(point, two.point(1));
    EXPECT_EQ(two.at(1), two.point(1));
    bool ended = false;
    for (int i = 0; i < 100 && !ended; ++i)
        ended = !two.advance();
    EXPECT_TRUE(ended);
}

TEST(Camera, PathFilesAreGroupsOfNineNumbersWhateverTheLines)
{
    const std::string nine = "1 2 3 4 5 6 0 1 0";
    Camera oneLine, twoLines, shortGroup, notNumbers;
    EXPECT_TRUE(oneLine.loadPath(writePathFile("one.pos", nine + " " + nine).c_str()));
    EXPECT_TRUE(twoLines.loadPath(writePathFile("two.pos", nine + "\n" + nine + "\n").c_str()));
    EXPECT_TRUE(shortGroup.loadPath(writePathFile("short.pos", nine + "\n" + nine + "\n7 8 9 10").c_str()));
    EXPECT_TRUE(notNumbers.loadPath(writePathFile("text.pos", nine + "\n1 2 three 4 5 6 7 8 9\n" + nine).c_str()));
    EXPECT_EQ(oneLine.eyePath.pointCount(), 2);
    EXPECT_EQ(twoLines.eyePath.pointCount(), 2);
    EXPECT_EQ(shortGroup.upPath.pointCount(), 2);
    EXPECT_EQ(notNumbers.viewPath.pointCount(), 1); // reading ends at the word; the group before it stays
    EXPECT_EQ(oneLine.viewPath.point(1), Vec3(4, 5, 6));

    Camera missing;
    EXPECT_FALSE(missing.loadPath("/nonexistent/boll.pos"));
    EXPECT_EQ(missing.eyePath.pointCount(), 0);
    EXPECT_FALSE(missing.followPath());
    const Vec3 eye = missing.eye;
    EXPECT_TRUE(missing.jumpTo(0.5));
    EXPECT_EQ(missing.eye, eye); // no path: the camera stays where it was
}

TEST(Camera, FollowPathMovesAboutOneStepPerCallAndStopsBeforeTheEnd)
{
    Camera camera;
    for (int i = 0; i < 10; ++i) {
        camera.eyePath.addPoint(i, 0, 0);
        camera.viewPath.addPoint(i, 0, -1);
        camera.upPath.addPoint(0, 1, 0);
    }
    camera.jumpTo(0);
    int calls = 0;
    Vec3 previous = camera.eye;
    while (camera.followPath()) {
        const double moved = (camera.eye - previous).length();
        EXPECT_GE(moved, 0.03 - 1e-6);
        EXPECT_LT(moved, 0.03 + 0.01);
        previous = camera.eye;
        ++calls;
    }
    EXPECT_NEAR(camera.eye.x, 7.6, 0.05); // stops 0.4 segment before the end of the last segment
    EXPECT_GT(calls, 150); // about 6.6 units at 0.03 to 0.035 per call

    Camera still;
    for (int i = 0; i < 6; ++i) {
        still.eyePath.addPoint(0, 0, -10);
        still.viewPath.addPoint(0, 0, 0);
        still.upPath.addPoint(0, 1, 0);
    }
    EXPECT_FALSE(still.followPath()); // nothing to travel: the first call runs to the stop

    still.set(1, 2, 3, 0, 0, 0, 0, 2, 0);
    EXPECT_EQ(still.up, Vec3(0, 1, 0));
}
