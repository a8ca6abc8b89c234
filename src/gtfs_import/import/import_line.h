#pragma once
// One import, whoever asks for it (the command, --refresh, the import
// window): a stop, route and direction of a feed become the line to write —
// its number, its note and the departures of one date, or every date's lists —
// which goes into the file through the one line writer (writeLine), and the
// import says what it wrote in one sentence.

#include "gtfs_import/import/dated_import.h"
#include "gtfs_import/import/line_import.h"
#include "gtfs_import/queries/feed.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kvapomer::gtfs {

// The line number an import proposes: the route's short name, else its id.
QString lineNumberOf(const Route& route);

// The note an import proposes: the direction's headsign, without control
// characters, as the direction of travel; empty for a direction without
// headsign.
QString noteToward(const Direction& direction);

// What the user set over what the import proposes.
struct LineChoice {
    std::optional<QString> line; // default: lineNumberOf the route
    std::optional<QString> note; // default: noteToward the direction
    bool activate = false;       // make it the active line (Main/Bus)
    // The walk from home to the stop in minutes (0 removes it); default: the
    // line keeps the walk its section holds.
    std::optional<int> walk = std::nullopt;
};

// A line ready to write, and what the import says about it.
struct ImportedLine {
    LineImport line;
    QString stopName;
    QString summary;                   // "počet odjezdů 6", or the period's summary
    std::vector<std::string> warnings; // one Czech line each
};

// The plain line of one date's departures `times` ("hh:mm") in `direction`.
ImportedLine oneDateLine(const QStringList& times, const Direction& direction,
                         const StopPlace& stop, const Route& route, const LineChoice& choice);

// The dated line of `found`, the departures of `route` from `stop` asked in
// `direction` (as the user gave it; empty for the only one) from `today` on.
// Throws FeedError NoDepartures when no date has service.
ImportedLine datedLine(const DatedDepartures& found, const FeedStamp& feed, const StopPlace& stop,
                       const Route& route, const std::string& direction,
                       std::chrono::sys_days today, const LineChoice& choice);

// What to import, as the user named it.
struct ImportRequest {
    std::string feed;      // the feed's path, as given
    std::string stop;      // id or name
    std::string route;     // id or short name
    std::string direction; // headsign or direction_id; empty for the only one
    // One date's departures as a plain line; without it, every date's.
    std::optional<std::chrono::year_month_day> date;
    std::chrono::sys_days today{};
};

// Reads the feed and makes its line: the stop settled by the route and
// direction (chooseForImport), the direction as typed or its headsign without
// diacritics (askInDirection). Throws FeedError.
ImportedLine importFromFeed(const ImportRequest& request, const LineChoice& choice);

// What the import says after writing `imported` into `ini`: the line, its
// note, the stop, the summary, the file, and whether the line is now active.
QString importReport(const ImportedLine& imported, const QString& ini);

} // namespace kvapomer::gtfs
