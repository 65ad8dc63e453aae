// The event timetable: counts, unique identifiers, the arming order and the sixteenth grid the
// beats sit on.
#include "director/timetable.h"

#include <algorithm>
#include <set>

#include <gtest/gtest.h>

namespace {

using timetable::TimedEvent;

const TimedEvent* find(const std::vector<TimedEvent>& events, uint32_t id)
{
    auto it = std::find_if(events.begin(), events.end(), [id](const TimedEvent& e) { return e.id == id; });
    return it == events.end() ? nullptr : &*it;
}

TEST(Timetable, HasThirtySixSceneEventsAnd269Beats)
{
    EXPECT_EQ(timetable::sceneEvents().size(), 36u);
    EXPECT_EQ(timetable::beatEvents().size(), 269u);
}

TEST(Timetable, IdentifiersAreUniqueOverBothTablesAndAvoidTheFrameTimer)
{
    std::set<uint32_t> ids;
    for (const auto* table : {&timetable::sceneEvents(), &timetable::beatEvents()})
        for (const TimedEvent& e : *table) {
            EXPECT_TRUE(ids.insert(e.id).second) << "duplicate id " << e.id;
            EXPECT_NE(e.id, 111u);
        }
    EXPECT_EQ(ids.size(), 36u + 269u);
}

TEST(Timetable, FirstBeatFiresFifteenMillisecondsBeforeTheTitle)
{
    const TimedEvent* beat = find(timetable::beatEvents(), 5002);
    const TimedEvent* title = find(timetable::sceneEvents(), 7001);
    ASSERT_TRUE(beat && title);
    EXPECT_EQ(beat->timeMs, 21320);
    EXPECT_EQ(beat->timeMs + timetable::beatLeadMs, 21305);
    EXPECT_EQ(title->timeMs, 21320);
    EXPECT_EQ(timetable::beatEvents().front().id, 5002u);
}

TEST(Timetable, TheOffGridBeatIsArmedLast)
{
    const TimedEvent& last = timetable::beatEvents().back();
    EXPECT_EQ(last.id, 5564u);
    EXPECT_EQ(last.timeMs, 27360);
}

TEST(Timetable, EveryOtherBeatSitsOnTheSixteenthGrid)
{
    for (const TimedEvent& e : timetable::beatEvents()) {
        if (e.id == 5564)
            continue;
        EXPECT_EQ((e.timeMs - 80) % 120, 0) << "beat " << e.id << " at " << e.timeMs;
    }
    EXPECT_NE((27360 - 80) % 120, 0);
}

TEST(Timetable, BeatsSpanTheDrumPartOfTheMusic)
{
    int32_t first = INT32_MAX, last = 0;
    for (const TimedEvent& e : timetable::beatEvents()) {
        first = std::min(first, e.timeMs);
        last = std::max(last, e.timeMs);
    }
    EXPECT_EQ(first, 21320);
    EXPECT_EQ(last, 204440 + 8 * 120);
}

TEST(Timetable, SeriesAreArmedInterleavedBarByBar)
{
    const auto& beats = timetable::beatEvents();
    // After 5002..5005 come 5006 (25880), 5007 (27080), 5008 (27800), ...
    ASSERT_GT(beats.size(), 8u);
    EXPECT_EQ(beats[4].id, 5006u);
    EXPECT_EQ(beats[4].timeMs, 25880);
    EXPECT_EQ(beats[5].id, 5007u);
    EXPECT_EQ(beats[5].timeMs, 27080);
    EXPECT_EQ(beats[6].id, 5008u);
    EXPECT_EQ(beats[6].timeMs, 25880 + 1920);
    const TimedEvent* lastRoll = find(beats, 5384);
    ASSERT_TRUE(lastRoll);
    EXPECT_EQ(lastRoll->timeMs, 153560 + 41 * 120);
    const TimedEvent* pair = find(beats, 5032);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->timeMs, 38600 + 6 * 1920);
}

TEST(Timetable, SceneEventsFollowTheArmingOrder)
{
    const uint32_t order[] = {6001, 6002, 6003, 6004, 1102, 1100, 1101, 1103, 101,  7001, 7002, 7003,
                              7004, 7100, 7101, 1000, 2000, 9000, 2001, 2002, 2003, 2004, 2005, 9001,
                              2006, 2008, 2010, 2012, 2014, 2016, 2018, 2020, 2022, 2023, 696970, 696969};
    const auto& scenes = timetable::sceneEvents();
    ASSERT_EQ(scenes.size(), std::size(order));
    for (std::size_t i = 0; i < scenes.size(); ++i)
        EXPECT_EQ(scenes[i].id, order[i]) << "position " << i;
    EXPECT_EQ(find(scenes, 1000)->timeMs, find(scenes, 7100)->timeMs);
    EXPECT_EQ(find(scenes, 2022)->timeMs, 128560);
    EXPECT_EQ(scenes.back().timeMs, 241000);
    for (const TimedEvent& e : scenes)
        EXPECT_GT(e.timeMs, 0);
}

} // namespace
