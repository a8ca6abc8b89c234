// The self-correcting one-second tick: every wall-clock second once.

#include "countdown/tick_schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kvapomer {
namespace {

constexpr int kDayMs = 24 * 3600 * 1000;

QTime at(int msOfDay) {
    return QTime::fromMSecsSinceStartOfDay(((msOfDay % kDayMs) + kDayMs) % kDayMs);
}

// A timer driven by the schedule. `jitter` says how far from the requested
// delay each firing lands (negative: early).
struct SimulatedTimer {
    TickSchedule schedule;
    long long t = 0; // ms, may run past midnight; the clock shows it modulo a day
    std::vector<long long> tickedSeconds; // running seconds, not wrapped
    long long lastFiredMs = -1;

    template <typename Jitter> void runUntil(long long endMs, Jitter jitter) {
        while (t < endMs) {
            fireOnce(jitter);
        }
    }

    template <typename Jitter> void fireOnce(Jitter jitter) {
        lastFiredMs = t;
        const TickSchedule::Decision d = schedule.onFire(at(static_cast<int>(t % kDayMs)));
        ASSERT_GE(d.delayMs, 1);
        ASSERT_LE(d.delayMs, TickSchedule::kPeriodMs + TickSchedule::kMarginMs);
        if (d.tick) {
            tickedSeconds.push_back(t / 1000);
        }
        t += d.delayMs + jitter(d.delayMs);
    }
};

// Every second from `first` to `last` ticked once, in order, nothing else.
void expectEverySecondOnce(const std::vector<long long>& ticked, long long first, long long last) {
    ASSERT_FALSE(ticked.empty());
    EXPECT_EQ(ticked.front(), first);
    EXPECT_EQ(ticked.back(), last);
    EXPECT_EQ(static_cast<long long>(ticked.size()), last - first + 1);
    for (std::size_t i = 1; i < ticked.size(); ++i) {
        ASSERT_EQ(ticked[i], ticked[i - 1] + 1) << "after second " << ticked[i - 1];
    }
}

struct HourCase {
    std::string name;
    int startMs;    // ms of day at the first firing
    int lateMax;    // firings land 0..lateMax ms late
    int earlyMax;   // or 1..earlyMax ms early
    int earlyEvery; // one firing in this many is early; 0: never
    unsigned seed;
};

void PrintTo(const HourCase& c, std::ostream* os) {
    *os << c.name;
}

class DriftingHour : public ::testing::TestWithParam<HourCase> {};

TEST_P(DriftingHour, EverySecondTickedExactlyOnce) {
    const HourCase& c = GetParam();
    std::mt19937 rng(c.seed);
    std::uniform_int_distribution<int> late(0, c.lateMax);
    std::uniform_int_distribution<int> early(1, c.earlyMax);
    std::uniform_int_distribution<int> pick(1, std::max(c.earlyEvery, 1));
    int earlyFirings = 0;
    auto jitter = [&](int delay) {
        if (c.earlyEvery > 0 && pick(rng) == 1) {
            ++earlyFirings;
            // A timer never fires before it was armed.
            return -std::min(early(rng), delay - 1);
        }
        return late(rng);
    };

    SimulatedTimer timer;
    timer.t = c.startMs;
    const long long end = c.startMs + 3600LL * 1000;
    timer.runUntil(end, jitter);

    const long long firstSecond = c.startMs / 1000;
    const long long lastSecond = timer.lastFiredMs / 1000;
    expectEverySecondOnce(timer.tickedSeconds, firstSecond, lastSecond);
    EXPECT_GE(lastSecond - firstSecond + 1, 3600);
    if (c.earlyEvery > 0) {
        EXPECT_GT(earlyFirings, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Jitter, DriftingHour,
    ::testing::Values(HourCase{"LateOnly", 10 * 3600 * 1000 + 500, 7, 1, 0, 1},
                      HourCase{"LateAndSlightlyEarly", 10 * 3600 * 1000 + 3, 7, 5, 4, 2},
                      HourCase{"MostlyEarly", 7 * 3600 * 1000 + 999, 7, 5, 1, 3},
                      HourCase{"CoarseTimerFarEarly", 14 * 3600 * 1000 + 250, 7, 40, 3, 4},
                      HourCase{"AcrossMidnight", 23 * 3600 * 1000 + 30 * 60 * 1000 + 123, 7, 5, 4,
                               5}),
    [](const ::testing::TestParamInfo<HourCase>& info) { return info.param.name; });

TEST(TickSchedule, TicksLandJustAfterTheSecondBoundary) {
    SimulatedTimer timer;
    timer.t = 9 * 3600 * 1000 + 640;
    timer.fireOnce([](int) { return 0; });
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(timer.t % 1000, TickSchedule::kMarginMs);
        timer.fireOnce([](int) { return 0; });
    }
}

TEST(TickSchedule, EarlyFiringInTheSameSecondWaitsForTheBoundary) {
    TickSchedule schedule;
    const auto first = schedule.onFire(QTime(8, 0, 0, 15));
    EXPECT_TRUE(first.tick);
    EXPECT_EQ(first.delayMs, 1000);

    const auto early = schedule.onFire(QTime(8, 0, 0, 990));
    EXPECT_FALSE(early.tick);
    EXPECT_EQ(early.delayMs, 10 + TickSchedule::kMarginMs);

    const auto veryEarly = schedule.onFire(QTime(8, 0, 0, 999));
    EXPECT_FALSE(veryEarly.tick);
    EXPECT_EQ(veryEarly.delayMs, 1 + TickSchedule::kMarginMs);

    const auto next = schedule.onFire(QTime(8, 0, 1, 16));
    EXPECT_TRUE(next.tick);
    EXPECT_EQ(next.delayMs, 1000 - 16 + TickSchedule::kMarginMs);
}

TEST(TickSchedule, DelayStaysInRangeForEveryMillisecond) {
    for (int ms = 0; ms < 1000; ++ms) {
        TickSchedule schedule;
        const auto fresh = schedule.onFire(QTime(12, 0, 0, ms));
        EXPECT_TRUE(fresh.tick);
        EXPECT_EQ(fresh.delayMs, 1000 - ms + TickSchedule::kMarginMs) << ms;
        const auto again = schedule.onFire(QTime(12, 0, 0, ms));
        EXPECT_FALSE(again.tick);
        EXPECT_GE(again.delayMs, 1);
        EXPECT_LE(again.delayMs, TickSchedule::kPeriodMs + TickSchedule::kMarginMs);
    }
}

TEST(TickSchedule, StallSkipsAheadWithoutRepeats) {
    SimulatedTimer timer;
    const int start = 15 * 3600 * 1000 + 15;
    timer.t = start;
    auto steady = [](int) { return 3; };
    timer.runUntil(start + 10'000, steady);
    const std::size_t beforeStall = timer.tickedSeconds.size();

    timer.t += 5'000; // the program was held up for five seconds
    const long long resumed = timer.t / 1000;
    timer.runUntil(start + 30'000, steady);

    ASSERT_GT(timer.tickedSeconds.size(), beforeStall);
    EXPECT_EQ(timer.tickedSeconds[beforeStall], resumed);
    const std::vector<long long> before(timer.tickedSeconds.begin(),
                                        timer.tickedSeconds.begin() +
                                            static_cast<std::ptrdiff_t>(beforeStall));
    const std::vector<long long> after(timer.tickedSeconds.begin() +
                                           static_cast<std::ptrdiff_t>(beforeStall),
                                       timer.tickedSeconds.end());
    expectEverySecondOnce(before, start / 1000, before.back());
    expectEverySecondOnce(after, resumed, timer.lastFiredMs / 1000);
}

TEST(TickSchedule, ClockSetBackAnHourTicksAtOnce) {
    TickSchedule schedule;
    EXPECT_TRUE(schedule.onFire(QTime(11, 0, 0, 15)).tick);
    EXPECT_TRUE(schedule.onFire(QTime(11, 0, 1, 15)).tick);

    const auto back = schedule.onFire(QTime(10, 0, 2, 17));
    EXPECT_TRUE(back.tick);
    EXPECT_EQ(back.delayMs, 1000 - 17 + TickSchedule::kMarginMs);
    EXPECT_TRUE(schedule.onFire(QTime(10, 0, 3, 15)).tick);
    EXPECT_FALSE(schedule.onFire(QTime(10, 0, 3, 900)).tick);
}

TEST(TickSchedule, ClockSetBackWithinTheSameSecondDoesNotRepeat) {
    TickSchedule schedule;
    EXPECT_TRUE(schedule.onFire(QTime(11, 0, 0, 500)).tick);
    EXPECT_FALSE(schedule.onFire(QTime(11, 0, 0, 100)).tick);
}

TEST(TickSchedule, MidnightWrapIsANewSecond) {
    TickSchedule schedule;
    EXPECT_TRUE(schedule.onFire(QTime(23, 59, 58, 15)).tick);
    EXPECT_TRUE(schedule.onFire(QTime(23, 59, 59, 15)).tick);
    const auto midnight = schedule.onFire(QTime(0, 0, 0, 15));
    EXPECT_TRUE(midnight.tick);
    EXPECT_EQ(midnight.delayMs, 1000);
    EXPECT_TRUE(schedule.onFire(QTime(0, 0, 1, 15)).tick);
}

TEST(TickSchedule, FirstSampleOfTheDayAtMidnightTicks) {
    TickSchedule schedule;
    EXPECT_TRUE(schedule.onFire(QTime(0, 0, 0, 0)).tick);
    EXPECT_FALSE(schedule.onFire(QTime(0, 0, 0, 500)).tick);
}

TEST(TickSchedule, InvalidSampleRetriesAPeriodLater) {
    TickSchedule schedule;
    const auto d = schedule.onFire(QTime());
    EXPECT_FALSE(d.tick);
    EXPECT_EQ(d.delayMs, TickSchedule::kPeriodMs);
}

} // namespace
} // namespace kvapomer
