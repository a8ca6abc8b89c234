// Decoding and matching a city-sized trip-updates feed (about 10 MB): the
// work of one poll of kvapomer-live. Peak memory is the process's (ru_maxrss):
// run this benchmark alone (--benchmark_filter=Live) for the figure to mean
// what one poll needs.

#include "gtfs_realtime.pb.h"
#include "live/live_feed.h"
#include "live/matcher.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

using namespace kvapomer::live;

const QDate kToday(2026, 12, 9);
const QTimeZone kPrague("Europe/Prague");

void appendField(std::string& out, char tag, const google::protobuf::MessageLite& message) {
    const std::string bytes = message.SerializeAsString();
    out += tag;
    for (std::size_t length = bytes.size();; length >>= 7) {
        if (length < 0x80) {
            out += char(length);
            break;
        }
        out += char((length & 0x7f) | 0x80);
    }
    out += bytes;
}

// About `megabytes` MB of trips with 25 stop updates each, delays and times,
// written entity by entity so that only the bytes stay in memory.
QByteArray cityFeed(int megabytes) {
    std::string out;
    pb::FeedHeader header;
    header.set_gtfs_realtime_version("2.0");
    header.set_timestamp(1'796'800'000);
    appendField(out, 0x0a, header);
    const qint64 dayStart = serviceDayStart(kToday, kPrague);
    for (int trip = 0; out.size() < std::size_t(megabytes) * 1000 * 1000; ++trip) {
        const std::string number = std::to_string(trip);
        pb::FeedEntity entity;
        entity.set_id(number);
        auto* update = entity.mutable_trip_update();
        update->mutable_trip()->set_trip_id(
            QStringLiteral("trip_%1_2026-12-09").arg(trip).toStdString());
        update->mutable_trip()->set_route_id(QStringLiteral("L%1").arg(trip % 300).toStdString());
        update->mutable_trip()->set_start_date("20261209");
        update->set_timestamp(1'796'799'990);
        for (int stop = 1; stop <= 25; ++stop) {
            auto* stu = update->add_stop_time_update();
            stu->set_stop_sequence(std::uint32_t(stop));
            stu->set_stop_id(QStringLiteral("U%1Z1").arg((trip * 7 + stop) % 5000).toStdString());
            const int delay = (trip + stop) % 400 - 60;
            stu->mutable_arrival()->set_delay(delay);
            stu->mutable_departure()->set_delay(delay);
            stu->mutable_departure()->set_time(dayStart + 5 * 3600 + trip + stop * 90 + delay);
        }
        appendField(out, 0x12, entity);
    }
    return QByteArray(out.data(), qsizetype(out.size()));
}

// A day's 400 calls at one stop, every third of a trip in the feed.
std::vector<ScheduledCall> dayAtStop() {
    std::vector<ScheduledCall> calls;
    for (int i = 0; i < 400; ++i) {
        const int trip = i % 3 == 0 ? i * 10 : 1'000'000 + i;
        calls.push_back({QStringLiteral("trip_%1_2026-12-09").arg(trip), kToday, 12,
                         5 * 3600 + i * 180, QStringLiteral("150"), QString()});
    }
    return calls;
}

void report(benchmark::State& state, const QByteArray& bytes) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["feed_MB"] = double(bytes.size()) / 1e6;
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
}

void BM_LiveDecodeAndMatch(benchmark::State& state) {
    const QByteArray bytes = cityFeed(10);
    const std::vector<ScheduledCall> calls = dayAtStop();
    for (auto _ : state) {
        const QSet<QByteArray> wanted = wantedTrips(calls);
        auto feed = decodeFeed(bytes, &wanted);
        auto departures = matchDepartures(calls, feed.value(), kPrague);
        benchmark::DoNotOptimize(departures.data());
    }
    report(state, bytes);
}
BENCHMARK(BM_LiveDecodeAndMatch)->Unit(benchmark::kMillisecond);

// Every trip of the feed kept and checked, not only the stop's.
void BM_LiveDecodeWholeFeed(benchmark::State& state) {
    const QByteArray bytes = cityFeed(10);
    for (auto _ : state) {
        auto feed = decodeFeed(bytes);
        benchmark::DoNotOptimize(feed.value().trips.data());
    }
    report(state, bytes);
}
BENCHMARK(BM_LiveDecodeWholeFeed)->Unit(benchmark::kMillisecond);

} // namespace
