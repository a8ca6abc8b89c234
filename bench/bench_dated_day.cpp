// The day switch of a dated line with 300 departures on workdays: what the
// first tick of a new date costs the interface thread (the day's list from
// memory; the file is written in the background), and the switch at a load
// (read, the day's list written atomically, flushed to the disk).

#include "app/day_keeper.h"
#include "config/dated_day.h"
#include "config/dated_keys.h"
#include "config/settings_save.h"
#include "support/dated_sample.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

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

} // namespace

BENCHMARK(BM_DatedLineKeys)->Arg(150)->Arg(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DaySwitchOnTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DaySwitchAtLoad)->Unit(benchmark::kMillisecond);
