// Loading a line with many departure times from a real file.

#include "config/config_file.h"
#include "config/loader.h"

#include <benchmark/benchmark.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

void BM_LoadData(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    QByteArray text = "[Main]\r\nBus=150\r\nAlertON=ON\r\nAlertWav=alarm.wav\r\nRedAlertMin=5\r\n"
                      "BlinkAlert=30\r\nBlinkAlertM=1\r\n[Set]\r\nStav=0\r\n[150]\r\n"
                      "Description=(smer Kacerov)\r\n";
    for (int i = 0; i < count; ++i) {
        const int minute = static_cast<int>(static_cast<long long>(i) * 1440 / count);
        text += "t" + QByteArray::number(i) + "=" +
                QByteArray::number(minute / 60).rightJustified(2, '0') + ":" +
                QByteArray::number(minute % 60).rightJustified(2, '0') + "\r\n";
    }
    text += "NumberOfTimes=" + QByteArray::number(count) + "\r\n";
    const QString path = kvapomer::ConfigFilePath(dir.path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    file.close();

    for (auto _ : state) {
        // Touch the file so that every load parses it afresh, as after a save.
        state.PauseTiming();
        QFile::remove(path);
        QFile again(path);
        again.open(QIODevice::WriteOnly);
        again.write(text);
        again.close();
        state.ResumeTiming();
        const kvapomer::LoadResult result = kvapomer::loadConfiguration(path);
        if (result.status != kvapomer::LoadStatus::Loaded) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(result.config.timetable.Times.size());
    }
    state.SetComplexityN(count);
}

} // namespace

BENCHMARK(BM_LoadData)
    ->Arg(1440)
    ->Arg(8192)
    ->Arg(32767)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
