// A dated line's day: which list a date gets, inside the period and outside
// it, the period's state, and the list its plain times hold.

#include "support/dated_sample.h"
#include "timetable/dated_line.h"

#include <gtest/gtest.h>

using namespace kvapomer;
using namespace std::chrono_literals;
using std::chrono::sys_days;
using test::marchEasterLine;
using test::minutes;

namespace {

TEST(DatedLineChoice, ListAndPeriodStateOfEachDate) {
    const DatedLine line = marchEasterLine();
    struct Case {
        sys_days date;
        int list;
        PeriodState period;
    };
    const Case cases[] = {
        {sys_days(2027y / 3 / 10), 0, PeriodState::Inside},
        {sys_days(2027y / 3 / 13), 1, PeriodState::Inside},
        {sys_days(2027y / 3 / 24), 0, PeriodState::Inside},     // a week and a day left
        {sys_days(2027y / 3 / 25), 0, PeriodState::EndingSoon}, // the last seven days
        {sys_days(2027y / 3 / 29), 2, PeriodState::EndingSoon}, // Easter Monday
        {sys_days(2027y / 3 / 31), 0, PeriodState::EndingSoon},
        {sys_days(2027y / 4 / 1), 0, PeriodState::Expired},
        {sys_days(2027y / 4 / 3), 1, PeriodState::Expired},
        {sys_days(2027y / 4 / 5), 0, PeriodState::Expired}, // four Mondays of five had list 0
        {sys_days(2027y / 4 / 11), 2, PeriodState::Expired},
        {sys_days(2028y / 3 / 4), 1, PeriodState::Expired}, // a Saturday a year on
        {sys_days(2027y / 2 / 28), 2, PeriodState::NotYet},
        {sys_days(2027y / 2 / 26), 0, PeriodState::NotYet},
    };
    for (const Case& c : cases) {
        const DayChoice choice = chooseDay(line, c.date);
        EXPECT_EQ(choice.list, c.list) << toQDate(c.date).toString(Qt::ISODate).toStdString();
        EXPECT_EQ(choice.period, c.period) << toQDate(c.date).toString(Qt::ISODate).toStdString();
    }
}

TEST(DatedLineChoice, OutsideThePeriodATieGoesToTheListMetLatest) {
    // Four Mondays: two of each list; the later pair decides.
    for (const bool laterIsOne : {true, false}) {
        DatedLine line;
        line.first = sys_days(2027y / 3 / 1);
        line.lists = {minutes({400}), minutes({500})};
        for (int d = 0; d < 28; ++d) {
            const bool laterHalf = d >= 14;
            line.days.push_back(laterHalf == laterIsOne ? 1 : 0);
        }
        EXPECT_EQ(chooseDay(line, sys_days(2027y / 4 / 5)).list, laterIsOne ? 1 : 0);
        EXPECT_EQ(chooseDay(line, sys_days(2027y / 2 / 22)).list, laterIsOne ? 1 : 0);
    }
    // A period shorter than a week without the date's weekday: all its dates count.
    DatedLine shortLine;
    shortLine.first = sys_days(2027y / 3 / 1);
    shortLine.lists = {minutes({400}), minutes({500})};
    shortLine.days = {0, 1, 1};
    EXPECT_EQ(chooseDay(shortLine, sys_days(2027y / 3 / 7)).list, 1);
}

TEST(DatedLineChoice, ADayWithoutServiceKeepsTheWrittenListInTheTimesKeys) {
    DatedLine line = marchEasterLine();
    line.written = 1;
    EXPECT_EQ(listToWrite(line, sys_days(2027y / 3 / 14)), 1); // Sunday: unchanged
    EXPECT_EQ(listToWrite(line, sys_days(2027y / 3 / 15)), 0);
    // The first write: the next date with service, else the latest before.
    EXPECT_EQ(firstListToWrite(line, sys_days(2027y / 3 / 14)), 0);
    EXPECT_EQ(firstListToWrite(line, sys_days(2027y / 3 / 13)), 1);
    line.days.back() = 2; // 31 March without service
    line.days[29] = 1;    // 30 March as a Saturday
    EXPECT_EQ(firstListToWrite(line, sys_days(2027y / 3 / 31)), 1);
    line.lists = {{}, {}, {}};
    EXPECT_EQ(firstListToWrite(line, sys_days(2027y / 3 / 10)), std::nullopt);
}

} // namespace
