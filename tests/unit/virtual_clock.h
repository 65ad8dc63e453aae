// Moves the headless backend's virtual clock in tests: a timer of the wanted delay is armed and
// taken, which makes the clock jump exactly that far.
#pragma once

#include "platform/os.h"

#include <gtest/gtest.h>

namespace testclock {

inline void noTimerProc(os::Window*, uint32_t, uintptr_t, uint32_t) {}

inline void advanceMs(uint32_t ms)
{
    constexpr uintptr_t clockTimerId = 424242;
    os::setTimer(nullptr, clockTimerId, ms, noTimerProc);
    os::Message message;
    ASSERT_TRUE(os::peekMessage(message));
    ASSERT_EQ(message.message, os::WM_TIMER);
    os::killTimer(nullptr, clockTimerId);
}

} // namespace testclock
