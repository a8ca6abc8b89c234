#pragma once
// A dated line: a line imported from the operator's timetable for every date
// of a period. Its distinct lists of departures are kept once each, with a
// map from each date of the period to its list; the program counts down the
// list of the day. Which list applies on a date, inside the period and
// outside it, is decided here; how the file stores it is the file's business
// (config/dated_keys.h).

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace kvapomer {

// Departure times of one day as minutes after midnight (0..1439), ascending,
// each once; a list of several lines may hold one minute once per line.
// Empty: no service that day.
using DayList = std::vector<int>;

// The line of each departure of a list, as an index into the line's names.
using LineOfDepartures = std::vector<std::uint8_t>;

// The lines a line of several lines is made of, and the line of each of its
// departures (`of` parallel to the times). No names: a line of one line.
struct DepartureLines {
    QStringList names;   // in the order the import lists them
    LineOfDepartures of; // of[i]: the line of departure i
    bool empty() const { return names.isEmpty(); }
    // The name of departure i's line; empty for a line of one line.
    QString nameAt(qsizetype i) const;
    bool operator==(const DepartureLines&) const = default;
};

// The most lines one line may be made of.
inline constexpr int kMaxDepartureLines = 36;

// The list of each date of a period: the distinct lists, and for each date
// from `first` on the index of its list.
struct DatedLists {
    std::chrono::sys_days first{};   // the first date of the period
    std::vector<DayList> lists;      // the distinct lists
    std::vector<std::uint16_t> days; // days[i]: the list of first + i
    // A line of several lines: their names, and for each list (parallel to
    // `lists`) the line of each departure. Both empty for a line of one line.
    QStringList lineNames{};
    std::vector<LineOfDepartures> lineOf{};
    // The departures' lines of list `l`; empty for a line of one line.
    DepartureLines linesOf(int l) const;
    std::chrono::sys_days last() const { return first + std::chrono::days(days.size() - 1); }
    bool operator==(const DatedLists&) const = default;
};

// Where a dated line came from, so that it can be imported again.
struct DatedSource {
    QString feed;       // the feed's absolute path (zip or folder)
    QDateTime feedTime; // the feed's modification time when it was read (UTC, whole seconds)
    QString stop;       // stop id
    QString route;      // route id
    QString direction;  // headsign or direction_id, as the import resolves it
    // A line to a destination: the destination's stop id and the routes
    // named (none: every route that goes there); `route` and `direction`
    // are then empty.
    QString to{};
    QStringList routes{};
    bool operator==(const DatedSource&) const = default;
};

struct DatedLine : DatedLists {
    int written = 0; // the list last written into the line's plain times
    DatedSource source;
    bool operator==(const DatedLine&) const = default;
};

// The same timetable, whichever list the plain times hold.
bool sameTimetable(const DatedLine& a, const DatedLine& b);

// How many days before the end of the period (the end included) its coming
// end is announced.
inline constexpr int kEndingNoticeDays = 7;

// Calendar dates between Qt and the standard library.
std::chrono::sys_days toSysDays(const QDate& date);
QDate toQDate(std::chrono::sys_days date);

enum class PeriodState {
    Inside,     // the date lies in the period, more than a week before its end
    EndingSoon, // the date lies in the last week of the period
    Expired,    // the period has ended
    NotYet,     // the period has not begun (the clock was set back)
};

struct DayChoice {
    int list = 0; // index into DatedLists::lists
    PeriodState period = PeriodState::Inside;
};

// Today's list. Outside the period it is the list that most of the period's
// dates of the same weekday had (on a tie, the one of them met latest).
DayChoice chooseDay(const DatedLists& line, std::chrono::sys_days date);

// The list the plain times should hold on `date`: today's list, or, on a day
// without service, the list they hold now (`line.written`), since a line
// needs at least one time.
int listToWrite(const DatedLine& line, std::chrono::sys_days date);

// The list to write first, when nothing has been written yet: the one of the
// first date from `date` on that has service, else of the latest date before.
// Nothing when no date of the period has service.
std::optional<int> firstListToWrite(const DatedLists& line, std::chrono::sys_days date);

// "hh:mm" of a minute of the day (0..1439).
QString clockText(int minute);

// A list as the plain times hold it: "hh:mm" texts.
QStringList timesText(const DayList& list);

// Whether a list of "hh:mm" texts is exactly `list`.
bool holdsList(const QStringList& times, const DayList& list);

} // namespace kvapomer
