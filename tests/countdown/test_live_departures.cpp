// The next departures by live data: order by expected time, the one counted
// down to, cancelled and skipped departures, and what each slot says.

#include "countdown/countdown_tick.h"
#include "countdown/live_departures.h"

#include <gtest/gtest.h>

namespace kvapomer {
namespace {

constexpr int at(int h, int m) {
    return h * 60 + m;
}

LiveDeparture expected(int scheduled, int expectedMinute) {
    return {scheduled, expectedMinute, LiveCall::Expected};
}

TEST(LiveDepartures, TakenInTheOrderOfExpectedTimesCountingToTheFirstNotGone) {
    // 06:10 is 5 minutes late, so 06:12 comes first; 06:05 is already gone.
    const std::vector<LiveDeparture> day{expected(at(6, 5), at(6, 5)),
                                         expected(at(6, 10), at(6, 15)),
                                         {at(6, 12), at(6, 12), LiveCall::Timetable},
                                         expected(at(6, 20), at(6, 18))};
    const LiveNext next = nextLiveDepartures(day, {6, 7, 30});
    EXPECT_EQ(next.slots, (std::array<QString, 4>{"06:12", "06:15", "06:18", ""}));
    EXPECT_FALSE(next.live[0].differs);
    EXPECT_TRUE(next.live[1].differs);
    EXPECT_TRUE(next.live[2].differs);
    EXPECT_EQ(next.live[0].name, QStringLiteral("1. 06:12"));
    EXPECT_EQ(next.live[1].name,
              QStringLiteral("2. 06:15, o 5 minut později, podle jízdního řádu 06:10"));
    EXPECT_EQ(next.live[2].name,
              QStringLiteral("3. 06:18, o 2 minuty dříve, podle jízdního řádu 06:20"));
    EXPECT_EQ(next.live[3].name, QStringLiteral("4. žádný další odjezd"));

    // In the minute a departure is expected it is gone; at its second 0 the bus is in.
    EXPECT_TRUE(nextLiveDepartures(day, {6, 12, 0}).busDue);
    EXPECT_FALSE(nextLiveDepartures(day, {6, 12, 1}).busDue);
    EXPECT_EQ(nextLiveDepartures(day, {6, 12, 1}).slots[0], "06:15");
    // The late bus is still to come at its timetable time.
    EXPECT_FALSE(nextLiveDepartures(day, {6, 10, 0}).busDue);
}

TEST(LiveDepartures, CancelledAndSkippedAreShownButNeverCountedTo) {
    const std::vector<LiveDeparture> day{{at(6, 10), at(6, 10), LiveCall::Cancelled},
                                         {at(6, 20), at(6, 20), LiveCall::Skipped},
                                         expected(at(6, 30), at(6, 31)),
                                         {at(6, 40), at(6, 40), LiveCall::Cancelled}};
    const LiveNext next = nextLiveDepartures(day, {6, 0, 0});
    EXPECT_EQ(next.slots[0], "06:31");
    EXPECT_EQ(next.live[0].name,
              QStringLiteral("1. 06:31, o 1 minutu později, podle jízdního řádu 06:30"));
    EXPECT_EQ(next.slots[1], "06:40");
    EXPECT_EQ(next.live[1].state, LiveCall::Cancelled);
    EXPECT_FALSE(next.live[1].differs);
    EXPECT_EQ(next.live[1].name, QStringLiteral("2. 06:40, zrušen"));
    EXPECT_EQ(liveSlotName(3, day[1]), QStringLiteral("3. 06:20, nezastaví"));
    EXPECT_FALSE(nextLiveDepartures(day, {6, 10, 0}).busDue);

    // Nothing left to count to: no departure, the countdown says so.
    const std::vector<LiveDeparture> none{{at(6, 10), at(6, 10), LiveCall::Cancelled}};
    const TickView view = countdownTick({6, 0, 0}, {}, {}, false, {}, &none);
    EXPECT_EQ(view.slots[0], "");
    EXPECT_EQ(view.countdownText, "--:--:--");
}

TEST(LiveDepartures, TheTickCountsToTheExpectedTimeAndWithoutLiveToTheTimetable) {
    Timetable timetable;
    timetable.Bus = QStringLiteral("150");
    timetable.Times = QStringList{"06:10"};
    const std::vector<LiveDeparture> late{expected(at(6, 10), at(6, 13))};
    const TickView live = countdownTick({6, 0, 0}, timetable, {}, false, {}, &late);
    EXPECT_EQ(live.countdownText, "00:13:00");
    ASSERT_TRUE(live.live);
    EXPECT_TRUE((*live.live)[0].differs);
    const TickView plain = countdownTick({6, 0, 0}, timetable, {}, false, {});
    EXPECT_EQ(plain.countdownText, "00:10:00");
    EXPECT_FALSE(plain.live);

    // Yesterday's night trip and tomorrow's are not today's slots.
    const std::vector<LiveDeparture> edges{expected(at(-1, 50), at(-1, 55)),
                                           expected(at(23, 58), at(24, 3))};
    EXPECT_EQ(nextLiveDepartures(edges, {0, 0, 0}).slots[0], "");
}

TEST(LiveDepartures, ALineOfSeveralLinesNamesTheLineOfEachSlotOnFootToo) {
    Timetable timetable;
    timetable.Bus = QStringLiteral("150+177");
    timetable.Times = QStringList{"06:10", "06:12"};
    timetable.Lines = {{QStringLiteral("150"), QStringLiteral("177")}, {0, 1}};
    // 150 runs 5 minutes late: 177 comes first.
    const std::vector<LiveDeparture> live{
        {at(6, 10), at(6, 15), LiveCall::Expected, QStringLiteral("150")},
        {at(6, 12), at(6, 12), LiveCall::Expected, QStringLiteral("177")}};
    const TickView atStop = countdownTick({6, 0, 0}, timetable, {}, false, {}, &live);
    EXPECT_EQ(atStop.slots[0], "06:12");
    EXPECT_EQ(atStop.slotLines[0], "177");
    EXPECT_EQ(atStop.slotLines[1], "150");
    EXPECT_EQ(atStop.slotNames[1],
              "2. 06:15, linka 150, o 5 minut později, podle jízdního řádu 06:10");
    EXPECT_TRUE(atStop.sentence.startsWith(QStringLiteral("Autobus 177 ")));

    timetable.WalkMin = 5;
    const TickView onFoot = countdownTick({6, 0, 0}, timetable, {}, false, {}, &live);
    EXPECT_EQ(onFoot.slotLines[0], "177");
    EXPECT_EQ(onFoot.slotLines[1], "150");
    EXPECT_EQ(onFoot.slotNames[1], atStop.slotNames[1]);

    // A line of one line names none.
    timetable.Lines = {};
    timetable.WalkMin = 0;
    const TickView one = countdownTick({6, 0, 0}, timetable, {}, false, {}, &live);
    EXPECT_EQ(one.slotLines[1], "");
    EXPECT_EQ(one.slotNames[1], "2. 06:15, o 5 minut později, podle jízdního řádu 06:10");
}

} // namespace
} // namespace kvapomer
