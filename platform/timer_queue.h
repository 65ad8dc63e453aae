// The program's timers: ids with a period, due times on a microsecond clock.
//
// Semantics the frame clock and the event schedule rely on: setting an id again replaces that
// timer; a timer repeats until killed; a timer that is overdue by several periods yields one
// expiry, not a burst (expirations coalesce). Among due timers the earliest due comes first,
// and timers due at the same moment come in the order they were set.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace os {

struct Window;
using TimerProc = void (*)(Window* window, uint32_t message, uintptr_t id, uint32_t timeMs);

class TimerQueue {
public:
    struct Expiry {
        Window* window;
        uintptr_t id;
        TimerProc proc;
    };

    void set(Window* window, uintptr_t id, uint32_t periodMs, TimerProc proc, uint64_t nowMicros);
    bool kill(Window* window, uintptr_t id);
    void clear() { timers.clear(); }

    // Takes the first due timer (due <= now) and schedules its next expiry one period after its
    // due time, or one period after now when it is more than a period late.
    bool takeDue(uint64_t nowMicros, Expiry& expiry);

    // Earliest due time of any armed timer.
    std::optional<uint64_t> nextDue() const;

    std::size_t size() const { return timers.size(); }

private:
    struct Timer {
        Window* window;
        uintptr_t id;
        uint64_t periodMicros;
        uint64_t dueMicros;
        uint64_t order; // when it was set: breaks ties between timers due at the same moment
        TimerProc proc;
    };
    std::vector<Timer> timers;
    uint64_t nextOrder = 0;
};

} // namespace os
