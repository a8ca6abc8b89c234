#pragma once
// A dated line: a line imported from the operator's timetable for every date
// of a period. Its distinct lists of departures are kept once each, with a
// map from each date of the period to its list; the program writes the list
// of the day into the line's plain keys (t0…, NumberOfTimes), which every
// older reader of the file understands.
//
// The dated data lives in keys of the line's own section that the loader
// never reads, so a save by any other copy of the program, which rewrites
// the section, leaves a plain line behind.

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kvapomer {

// Departure times of one day as minutes after midnight (0..1439), ascending,
// each once. Empty: no service that day.
using DayList = std::vector<int>;

// Where a dated line came from, so that it can be imported again.
struct DatedSource {
    QString feed;       // the feed's absolute path (zip or folder)
    QDateTime feedTime; // the feed's modification time when it was read (UTC, whole seconds)
    QString stop;       // stop id
    QString route;      // route id
    QString direction;  // headsign or direction_id, as the import resolves it
    bool operator==(const DatedSource&) const = default;
};

struct DatedLine {
    std::chrono::sys_days first{};   // the first date of the period
    std::vector<DayList> lists;      // the distinct lists
    std::vector<std::uint16_t> days; // days[i]: the list of first + i
    int written = 0;                 // the list last written into the t keys
    DatedSource source;
    std::chrono::sys_days last() const { return first + std::chrono::days(days.size() - 1); }
    bool operator==(const DatedLine&) const = default;
};

// Limits of what a line stores: ids of the lists are one character each, and
// the whole dated data of a line stays small.
inline constexpr int kMaxDatedLists = 36;
inline constexpr int kMaxDatedDays = 400;
inline constexpr qsizetype kMaxDatedBytes = 20 * 1024;
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
    int list = 0; // index into DatedLine::lists
    PeriodState period = PeriodState::Inside;
};

// Today's list. Outside the period it is the list that most of the period's
// dates of the same weekday had (on a tie, the one of them met latest).
DayChoice chooseDay(const DatedLine& line, std::chrono::sys_days date);

// The list the t keys should hold on `date`: today's list, or, on a day
// without service, the list they hold now (`line.written`), since a line
// needs at least one time.
int listToWrite(const DatedLine& line, std::chrono::sys_days date);

// The list to write first, when nothing has been written yet: the one of the
// first date from `date` on that has service, else of the latest date before.
// Nothing when no date of the period has service.
std::optional<int> firstListToWrite(const DatedLine& line, std::chrono::sys_days date);

// A list as the t keys hold it: "hh:mm" texts.
QStringList timesText(const DayList& list);

// Whether a list of t-key texts is exactly `list`.
bool holdsList(const QStringList& times, const DayList& list);

// Keeps the line within the limits of what a line stores (number of lists,
// size) by ending its period earlier; unused lists are dropped and the rest
// renumbered in order of first use. False when not even one day fits.
bool fitToLimits(DatedLine& line);

// The keys of the dated data, in the order they are written, after the
// line's plain keys. Long values are split over numbered keys, none longer
// than a read returns.
QList<QPair<QString, QString>> datedKeys(const DatedLine& line);

// Total size of those keys as lines of the file.
qsizetype datedSize(const DatedLine& line);

// The key that marks a section as holding a dated line.
QString datedMarkerKey();

// Whether `key` belongs to the dated data (any letter case).
bool isDatedKey(const QString& key);

// Reads the dated data of a section through `value` (the stored value of a
// key, nothing when absent). Anything missing, malformed or inconsistent
// gives nothing: the line is then a plain one.
using KeyReader = std::function<std::optional<QString>(const QString& key)>;
std::optional<DatedLine> readDatedLine(const KeyReader& value);

// Whether the section's t keys and NumberOfTimes hold exactly the list the
// program last wrote there.
bool timesKeysHoldWritten(const KeyReader& value, const DatedLine& line);

} // namespace kvapomer
