#include "platform/timer_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void noop(os::Window*, uint32_t, uintptr_t, uint32_t) {}

std::vector<uintptr_t> drain(os::TimerQueue& queue, uint64_t nowMicros)
{
    std::vector<uintptr_t> ids;
    os::TimerQueue::Expiry expiry;
    while (queue.takeDue(nowMicros, expiry))
        ids.push_back(expiry.id);
    return ids;
}

} // namespace

TEST(TimerQueue, SameIdReplacesTimer)
{
    os::TimerQueue queue;
    queue.set(nullptr, 7, 100, noop, 0);
    queue.set(nullptr, 7, 300, noop, 0);
    EXPECT_EQ(queue.size(), 1u);
    EXPECT_TRUE(drain(queue, 200'000).empty());
    EXPECT_EQ(drain(queue, 300'000), std::vector<uintptr_t>{7});
}

TEST(TimerQueue, LateTimerCoalescesIntoOneExpiryAndKeepsRepeating)
{
    os::TimerQueue queue;
    queue.set(nullptr, 111, 16, noop, 0);
    // Ten periods late: one expiry, then the next one period after now.
    EXPECT_EQ(drain(queue, 160'000), std::vector<uintptr_t>{111});
    EXPECT_EQ(*queue.nextDue(), 176'000u);
    EXPECT_EQ(drain(queue, 176'000), std::vector<uintptr_t>{111});
}

TEST(TimerQueue, OnTimeRepeatsStayOnTheirGrid)
{
    os::TimerQueue queue;
    queue.set(nullptr, 111, 16, noop, 0);
    uint64_t now = 0;
    for (int frame = 1; frame <= 100; ++frame) {
        now = *queue.nextDue();
        ASSERT_EQ(drain(queue, now).size(), 1u);
    }
    EXPECT_EQ(now, 1'600'000u); // no drift: frame 100 at exactly 1600 ms
}

TEST(TimerQueue, KilledOneShotNeverFiresAgain)
{
    os::TimerQueue queue;
    queue.set(nullptr, 5002, 10, noop, 0);
    EXPECT_EQ(drain(queue, 10'000), std::vector<uintptr_t>{5002});
    EXPECT_TRUE(queue.kill(nullptr, 5002));
    EXPECT_FALSE(queue.kill(nullptr, 5002));
    EXPECT_TRUE(drain(queue, 1'000'000).empty());
    EXPECT_FALSE(queue.nextDue().has_value());
}

TEST(TimerQueue, EarliestDueFirstAndSameTimeInSettingOrder)
{
    os::TimerQueue queue;
    queue.set(nullptr, 111, 16, noop, 0);
    queue.set(nullptr, 1000, 32, noop, 0);
    queue.set(nullptr, 7100, 32, noop, 0);
    queue.set(nullptr, 50, 20, noop, 0);
    EXPECT_EQ(drain(queue, 32'000), (std::vector<uintptr_t>{111, 50, 1000, 7100}));
    // The frame timer was due again at 32 ms too, but each timer yields once per take-all.
}
