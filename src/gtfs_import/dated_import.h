#pragma once
// A dated line from the operator's feed: the departures of every date of the
// feed as the line stores them, and what the import says about them.

#include "config/dated_keys.h"
#include "gtfs_import/feed.h"
#include "gtfs_import/line_import.h"

#include <QString>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>

namespace kvapomer::gtfs {

// The dated line of `found`, within the limits of what a line stores (a
// period too rich for them ends earlier), with the list of `today` (or of the
// next date with service) as the one for the times. Nothing when no date of
// it has service.
std::optional<DatedLine> datedLineOf(const DatedDepartures& found, const DatedSource& source,
                                     std::chrono::sys_days today);

// "4 různé jízdní řády, platí 2026-12-09 až 2027-03-31".
QString periodSummary(const DatedLine& line);

// A feed's path as a dated line remembers it (absolute) and when the feed was
// changed, taken before it is read: a feed replaced meanwhile counts as newer.
struct FeedStamp {
    QString path;
    QDateTime modified; // the epoch when the feed's time cannot be read
};
FeedStamp stampFeed(const std::string& feedPath);

// The line number an import proposes: the route's short name, else its id.
QString lineNumberOf(const Route& route);

// The note an import proposes: "(směr " + headsign + ")", the headsign
// without control characters; empty for a direction without headsign.
QString noteToward(const Direction& direction);

// The dated line an import writes for `found`, the departures of `route` from
// `stop` asked in `direction` (as the user gave it; empty for the only one)
// from `today` on. Throws FeedError NoDepartures when no date has service.
struct DatedImport {
    LineImport line;
    QString stopName;
    std::vector<std::string> warnings; // one Czech line each
};
DatedImport datedImportOf(const DatedDepartures& found, const FeedStamp& feed,
                          const StopGroup& stop, const Route& route, const std::string& direction,
                          std::chrono::sys_days today);

// One line to import for every date: the command's arguments.
struct DatedRequest {
    std::string feed; // the feed's path, as given
    std::string stop;
    std::string route;
    std::optional<std::string> direction;
    std::optional<std::string> line; // default: the route's number
    std::optional<std::string> note; // default: "(směr " + headsign + ")"
    bool activate = false;
    QString ini;
    std::chrono::sys_days today{};
};

// Reads the feed and writes the dated line; messages, one Czech line each,
// to `err`. Returns the command's exit status.
int importDatedLine(const DatedRequest& request, std::ostream& err);

// Imports every dated line of the file `ini` again from the feed, stop,
// route and direction it remembers, keeping its number, its note and which
// line is active. Each failure is one line on `err`; the status is that of
// the first failure, or 0 when all succeeded.
int refreshDatedLines(const QString& ini, std::chrono::sys_days today, std::ostream& err);

} // namespace kvapomer::gtfs
