// The live decoder and matching over any answer a server may send: they never
// crash, every call gets exactly one answer, a departure that is not a
// prediction keeps its scheduled time, a prediction stays within a day of it,
// and every answer goes through the child's lines and reads back unchanged,
// so that nothing from the feed can break the window's reading.
//
// The input is the answer's bytes. The calls are a fixed day at one stop
// plus, for every trip the feed names, a call of that trip today and (for
// every second one) yesterday after midnight, at the stop sequences the
// feed names.

#include "live/live_feed.h"
#include "live/matcher.h"
#include "live/protocol.h"

#include <QTimeZone>

#include <cstddef>
#include <cstdint>

// Last: its check() macro would clash with Qt's headers.
#include "fuzz_check.h"

using namespace kvapomer::live;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QTimeZone zone("Europe/Prague");
    static const QDate today(2026, 3, 29); // a day with a clock change
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    auto decoded = decodeFeed(bytes);
    if (!decoded) {
        check(!decoded.error().description.isEmpty());
        return 0;
    }
    const LiveFeed& feed = decoded.value();
    check(feed.trips.size() <= size);

    std::vector<ScheduledCall> calls = {
        {QStringLiteral("T1"), today, 5, 6 * 3600, QStringLiteral("150"), QStringLiteral("S")},
        {QStringLiteral("T2"), today.addDays(-1), 5, 25 * 3600, QStringLiteral("N91"), {}}};
    int index = 0;
    for (const TripUpdateRecord& trip : feed.trips) {
        if (calls.size() > 2000) {
            break;
        }
        quint32 sequence = 1;
        for (const StopUpdate& stop : trip.stops) {
            if (stop.stopSequence) {
                sequence = *stop.stopSequence;
            }
        }
        calls.push_back({trip.tripId, today, sequence, 8 * 3600, trip.routeId, QString()});
        if (++index % 2 == 0) {
            calls.push_back(
                {trip.tripId, today.addDays(-1), sequence, 24 * 3600 + 60, trip.routeId, {}});
        }
    }

    const QSet<QByteArray> wanted = wantedTrips(calls);
    auto filtered = decodeFeed(bytes, &wanted);
    check(filtered.ok() && filtered.value().trips.size() <= feed.trips.size());

    const std::vector<ExpectedDeparture> result = matchDepartures(calls, feed, zone);
    check(result.size() == calls.size());
    // The same answers from the feed decoded for these trips alone.
    check(matchDepartures(calls, filtered.value(), zone) == result);

    LiveSnapshot snapshot;
    snapshot.live = true;
    snapshot.liveAt = QStringLiteral("06:10:35");
    snapshot.stamp = feed.timestamp;
    for (std::size_t i = 0; i < result.size(); ++i) {
        const ExpectedDeparture& departure = result[i];
        check(departure.call == calls[i]);
        if (departure.state == LiveState::Expected) {
            check(departure.expected - departure.call.departure <= kMaxDelaySeconds);
            check(departure.call.departure - departure.expected <= kMaxDelaySeconds);
        } else {
            check(departure.expected == departure.call.departure);
        }
        ExpectedDeparture sent = departure;
        sent.call.stopId.clear(); // the window knows its stop; it is not sent back
        snapshot.departures.push_back(sent);
    }
    ChildOutputParser parser;
    std::vector<LiveSnapshot> batches;
    check(parser.feed(formatBatch(snapshot), batches));
    check(batches.size() == 1 && batches[0] == snapshot);

    // The window's reader and the child's over the same bytes: no crash.
    ChildOutputParser raw;
    (void)raw.feed(bytes.toByteArray(), batches);
    ChildInputParser input;
    ChildInput told;
    (void)input.feed(bytes.toByteArray(), told);
    return 0;
}
