#pragma once
// From the day's scheduled calls at our stop and a decoded feed to expected
// departures: `time` wins over `delay`; an update applies to its stop and, by
// stop_sequence, to the later stops up to the next update; a skipped stop or
// a cancelled trip is marked; no update, or NO_DATA, keeps the timetable,
// which is not the same as "on time".

#include "live/live_feed.h"

#include <QDate>
#include <QSet>
#include <QString>
#include <QTimeZone>

#include <optional>
#include <vector>

namespace kvapomer::live {

// Data older than this no longer counts as live.
inline constexpr qint64 kFreshSeconds = 90;

// One scheduled departure at our stop.
struct ScheduledCall {
    QString tripId;
    QDate serviceDate;
    quint32 stopSequence = 0;
    int departure = 0; // seconds from the service day's start ("noon minus 12 h"), may pass 24 h
    QString route;     // the route's name as the window shows it
    QString stopId;    // optional: the platform, for updates that give no stop_sequence
    bool operator==(const ScheduledCall&) const = default;
};

enum class LiveState {
    Expected,  // a prediction from the feed (a delay of 0 is "on time")
    Timetable, // nothing live about it: the scheduled time
    Skipped,   // the bus does not stop here
    Cancelled  // the trip does not run
};

struct ExpectedDeparture {
    ScheduledCall call;
    LiveState state = LiveState::Timetable;
    int expected = 0; // seconds of the call's service day; the scheduled time unless Expected
    bool operator==(const ExpectedDeparture&) const = default;
};

// The start of a service day in `zone`: noon minus 12 hours, so that a day
// with a clock change still counts its times from the same point as GTFS does.
qint64 serviceDayStart(QDate serviceDate, const QTimeZone& zone);

// The trip ids of `calls`, for decodeFeed().
QSet<QByteArray> wantedTrips(const std::vector<ScheduledCall>& calls);

// One answer per call, in the order of `calls`.
std::vector<ExpectedDeparture> matchDepartures(const std::vector<ScheduledCall>& calls,
                                               const LiveFeed& feed, const QTimeZone& zone);

// Whether data of the header time `timestamp` (or, without one, fetched at
// `fetchedAt`) is still live at `now`; all seconds since 1970-01-01 UTC. Time
// stamps from beyond the same margin in the future do not count either.
bool isFresh(std::optional<qint64> timestamp, qint64 fetchedAt, qint64 now);

} // namespace kvapomer::live
