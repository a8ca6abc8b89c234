#include "live/matcher.h"

#include <QDateTime>
#include <QHash>
#include <QTime>

namespace kvapomer::live {

namespace {

// What one stop time update says about a time there.
const StopEvent* usableEvent(const StopUpdate& update) {
    if (update.departure && !update.departure->empty()) {
        return &*update.departure;
    }
    if (update.arrival && !update.arrival->empty()) {
        return &*update.arrival;
    }
    return nullptr;
}

std::optional<int> eventDelay(const StopUpdate& update) {
    if (update.departure && update.departure->delay) {
        return update.departure->delay;
    }
    if (update.arrival && update.arrival->delay) {
        return update.arrival->delay;
    }
    return std::nullopt;
}

struct Outcome {
    LiveState state = LiveState::Timetable;
    std::optional<int> delay;   // from the scheduled time
    std::optional<qint64> time; // absolute
};

Outcome applyTrip(const ScheduledCall& call, const TripUpdateRecord& trip) {
    if (trip.relation == TripRelation::Cancelled) {
        return {LiveState::Cancelled, {}, {}};
    }
    if (trip.relation != TripRelation::Scheduled) {
        return {};
    }
    // The update for our own stop, and the nearest one before it by stop_sequence.
    const StopUpdate* own = nullptr;
    const StopUpdate* earlier = nullptr;
    for (const StopUpdate& update : trip.stops) {
        if (update.stopSequence) {
            if (*update.stopSequence == call.stopSequence) {
                own = own ? own : &update;
            } else if (*update.stopSequence < call.stopSequence &&
                       (!earlier || *earlier->stopSequence < *update.stopSequence)) {
                earlier = &update;
            }
        } else if (!update.stopId.isEmpty() && update.stopId == call.stopId && !own) {
            own = &update;
        }
    }
    if (own) {
        switch (own->relation) {
        case StopRelation::Skipped:
            return {LiveState::Skipped, {}, {}};
        case StopRelation::NoData:
        case StopRelation::Other:
            return {};
        case StopRelation::Scheduled:
            if (const StopEvent* event = usableEvent(*own)) {
                return {LiveState::Expected, event->delay, event->time};
            }
            break; // nothing said: as if there were no update here
        }
    }
    // Propagation from the nearest earlier update; a skipped stop passes on
    // what came before it, NO_DATA ends what is known.
    while (earlier) {
        if (earlier->relation == StopRelation::Skipped) {
            const StopUpdate* before = nullptr;
            for (const StopUpdate& update : trip.stops) {
                if (update.stopSequence && *update.stopSequence < *earlier->stopSequence &&
                    (!before || *before->stopSequence < *update.stopSequence)) {
                    before = &update;
                }
            }
            earlier = before;
            continue;
        }
        if (earlier->relation != StopRelation::Scheduled) {
            return {};
        }
        if (std::optional<int> delay = eventDelay(*earlier)) {
            return {LiveState::Expected, delay, {}};
        }
        return {}; // only absolute times there: nothing to carry to our stop
    }
    if (trip.delay) {
        return {LiveState::Expected, trip.delay, {}};
    }
    return {};
}

} // namespace

qint64 serviceDayStart(QDate serviceDate, const QTimeZone& zone) {
    return QDateTime(serviceDate, QTime(12, 0), zone).toSecsSinceEpoch() - 12 * 3600;
}

QSet<QByteArray> wantedTrips(const std::vector<ScheduledCall>& calls) {
    QSet<QByteArray> result;
    for (const ScheduledCall& call : calls) {
        result.insert(call.tripId.toUtf8());
    }
    return result;
}

std::vector<ExpectedDeparture> matchDepartures(const std::vector<ScheduledCall>& calls,
                                               const LiveFeed& feed, const QTimeZone& zone) {
    // The service dates each trip id has among the calls: a trip update
    // without start_date is taken only where that is one date.
    QHash<QString, QSet<QDate>> datesOfTrip;
    for (const ScheduledCall& call : calls) {
        datesOfTrip[call.tripId].insert(call.serviceDate);
    }
    QHash<QString, std::vector<const TripUpdateRecord*>> updatesOfTrip;
    for (const TripUpdateRecord& trip : feed.trips) {
        if (datesOfTrip.contains(trip.tripId)) {
            updatesOfTrip[trip.tripId].push_back(&trip);
        }
    }
    QHash<QDate, qint64> dayStarts;
    std::vector<ExpectedDeparture> result;
    result.reserve(calls.size());
    for (const ScheduledCall& call : calls) {
        ExpectedDeparture departure{call, LiveState::Timetable, call.departure};
        const TripUpdateRecord* match = nullptr;
        const TripUpdateRecord* undated = nullptr;
        for (const TripUpdateRecord* trip : updatesOfTrip.value(call.tripId)) {
            if (trip->startDate == call.serviceDate) {
                match = trip;
                break;
            }
            if (!trip->startDate.isValid() && !undated) {
                undated = trip;
            }
        }
        if (!match && undated && datesOfTrip.value(call.tripId).size() == 1) {
            match = undated;
        }
        if (match) {
            const Outcome outcome = applyTrip(call, *match);
            if (outcome.state != LiveState::Expected) {
                departure.state = outcome.state;
            } else {
                qint64 expected = 0;
                if (outcome.time) {
                    auto start = dayStarts.find(call.serviceDate);
                    if (start == dayStarts.end()) {
                        start = dayStarts.insert(call.serviceDate,
                                                 serviceDayStart(call.serviceDate, zone));
                    }
                    expected = *outcome.time - *start;
                } else {
                    expected = qint64(call.departure) + *outcome.delay;
                }
                // A prediction a day away from the timetable is a fault of the feed.
                if (expected - call.departure <= kMaxDelaySeconds &&
                    call.departure - expected <= kMaxDelaySeconds) {
                    departure.state = LiveState::Expected;
                    departure.expected = int(expected);
                }
            }
        }
        result.push_back(std::move(departure));
    }
    return result;
}

bool isFresh(std::optional<qint64> timestamp, qint64 fetchedAt, qint64 now) {
    const qint64 stamp = timestamp.value_or(fetchedAt);
    return now - stamp <= kFreshSeconds && stamp - now <= kFreshSeconds;
}

} // namespace kvapomer::live
