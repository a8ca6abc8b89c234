#include "timetable/dated_line.h"

#include <algorithm>

namespace kvapomer {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::weekday;

bool sameTimetable(const DatedLine& a, const DatedLine& b) {
    return static_cast<const DatedLists&>(a) == static_cast<const DatedLists&>(b) &&
           a.source == b.source;
}

sys_days toSysDays(const QDate& date) {
    return sys_days(std::chrono::year(date.year()) / static_cast<unsigned>(date.month()) /
                    static_cast<unsigned>(date.day()));
}

QDate toQDate(sys_days date) {
    const std::chrono::year_month_day ymd(date);
    return QDate(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                 static_cast<int>(static_cast<unsigned>(ymd.day())));
}

DayChoice chooseDay(const DatedLists& line, sys_days date) {
    if (date >= line.first && date <= line.last()) {
        const auto index = static_cast<std::size_t>((date - line.first).count());
        const auto left = (line.last() - date).count();
        return {line.days[index],
                left < kEndingNoticeDays ? PeriodState::EndingSoon : PeriodState::Inside};
    }
    const PeriodState period = date < line.first ? PeriodState::NotYet : PeriodState::Expired;
    // Most dates of the same weekday; among equals the one met latest.
    const auto pick = [&](bool sameWeekday) -> std::optional<int> {
        std::vector<int> count(line.lists.size(), 0);
        std::vector<std::size_t> latest(line.lists.size(), 0);
        bool any = false;
        for (std::size_t i = 0; i < line.days.size(); ++i) {
            if (sameWeekday && weekday(line.first + days(i)) != weekday(date)) {
                continue;
            }
            any = true;
            ++count[line.days[i]];
            latest[line.days[i]] = i;
        }
        if (!any) {
            return std::nullopt;
        }
        int best = -1;
        for (int l = 0; l < static_cast<int>(count.size()); ++l) {
            const auto at = static_cast<std::size_t>(l);
            if (count[at] == 0) {
                continue;
            }
            const auto bestAt = static_cast<std::size_t>(best);
            if (best < 0 || count[at] > count[bestAt] ||
                (count[at] == count[bestAt] && latest[at] > latest[bestAt])) {
                best = l;
            }
        }
        return best;
    };
    // A period shorter than a week may lack the weekday: then all its dates count.
    return {pick(true).value_or(pick(false).value_or(0)), period};
}

int listToWrite(const DatedLine& line, sys_days date) {
    const int today = chooseDay(line, date).list;
    return line.lists[static_cast<std::size_t>(today)].empty() ? line.written : today;
}

std::optional<int> firstListToWrite(const DatedLists& line, sys_days date) {
    const int today = chooseDay(line, date).list;
    if (!line.lists[static_cast<std::size_t>(today)].empty()) {
        return today;
    }
    const auto n = static_cast<long long>(line.days.size());
    const long long from = std::clamp<long long>((date - line.first).count(), 0, n);
    const auto served = [&](long long i) {
        return !line.lists[line.days[static_cast<std::size_t>(i)]].empty();
    };
    for (long long i = from; i < n; ++i) {
        if (served(i)) {
            return line.days[static_cast<std::size_t>(i)];
        }
    }
    for (long long i = std::min(from, n) - 1; i >= 0; --i) {
        if (served(i)) {
            return line.days[static_cast<std::size_t>(i)];
        }
    }
    return std::nullopt;
}

QString clockText(int minute) {
    const auto twoDigits = [](int n) { return QString::number(n).rightJustified(2, u'0'); };
    return twoDigits(minute / 60) + u':' + twoDigits(minute % 60);
}

QStringList timesText(const DayList& list) {
    QStringList times;
    times.reserve(static_cast<qsizetype>(list.size()));
    for (const int minute : list) {
        times.push_back(clockText(minute));
    }
    return times;
}

bool holdsList(const QStringList& times, const DayList& list) {
    return times == timesText(list);
}

QString DepartureLines::nameAt(qsizetype i) const {
    if (i < 0 || i >= static_cast<qsizetype>(of.size()) ||
        of[static_cast<std::size_t>(i)] >= names.size()) {
        return QString();
    }
    return names[of[static_cast<std::size_t>(i)]];
}

DepartureLines DatedLists::linesOf(int l) const {
    if (lineNames.isEmpty() || l < 0 || l >= static_cast<int>(lineOf.size())) {
        return {};
    }
    return {lineNames, lineOf[static_cast<std::size_t>(l)]};
}

} // namespace kvapomer
