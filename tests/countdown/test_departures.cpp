// Choosing the next departures and the time left to the nearest one.

#include "countdown/departures.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace kvapomer {
namespace {

const QStringList kMorning{"06:15", "06:45", "07:10", "07:40", "08:05", "08:30"};

struct CountdownCase {
    std::string name;
    QStringList times;
    ClockSample now;
    std::array<QString, 4> expectedSlots;
    QString text;
    bool busDue = false;
};

void PrintTo(const CountdownCase& c, std::ostream* os) {
    *os << c.name;
}

class CountdownCases : public ::testing::TestWithParam<CountdownCase> {};

TEST_P(CountdownCases, SlotsCountdownAndDueFlag) {
    const CountdownCase& c = GetParam();
    const NextDepartures next = UpdateNextDepartures(c.times, c.now);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(next.slots[i], c.expectedSlots[i]) << "slot " << i;
    }
    EXPECT_EQ(next.busDue, c.busDue);

    const Remaining left = rozdil(next.slots[0], c.now);
    EXPECT_EQ(left.text, c.text);
    EXPECT_EQ(left.any, c.text != QLatin1String(kNoDeparture));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Timetable, CountdownCases,
    ::testing::Values(
        CountdownCase{"MidMorning", kMorning, {6, 20, 30}, {"06:45", "07:10", "07:40", "08:05"}, "00:24:30"},
        CountdownCase{"LastSecondBeforeDeparture", kMorning, {6, 44, 59}, {"06:45", "07:10", "07:40", "08:05"}, "00:00:01"},
        CountdownCase{"DepartureMinuteSecondZero", kMorning, {6, 45, 0}, {"07:10", "07:40", "08:05", "08:30"}, "00:25:00", true},
        CountdownCase{"DepartureMinuteSecondOne", kMorning, {6, 45, 1}, {"07:10", "07:40", "08:05", "08:30"}, "00:24:59", false},
        CountdownCase{"DepartureMinuteLastSecond", kMorning, {6, 45, 59}, {"07:10", "07:40", "08:05", "08:30"}, "00:24:01", false},
        CountdownCase{"OnlyOneLeft", kMorning, {8, 10, 0}, {"08:30", "", "", ""}, "00:20:00"},
        CountdownCase{"AfterLastDeparture", kMorning, {8, 31, 0}, {}, "--:--:--"},
        CountdownCase{"LastDepartureDueAtSecondZero", kMorning, {8, 30, 0}, {}, "--:--:--", true},
        CountdownCase{"BeforeFirstOfDay", kMorning, {0, 0, 0}, {"06:15", "06:45", "07:10", "07:40"}, "06:15:00"},
        CountdownCase{"BeforeMidnightNothingWraps", {"00:05", "12:00"}, {23, 59, 30}, {}, "--:--:--"},
        CountdownCase{"AtMidnightTheDayStartsAgain", {"00:05", "12:00"}, {0, 0, 0}, {"00:05", "12:00", "", ""}, "00:05:00"},
        CountdownCase{"EntryAtMidnightIsDueNotShown", {"00:00", "00:01"}, {0, 0, 0}, {"00:01", "", "", ""}, "00:01:00", true},
        CountdownCase{"EntryAtMidnightBeforeMidnight", {"00:00"}, {23, 59, 59}, {}, "--:--:--"},
        CountdownCase{"DuplicatesFillTwoSlots", {"07:10", "07:10", "07:30"}, {7, 0, 0}, {"07:10", "07:10", "07:30", ""}, "00:10:00"},
        CountdownCase{"DuplicatesBothDue", {"07:10", "07:10", "07:30"}, {7, 10, 0}, {"07:30", "", "", ""}, "00:20:00", true},
        CountdownCase{"AlmostADayAhead", {"23:59"}, {0, 0, 30}, {"23:59", "", "", ""}, "23:58:30"},
        CountdownCase{"FullStopInTheMiddle", {"07.10"}, {7, 0, 0}, {"07.10", "", "", ""}, "00:10:00"},
        CountdownCase{"AnyMiddleCharacter", {"07x10", "07 40"}, {7, 10, 0}, {"07 40", "", "", ""}, "00:30:00", true},
        CountdownCase{"FourCharactersWithoutMiddle", {"0710"}, {7, 0, 0}, {"0710", "", "", ""}, "00:10:00"},
        CountdownCase{"UnsortedKeepsListOrder", {"09:00", "08:00", "10:00"}, {7, 30, 0}, {"09:00", "08:00", "10:00", ""}, "01:30:00"},
        CountdownCase{"SameHourLaterMinute", {"07:29", "07:30", "07:31", "08:00"}, {7, 30, 15}, {"07:31", "08:00", "", ""}, "00:00:45"},
        CountdownCase{"DueEntryAfterFourSlots", {"08:00", "09:00", "10:00", "11:00", "12:00", "07:30"}, {7, 30, 0}, {"08:00", "09:00", "10:00", "11:00"}, "00:30:00", true},
        CountdownCase{"NonNumericFieldsAreSkipped", {"ab:cd", "7:1", "", "0", "07:1x", "08:00"}, {7, 0, 0}, {"08:00", "", "", ""}, "01:00:00"},
        CountdownCase{"EmptyTimetable", {}, {12, 0, 0}, {}, "--:--:--"}),
    [](const ::testing::TestParamInfo<CountdownCase>& info) { return info.param.name; });
