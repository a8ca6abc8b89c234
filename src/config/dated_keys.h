#pragma once
// How a dated line (timetable/dated_line.h) lives in the file: in keys of the
// line's own section that the loader never reads, so a save by any other
// copy of the program, which rewrites the section, leaves a plain line
// behind. The list of the day goes into the line's plain keys (t0…,
// NumberOfTimes), which every older reader of the file understands.

#include "timetable/dated_line.h"

#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <optional>

namespace kvapomer {

// Limits of what a line stores: ids of the lists are one character each, and
// the whole dated data of a line stays small. A year of a line of three
// routes, each with its own changes of timetable, stays within them: the
// year of bench/three_route_year.h has 24 lists and a section of 17 KB.
inline constexpr int kMaxDatedLists = 36;
inline constexpr int kMaxDatedDays = 400;
inline constexpr qsizetype kMaxDatedBytes = 64 * 1024;

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

// The keys of the departures' lines of a line of one date whose departures
// `times` ("hh:mm", the t keys) belong to several lines. Nothing for a line
// of one line.
QList<QPair<QString, QString>> departureLinesKeys(const QStringList& times,
                                                  const DepartureLines& lines);

// The lines of the departures the section's t keys hold: of a dated line's
// list written there, or of a line of one date's own keys. Empty for a line
// of one line, and whenever the keys do not name exactly these times.
DepartureLines readDepartureLines(const KeyReader& value);

} // namespace kvapomer
