#pragma once
// A dated line from the operator's feed: the departures of every date of the
// feed as the line stores them, and what the import says about them.

#include "config/dated_line.h"
#include "gtfs_import/feed.h"

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