// clang-format on

TEST(UpdateNextDepartures, TakesOnlyTheFirstFourInListOrder) {
    const QStringList times{"08:00", "08:10", "08:20", "08:30", "08:40", "08:50"};
    const NextDepartures next = UpdateNextDepartures(times, {8, 5, 0});
    EXPECT_EQ(next.slots, (std::array<QString, 4>{"08:10", "08:20", "08:30", "08:40"}));
    EXPECT_FALSE(next.busDue);
}

TEST(UpdateNextDepartures, SecondsDoNotChangeTheChoice) {
    for (int second = 0; second < 60; ++second) {
        const NextDepartures next = UpdateNextDepartures(kMorning, {7, 9, second});
        EXPECT_EQ(next.slots[0], "07:10") << "second " << second;
        EXPECT_FALSE(next.busDue) << "second " << second;
    }
}

TEST(UpdateNextDepartures, DueOnlyAtSecondZeroOfTheDepartureMinute) {
    for (int second = 0; second < 60; ++second) {
        const NextDepartures next = UpdateNextDepartures(kMorning, {7, 40, second});
        EXPECT_EQ(next.busDue, second == 0) << "second " << second;
        EXPECT_EQ(next.slots[0], "08:05") << "second " << second;
    }
}

// Over a whole day, the countdown falls by exactly one second per tick except
// where a departure leaves slot 0, never reads 00:00:00, and says "--:--:--"
// exactly after the last departure.
TEST(UpdateNextDepartures, WholeDayCountdownIsConsistent) {
    int previousTotal = -1;
    int dueCount = 0;
    for (int t = 0; t < 24 * 3600; ++t) {
        const ClockSample now{t / 3600, t / 60 % 60, t % 60};
        const NextDepartures next = UpdateNextDepartures(kMorning, now);
        const Remaining left = rozdil(next.slots[0], now);
        dueCount += next.busDue ? 1 : 0;
        if (t >= 8 * 3600 + 30 * 60) {
            ASSERT_FALSE(left.any) << t;
            ASSERT_EQ(left.text, "--:--:--") << t;
            continue;
        }
        ASSERT_TRUE(left.any) << t;
        const int total = left.hours * 3600 + left.minutes * 60 + left.seconds;
        ASSERT_GE(total, 1) << t;
        ASSERT_LT(left.minutes, 60) << t;
        ASSERT_LT(left.seconds, 60) << t;
        if (previousTotal > 1) {
            ASSERT_EQ(total, previousTotal - 1) << t;
        }
        previousTotal = total;
    }
    EXPECT_EQ(dueCount, kMorning.size());
}

TEST(Rozdil, ShortSlotMeansNothingLeft) {
    for (const QString& slot : {QString(), QString("0"), QString("7:1")}) {
        const Remaining left = rozdil(slot, {10, 0, 0});
        EXPECT_FALSE(left.any) << slot.toStdString();
        EXPECT_EQ(left.text, "--:--:--") << slot.toStdString();
    }
}

TEST(Rozdil, SplitsIntoHoursMinutesSeconds) {
    const Remaining left = rozdil("13:07", {10, 2, 55});
    ASSERT_TRUE(left.any);
    EXPECT_EQ(left.hours, 3);
    EXPECT_EQ(left.minutes, 4);
    EXPECT_EQ(left.seconds, 5);
    EXPECT_EQ(left.text, "03:04:05");
}

struct NulaCase {
    std::int16_t n;
    const char* text;
};

class NulaCases : public ::testing::TestWithParam<NulaCase> {};

TEST_P(NulaCases, PadsToTwoDigits) {
    EXPECT_EQ(Nula(GetParam().n), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, NulaCases,
                         ::testing::Values(NulaCase{0, "00"}, NulaCase{5, "05"}, NulaCase{9, "09"},
                                           NulaCase{10, "10"}, NulaCase{23, "23"},
                                           NulaCase{59, "59"}));

} // namespace
} // namespace kvapomer
