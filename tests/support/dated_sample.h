#pragma once
// Dated lines for tests and benchmarks: a city bus line over 400 days with
// workday, school-holiday, Saturday, Sunday and Christmas Eve lists.

#include "timetable/dated_line.h"

#include <QDateTime>

#include <algorithm>
#include <chrono>

namespace kvapomer::test {

using namespace std::chrono_literals;

// Line 150 in March 2027: workdays 06:10 06:40 12:10, Saturdays 08:00 and
// 23:59, no service on Sundays; its feed at `feed`, its data newer than the
// feed file.
inline DatedLine marchLine(const QString& feed = QString()) {
    using std::chrono::sys_days;
    DatedLine line;
    line.first = sys_days(2027y / 3 / 1);
    line.lists = {{370, 400, 730}, {480, 1439}, {}};
    for (int d = 1; d <= 31; ++d) {
        const unsigned wd = std::chrono::weekday(sys_days(2027y / 3 / d)).iso_encoding();
        line.days.push_back(wd == 7 ? 2 : wd == 6 ? 1 : 0);
    }
    line.source = {feed, QDateTime::currentDateTimeUtc().addSecs(3600), QStringLiteral("ROZ"),
                   QStringLiteral("L150"), QStringLiteral("Kačerov")};
    return line;
}

// `count` departures (at most 1100) between 04:40 and 23:59 as a city line
// runs them: densest in the morning and afternoon peaks, sparse in the
// evening; ascending, each once. `shift` moves them a few minutes later.
inline DayList spreadList(int count, int shift = 0) {
    const auto weight = [](int minute) {
        const int hour = minute / 60;
        return (hour >= 6 && hour < 9) || (hour >= 14 && hour < 18) ? 3.0
               : hour >= 9 && hour < 14                             ? 2.0
                                                                    : 1.0;
    };
    const int from = 4 * 60 + 40;
    const int to = 23 * 60 + 59 - 30;
    double total = 0;
    for (int m = from; m < to; ++m) {
        total += weight(m);
    }
    DayList list;
    double sum = 0;
    int minute = from;
    for (int i = 0; i < count; ++i) {
        const double wanted = (i + 0.5) / count * total;
        while (minute < to && sum + weight(minute) < wanted) {
            sum += weight(minute++);
        }
        const int time = std::max(minute + shift, list.empty() ? 0 : list.back() + 1);
        list.push_back(std::min(time, 23 * 60 + 59));
    }
    return list;
}

inline DatedSource sampleSource() {
    return {QStringLiteral("/home/jana/jízdní řády/PID_GTFS.zip"),
            QDateTime(QDate(2026, 12, 8), QTime(4, 12, 0), Qt::UTC), QStringLiteral("U1072Z1P"),
            QStringLiteral("L150"), QStringLiteral("Kačerov")};
}

inline DayList minutes(std::initializer_list<int> m) {
    return DayList(m);
}

// March 2027: workdays list 0, Saturdays list 1, Sundays and Easter Monday
// (29 March) list 2, which has no service.
inline DatedLine marchEasterLine() {
    using std::chrono::sys_days;
    DatedLine line;
    line.first = sys_days(2027y / 3 / 1); // a Monday
    line.lists = {minutes({370, 400, 730}), minutes({480}), {}};
    for (int d = 1; d <= 31; ++d) {
        const sys_days date = sys_days(2027y / 3 / d);
        const unsigned wd = std::chrono::weekday(date).iso_encoding();
        line.days.push_back(d == 29 || wd == 7 ? 2 : wd == 6 ? 1 : 0);
    }
    line.source = sampleSource();
    return line;
}

// Lists: 0 workday, 1 school-holiday workday, 2 Saturday, 3 Sunday and
// holiday, 4 Christmas Eve. The period starts on Wednesday 2026-12-09.
inline DatedLine realisticDatedLine(int workdayDepartures = 150, int dayCount = 400) {
    DatedLine line;
    line.first = std::chrono::sys_days(2026y / 12 / 9);
    line.lists = {spreadList(workdayDepartures), spreadList(workdayDepartures * 6 / 7, 3),
                  spreadList(workdayDepartures * 3 / 5, 5), spreadList(workdayDepartures / 2, 7),
                  spreadList(workdayDepartures * 2 / 3, 2)};
    for (int i = 0; i < dayCount; ++i) {
        const std::chrono::sys_days date = line.first + std::chrono::days(i);
        const std::chrono::year_month_day ymd(date);
        const unsigned wd = std::chrono::weekday(date).iso_encoding();
        const bool christmasEve = ymd.month() == std::chrono::December && ymd.day() == 24d;
        const bool holiday = (ymd.month() == std::chrono::December && ymd.day() >= 25d) ||
                             (ymd.month() == std::chrono::January && ymd.day() == 1d);
        const bool schoolBreak = ymd.month() == std::chrono::July ||
                                 ymd.month() == std::chrono::August ||
                                 (ymd.month() == std::chrono::January && ymd.day() <= 2d);
        std::uint16_t list = 0;
        if (christmasEve) {
            list = 4;
        } else if (holiday || wd == 7) {
            list = 3;
        } else if (wd == 6) {
            list = 2;
        } else if (schoolBreak) {
            list = 1;
        }
        line.days.push_back(list);
    }
    line.written = 0;
    line.source = sampleSource();
    return line;
}

} // namespace kvapomer::test
