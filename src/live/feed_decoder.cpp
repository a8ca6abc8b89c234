#include "live/live_feed.h"

#include "gtfs_realtime.pb.h"

#include <QStringDecoder>

#include <google/protobuf/io/coded_stream.h>
#include <google/protobuf/unknown_field_set.h>
#include <google/protobuf/wire_format_lite.h>

namespace kvapomer::live {

namespace {

// Plausible absolute times: 2000-01-01 .. 2100-01-01 UTC.
constexpr qint64 kEarliestTime = 946684800;
constexpr qint64 kLatestTime = 4102444800;

bool hasUnknownField(const google::protobuf::Message& message, int number) {
    const google::protobuf::UnknownFieldSet& unknown =
        message.GetReflection()->GetUnknownFields(message);
    for (int i = 0; i < unknown.field_count(); ++i) {
        if (unknown.field(i).number() == number) {
            return true;
        }
    }
    return false;
}

std::optional<int> checkedDelay(bool has, std::int32_t delay) {
    if (!has || delay > kMaxDelaySeconds || delay < -kMaxDelaySeconds) {
        return std::nullopt;
    }
    return delay;
}

std::optional<StopEvent> event(bool has, const pb::TripUpdate::StopTimeEvent& source) {
    if (!has) {
        return std::nullopt;
    }
    StopEvent result;
    if (source.has_time() && source.time() >= kEarliestTime && source.time() <= kLatestTime) {
        result.time = source.time();
    }
    result.delay = checkedDelay(source.has_delay(), source.delay());
    return result;
}

// An enum value this program does not know lands among the unknown fields and
// leaves the field unset: that must not read as the default.
TripRelation tripRelation(const pb::TripDescriptor& trip) {
    if (!trip.has_schedule_relationship()) {
        return hasUnknownField(trip, 4) ? TripRelation::Other : TripRelation::Scheduled;
    }
    switch (trip.schedule_relationship()) {
    case pb::TripDescriptor::SCHEDULED:
        return TripRelation::Scheduled;
    case pb::TripDescriptor::CANCELED:
    case pb::TripDescriptor::DELETED:
        return TripRelation::Cancelled;
    default:
        return TripRelation::Other;
    }
}

StopRelation stopRelation(const pb::TripUpdate::StopTimeUpdate& stop) {
    if (!stop.has_schedule_relationship()) {
        return hasUnknownField(stop, 5) ? StopRelation::Other : StopRelation::Scheduled;
    }
    switch (stop.schedule_relationship()) {
    case pb::TripUpdate::StopTimeUpdate::SCHEDULED:
        return StopRelation::Scheduled;
    case pb::TripUpdate::StopTimeUpdate::SKIPPED:
        return StopRelation::Skipped;
    case pb::TripUpdate::StopTimeUpdate::NO_DATA:
        return StopRelation::NoData;
    default:
        return StopRelation::Other;
    }
}

// "YYYYMMDD"; an invalid QDate for anything else.
QDate serviceDate(const std::string& text) {
    if (text.size() != 8) {
        return {};
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return {};
        }
    }
    const auto digits = [&](int from, int count) {
        int value = 0;
        for (int i = from; i < from + count; ++i) {
            value = value * 10 + (text[std::size_t(i)] - '0');
        }
        return value;
    };
    return QDate(digits(0, 4), digits(4, 2), digits(6, 2));
}

bool convert(const pb::TripUpdate& source, TripUpdateRecord& out) {
    const pb::TripDescriptor& trip = source.trip();
    if (!checkedText(trip.trip_id(), out.tripId) || out.tripId.isEmpty() ||
        !checkedText(trip.route_id(), out.routeId)) {
        return false;
    }
    if (trip.has_start_date()) {
        out.startDate = serviceDate(trip.start_date());
        if (!out.startDate.isValid()) {
            return false;
        }
    }
    out.relation = tripRelation(trip);
    out.delay = checkedDelay(source.has_delay(), source.delay());
    out.stops.reserve(std::size_t(source.stop_time_update_size()));
    for (const pb::TripUpdate::StopTimeUpdate& stop : source.stop_time_update()) {
        StopUpdate update;
        if (stop.has_stop_sequence()) {
            update.stopSequence = stop.stop_sequence();
        }
        if (!checkedText(stop.stop_id(), update.stopId)) {
            return false;
        }
        update.arrival = event(stop.has_arrival(), stop.arrival());
        update.departure = event(stop.has_departure(), stop.departure());
        update.relation = stopRelation(stop);
        out.stops.push_back(std::move(update));
    }
    return true;
}

void takeEntity(const pb::FeedEntity& entity, const QSet<QByteArray>* wantedTrips, LiveFeed& feed) {
    if (entity.is_deleted() || !entity.has_trip_update() || !entity.trip_update().has_trip()) {
        return;
    }
    const pb::TripUpdate& update = entity.trip_update();
    if (wantedTrips) {
        const std::string& id = update.trip().trip_id();
        if (!wantedTrips->contains(QByteArray::fromRawData(id.data(), qsizetype(id.size())))) {
            return;
        }
    }
    TripUpdateRecord record;
    if (convert(update, record)) {
        feed.trips.push_back(std::move(record));
    } else {
        ++feed.dropped;
    }
}

} // namespace

