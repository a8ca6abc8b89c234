#pragma once
// What the main window says about a dated line's day, in place of the credit
// line while it lasts: a day without service, the coming end of the stored
// period, a period that has ended or not begun, a refresh that failed.

#include "timetable/dated_line.h"

#include <QString>

#include <chrono>
#include <optional>

namespace kvapomer {

struct DayFacts {
    bool dated = false; // the active line is a dated line (everything below applies then)
    PeriodState period = PeriodState::Inside;
    std::chrono::sys_days first{}; // the stored period
    std::chrono::sys_days last{};
    bool noService = false;         // today's list is empty
    std::optional<QString> problem; // a refresh from the feed failed (short Czech text)
};

struct DayNotice {
    QString text;         // empty: the credit line stays
    bool warning = false; // said louder (the timetable no longer fits the date)
    bool operator==(const DayNotice&) const = default;
};

// The one thing worth saying, most important first: a period that has ended
// or not begun, a day without service, the coming end (with a failed refresh
// mentioned), a failed refresh.
DayNotice dayNotice(const DayFacts& facts);

} // namespace kvapomer
