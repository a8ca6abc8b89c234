#pragma once
// What a decoded trip-updates feed holds, in plain records: only what the
// matching of departures reads, every text already checked (valid UTF-8, at
// most kMaxIdBytes, no control or format characters), every number in range.

#include "profile/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QSet>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace kvapomer::live {

// The largest answer decoded or downloaded.
inline constexpr qint64 kMaxFeedBytes = 32 * 1024 * 1024;
// The longest id kept; a trip update with a longer one is dropped.
inline constexpr int kMaxIdBytes = 255;
// A delay of more than this (either way) is taken as no delay at all.
inline constexpr int kMaxDelaySeconds = 24 * 3600;

// How a trip update's trip stands to the timetable.
enum class TripRelation {
    Scheduled, // runs as in the timetable, with the updates given
    Cancelled, // does not run (cancelled or deleted)
    Other      // added, duplicated, unscheduled, or a value this program does not know
};

// How one stop time update's stop stands.
enum class StopRelation {
    Scheduled, // the times given apply
    Skipped,   // the bus does not stop there
    NoData,    // nothing known there: the timetable
    Other      // unscheduled or unknown
};

struct StopEvent {
    std::optional<qint64> time; // seconds since 1970-01-01 UTC
    std::optional<int> delay;   // seconds, may be negative
    bool empty() const { return !time && !delay; }
};

struct StopUpdate {
    std::optional<quint32> stopSequence;
    QString stopId;
    std::optional<StopEvent> arrival;
    std::optional<StopEvent> departure;
    StopRelation relation = StopRelation::Scheduled;
};

struct TripUpdateRecord {
    QString tripId;
    QString routeId;
    QDate startDate; // invalid when the feed gave none
    TripRelation relation = TripRelation::Scheduled;
    std::optional<int> delay;      // of the whole trip, where no stop update applies
    std::vector<StopUpdate> stops; // in the order of the feed
};

struct LiveFeed {
    std::optional<qint64> timestamp; // the header's, seconds since 1970-01-01 UTC
    std::vector<TripUpdateRecord> trips;
    int dropped = 0; // trip updates left out because of a bad id or date
};

// Decodes a feed of at most kMaxFeedBytes. With `wantedTrips`, only the trip
// updates of those trip ids (UTF-8) are kept. Unknown fields are skipped.
// Fails, with a Czech description, on what is not such a feed at all.
Result<LiveFeed> decodeFeed(QByteArrayView bytes, const QSet<QByteArray>* wantedTrips = nullptr);

// True when `bytes` is valid UTF-8 of at most kMaxIdBytes without control or
// format characters; then `out` holds it.
bool checkedText(std::string_view bytes, QString& out);

} // namespace kvapomer::live
