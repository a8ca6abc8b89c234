#pragma once
// The day's scheduled calls of a dated line, read from the line's own feed
// by the import's questions (Feed::scheduledOn): the stop place with all its
// platforms, the routes and the direction the line remembers.

#include "live/scheduled_calls.h"
#include "timetable/dated_line.h"

#include <QString>
#include <QStringList>

namespace kvapomer::live {

// What the calls are asked for. `routes` holds one route id for a line of
// one route; a line of several routes names them all.
struct CallQuery {
    QString feed;       // the feed's path (zip or folder)
    QString stop;       // stop id (a station covers its platforms)
    QStringList routes; // route ids
    QString direction;  // headsign or direction_id, as the import resolves it
    QString to{};       // a line to a destination: its stop id (then `routes` are
                        // the routes named, none: every route that goes there)
};

// The query of a dated line as it remembers where it came from.
CallQuery queryOf(const DatedSource& source);

class FeedCallSource final : public ScheduledCallSource {
public:
    explicit FeedCallSource(CallQuery query) : query_(std::move(query)) {}
    // Reads the feed (within the import's limits) on every call: once per
    // service day. A feed that cannot answer is an Error with the import's
    // Czech message.
    Result<std::vector<ScheduledCall>> callsFor(QDate today) override;
    // agency_timezone as the last callsFor() read it.
    QByteArray timeZone() const override { return zone_; }

private:
    CallQuery query_;
    QByteArray zone_;
};

} // namespace kvapomer::live
