#pragma once
// Trip-updates feeds written in the tests, message by message.

#include "gtfs_realtime.pb.h"

#include <QByteArray>

#include <optional>
#include <string>

namespace kvapomer::test {

using FeedMessage = kvapomer::live::pb::FeedMessage;
using TripUpdatePb = kvapomer::live::pb::TripUpdate;
using StopTimeUpdatePb = kvapomer::live::pb::TripUpdate::StopTimeUpdate;
using TripDescriptorPb = kvapomer::live::pb::TripDescriptor;

inline FeedMessage feedAt(std::optional<quint64> timestamp) {
    FeedMessage feed;
    feed.mutable_header()->set_gtfs_realtime_version("2.0");
    if (timestamp) {
        feed.mutable_header()->set_timestamp(*timestamp);
    }
    return feed;
}

inline TripUpdatePb* addTrip(FeedMessage& feed, const std::string& tripId,
                             const std::string& startDate = {}) {
    auto* entity = feed.add_entity();
    entity->set_id("e" + std::to_string(feed.entity_size()));
    auto* update = entity->mutable_trip_update();
    update->mutable_trip()->set_trip_id(tripId);
    if (!startDate.empty()) {
        update->mutable_trip()->set_start_date(startDate);
    }
    return update;
}

inline StopTimeUpdatePb* addStop(TripUpdatePb* trip, quint32 sequence) {
    auto* stop = trip->add_stop_time_update();
    stop->set_stop_sequence(sequence);
    return stop;
}

inline QByteArray bytesOf(const FeedMessage& feed) {
    const std::string bytes = feed.SerializeAsString();
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

} // namespace kvapomer::test
