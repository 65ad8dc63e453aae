// The demo's timeline as data: every timed event the director arms once the music has started,
// and the table times the music's drums are written against. One table, read by the director
// (to arm its timers) and by the data kit (to put a kick under every beat).
#pragma once

#include <cstdint>
#include <vector>

namespace timetable {

struct TimedEvent {
    uint32_t id;    // the timer identifier, unique over both tables
    int32_t timeMs; // milliseconds from the start of the music
};

// Beat events fire this much off their table times (15 ms early); scene events fire on time.
constexpr int32_t beatLeadMs = -15;

// Scene changes and effect starts, in the order they are armed (not quite time order).
const std::vector<TimedEvent>& sceneEvents();

// The 269 beats (metaballs pulse, star-field beat), in the order they are armed, at their table
// times: the music's kicks start exactly there.
const std::vector<TimedEvent>& beatEvents();

} // namespace timetable
