#pragma once
// A dated line from the operator's feed: the departures of every date of the
// feed as the line stores them, where they came from, and what the import
// says about their period.

#include "config/dated_keys.h"
#include "gtfs_import/queries/feed.h"

#include <QString>

#include <chrono>
#include <optional>
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

} // namespace kvapomer::gtfs