bool checkedText(std::string_view bytes, QString& out) {
    if (bytes.size() > std::size_t(kMaxIdBytes)) {
        return false;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (decoder.hasError()) {
        return false;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size()) {
            code = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        // Letters, marks, digits, punctuation, symbols and spaces only: no
        // control, format (bidirectional overrides), private or unassigned ones.
        if (!QChar::isPrint(code) || QChar::category(code) == QChar::Other_PrivateUse) {
            return false;
        }
    }
    out = std::move(text);
    return true;
}

Result<LiveFeed> decodeFeed(QByteArrayView bytes, const QSet<QByteArray>* wantedTrips) {
    if (bytes.size() > kMaxFeedBytes) {
        return Error{0, QStringLiteral("Odpověď je větší než 32 MiB.")};
    }
    const Error notAFeed{0, QStringLiteral("Odpověď není platný GTFS-Realtime.")};
    // The entities are read one at a time into one reused message, so that a
    // city's feed never stands in memory twice (once as bytes, once as messages).
    google::protobuf::io::CodedInputStream in(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                              int(bytes.size()));
    pb::FeedHeader header;
    bool haveHeader = false;
    pb::FeedEntity entity;
    LiveFeed feed;
    while (const std::uint32_t tag = in.ReadTag()) {
        const std::uint32_t field = tag >> 3;
        const auto wireType = google::protobuf::internal::WireFormatLite::GetTagWireType(tag);
        if ((field != 1 && field != 2) ||
            wireType != google::protobuf::internal::WireFormatLite::WIRETYPE_LENGTH_DELIMITED) {
            if (!google::protobuf::internal::WireFormatLite::SkipField(&in, tag)) {
                return notAFeed;
            }
            continue;
        }
        std::uint32_t length = 0;
        if (!in.ReadVarint32(&length) || length > std::uint32_t(bytes.size())) {
            return notAFeed;
        }
        const auto limit = in.PushLimit(int(length));
        // Missing required fields are let through and judged below, field by field.
        if (field == 1) {
            if (!header.MergePartialFromCodedStream(&in) || !in.ConsumedEntireMessage()) {
                return notAFeed;
            }
            haveHeader = true;
        } else {
            entity.Clear();
            if (!entity.MergePartialFromCodedStream(&in) || !in.ConsumedEntireMessage()) {
                return notAFeed;
            }
            takeEntity(entity, wantedTrips, feed);
        }
        in.PopLimit(limit);
    }
    if (!in.ConsumedEntireMessage() || !haveHeader || !header.has_gtfs_realtime_version()) {
        return notAFeed;
    }
    if (header.has_timestamp() && header.timestamp() >= quint64(kEarliestTime) &&
        header.timestamp() <= quint64(kLatestTime)) {
        feed.timestamp = qint64(header.timestamp());
    }
    return feed;
}

} // namespace kvapomer::live
