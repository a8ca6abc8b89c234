// The day switch of a dated line with 300 departures on workdays: what the
// first tick of a new date costs the interface thread (the day's list from
// memory; the file is written in the background), and the switch at a load
// (read, the day's list written atomically, flushed to the disk). The size
// of a dated line's keys, and of the section of a line of three routes to a
// destination for a whole year.

#include "app/day_keeper.h"
#include "config/dated_day.h"
#include "config/dated_keys.h"
#include "config/settings_save.h"
#include "gtfs_import/cli/import_command.h"
#include "gtfs_import/queries/destination.h"
#include "support/dated_sample.h"
#include "three_route_year.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sstream>

namespace {

using namespace kvapomer;

const QDate kFriday(2027, 3, 12);
const QDate kSaturday(2027, 3, 13);

// kvapomern.ini with line 150 as a dated line of 300 workday departures.
QString writeDatedConfig(const QTemporaryDir& dir) {
    const DatedLine line = test::realisticDatedLine(300);
    ProfileDocument doc(QByteArray("[Main]\r\nBus=150\r\nAlertON=ON\r\nAlertWav=alarm.wav\r\n"
                                   "RedAlertMin=5\r\nBlinkAlert=30\r\nBlinkAlertM=1\r\n"
                                   "[Set]\r\nStav=0\r\n"));
    applyLineSection(
        doc,
        {QStringLiteral("150"), QStringLiteral("(smer Kacerov)"), timesText(line.lists[0]), line},
        false);
    const QString path = ConfigFilePath(dir.path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(doc.bytes());
    return path;
}

// The first tick of each new date: Friday and Saturday by turns.
void BM_DaySwitchOnTick(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = writeDatedConfig(dir);
    DayKeeper keeper;
    static_cast<void>(keeper.load(ConfigFile(path), kFriday));
    bool saturday = true;
    for (auto _ : state) {
        const bool changed = keeper.onTick(saturday ? kSaturday : kFriday);
        benchmark::DoNotOptimize(changed);
        benchmark::DoNotOptimize(keeper.todaysTimes()->size());
        benchmark::DoNotOptimize(keeper.noticeText());
        saturday = !saturday;
    }
}

// A load on another date than the file's times: one read, one atomic write,
// and the load itself.
void BM_DaySwitchAtLoad(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = writeDatedConfig(dir);
    DayKeeper keeper;
    bool saturday = true;
    for (auto _ : state) {
        const LoadResult result =
            keeper.load(ConfigFile(path), saturday ? kSaturday : kFriday).result;
        benchmark::DoNotOptimize(result.status);
        saturday = !saturday;
    }
    state.counters["file_bytes"] = static_cast<double>(QFile(path).size());
}

// The dated data of a realistic line as the file holds it: 150 departures on
// workdays, five lists, 400 days.
void BM_DatedLineKeys(benchmark::State& state) {
    const DatedLine line = test::realisticDatedLine(static_cast<int>(state.range(0)));
    qsizetype bytes = 0;
    for (auto _ : state) {
        bytes = datedSize(line);
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["dated_bytes"] = static_cast<double>(bytes);
}

// The line from Hlavní to Metro of bench/three_route_year.h imported for the
// whole year (kvapomer-import FEED Hlavní --to Metro) on the day the year
// begins: how many different lists of a day the year has (and the most
// departures of a day), how many lists and days the line keeps, and the
// bytes of its section in the file, beside the limits of what a line stores.
void BM_ThreeRouteYear(benchmark::State& state) {
    QTemporaryDir dir;
    const QString feedPath = dir.filePath(QStringLiteral("feed"));
    QDir(dir.path()).mkdir(QStringLiteral("feed"));
    bench::writeThreeRouteYear(feedPath);
    const gtfs::Feed feed(gtfs::FeedSource::open(feedPath.toStdString()));
    const gtfs::DeparturesTo year = gtfs::datedDeparturesTo(
        feed, feed.findStop("Hlavní"), feed.findStop("Metro"), {}, bench::kYearFirst);

    const QByteArray config("[Main]\r\nBus=150\r\n[Set]\r\nStav=0\r\n");
    const QString ini = ConfigFilePath(dir.path());
    const gtfs::CommandEnvironment env{ini.toStdString(),
                                       std::chrono::year_month_day(bench::kYearFirst)};
    int status = 0;
    std::string message;
    for (auto _ : state) {
        QFile file(ini);
        file.open(QIODevice::WriteOnly);
        file.write(config);
        file.close();
        std::ostringstream out, err;
        status = gtfs::runImportCommand({feedPath.toStdString(), "Hlavní", "--to", "Metro"}, env,
                                        out, err);
        message = err.str();
    }
    QFile file(ini);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    const QString line = QStringLiteral("9+150+177");
    const qsizetype begin = bytes.indexOf("[" + line.toLatin1() + "]");
    const qsizetype next = bytes.indexOf("\r\n[", begin);
    const std::optional<DatedLine> kept = readDatedSection(ProfileDocument(bytes), line);
    if (status != 0 || begin < 0 || !kept) {
        state.SkipWithError(("the import failed: " + message).c_str());
        return;
    }
    std::size_t most = 0;
    for (const DayList& list : year.dated.lists) {
        most = std::max(most, list.size());
    }
    state.counters["year_days"] = static_cast<double>(year.dated.days.size());
    state.counters["year_lists"] = static_cast<double>(year.dated.lists.size());
    state.counters["most_departures"] = static_cast<double>(most);
    state.counters["kept_days"] = static_cast<double>(kept->days.size());
    state.counters["kept_lists"] = static_cast<double>(kept->lists.size());
    state.counters["section_bytes"] =
        static_cast<double>((next < 0 ? bytes.size() : next + 2) - begin);
    // the limits of what a line stores, beside what it needs
    state.counters["limit_lists"] = kMaxDatedLists;
    state.counters["limit_bytes"] = static_cast<double>(kMaxDatedBytes);
}

} // namespace

BENCHMARK(BM_DatedLineKeys)->Arg(150)->Arg(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThreeRouteYear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DaySwitchOnTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DaySwitchAtLoad)->Unit(benchmark::kMillisecond);
