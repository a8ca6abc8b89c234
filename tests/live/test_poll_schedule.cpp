// When kvapomer-live asks the live address again.

#include "live/poll_schedule.h"

#include <gtest/gtest.h>

using kvapomer::live::PollSchedule;

TEST(LivePollSchedule, ThirtySecondsBackingOffToFiveMinutesAfterFailures) {
    PollSchedule schedule;
    EXPECT_EQ(schedule.next(true), 30'000);
    const int backoff[] = {30'000, 60'000, 120'000, 240'000, 300'000, 300'000};
    for (int wait : backoff) {
        EXPECT_EQ(schedule.next(false), wait);
    }
    for (int i = 0; i < 100; ++i) {
        (void)schedule.next(false); // no overflow however long it fails
    }
    EXPECT_EQ(schedule.next(false), 300'000);
    EXPECT_EQ(schedule.next(true), 30'000);
    EXPECT_EQ(schedule.failures(), 0);
    EXPECT_EQ(schedule.next(false), 30'000);
}
