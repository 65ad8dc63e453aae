#include "platform/timer_queue.h"

#include <algorithm>

namespace os {

void TimerQueue::set(Window* window, uintptr_t id, uint32_t periodMs, TimerProc proc,
                     uint64_t nowMicros)
{
    kill(window, id);
    // A zero period would make a timer that is always due; the smallest real period is 1 ms.
    const uint64_t periodMicros = uint64_t(std::max<uint32_t>(periodMs, 1)) * 1000;
    timers.push_back({window, id, periodMicros, nowMicros + periodMicros, nextOrder++, proc});
}

bool TimerQueue::kill(Window* window, uintptr_t id)
{
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const Timer& t) { return t.window == window && t.id == id; });
    if (it == timers.end())
        return false;
    timers.erase(it);
    return true;
}

bool TimerQueue::takeDue(uint64_t nowMicros, Expiry& expiry)
{
    Timer* first = nullptr;
    for (Timer& t : timers) {
        if (t.dueMicros > nowMicros)
            continue;
        if (!first || t.dueMicros < first->dueMicros ||
            (t.dueMicros == first->dueMicros && t.order < first->order))
            first = &t;
    }
    if (!first)
        return false;
    expiry = {first->window, first->id, first->proc};
    first->dueMicros += first->periodMicros;
    if (first->dueMicros <= nowMicros)
        first->dueMicros = nowMicros + first->periodMicros;
    return true;
}

std::optional<uint64_t> TimerQueue::nextDue() const
{
    std::optional<uint64_t> due;
    for (const Timer& t : timers)
        if (!due || t.dueMicros < *due)
            due = t.dueMicros;
    return due;
}

} // namespace os
