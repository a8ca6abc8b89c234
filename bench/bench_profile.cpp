// Reading and saving a line with the largest timetable the program allows.

#include "config/config_store.h"
#include "config/profile_document.h"

#include <benchmark/benchmark.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <vector>

namespace {

using namespace kvapomer;

constexpr int kMaxTimes = 32767;

QString timeText(int i) {
    const int minutes = i % 1440;
    return QStringLiteral("%1:%2")
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QByteArray fileWithTimes(int count) {
    QByteArray file = "[Main]\r\nBus=150\r\nAlertON=ON\r\nRedAlertMin=5\r\nBlinkAlert=30\r\n"
                      "BlinkAlertM=1\r\nAlertWav=alert.wav\r\n[Set]\r\nStav=0\r\n"
                      "[150]\r\nDescription=(smer Kacerov)\r\n";
    for (int i = 0; i < count; ++i) {
        file += "t" + QByteArray::number(i) + "=" + timeText(i).toLatin1() + "\r\n";
    }
    file += "NumberOfTimes=" + QByteArray::number(count) + "\r\n";
    return file;
}

// A load of the largest line: one read per time, all of one unchanged file.
void BM_ReadEveryTime(benchmark::State& state) {
    QTemporaryDir folder;
    const QString path = ConfigFilePath(folder.path());
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(fileWithTimes(kMaxTimes));
    }
    std::vector<QString> keys;
    keys.reserve(kMaxTimes);
    for (int i = 0; i < kMaxTimes; ++i) {
        keys.push_back(QStringLiteral("t%1").arg(i));
    }
    const QString section = QStringLiteral("150");
    const QString fallback;
    for (auto _ : state) {
        for (const QString& key : keys) {
            benchmark::DoNotOptimize(ReadIniValue(path, section, key, fallback));
        }
    }
    state.SetItemsProcessed(state.iterations() * kMaxTimes);
    state.counters["per_read"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kMaxTimes),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadEveryTime)->Unit(benchmark::kMillisecond);

// The edits of a save of one line, applied to the document in memory, as
// the settings window does it inside one update of the file.
void BM_SaveEdits(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const QByteArray before = fileWithTimes(count);
    std::vector<QString> keys;
    std::vector<QString> times;
    for (int i = 0; i < count; ++i) {
        keys.push_back(QStringLiteral("t%1").arg(i));
        times.push_back(timeText(count - 1 - i));
    }
    const QString line = QStringLiteral("150");
    const QString main = QStringLiteral("Main");
    for (auto _ : state) {
        ProfileDocument document(before);
        document.removeSection(line);
        document.setValue(line, QStringLiteral("Description"), QStringLiteral("(směr Kačerov)"));
        document.setValue(main, QStringLiteral("Bus"), line);
        for (int i = 0; i < count; ++i) {
            document.setValue(line, keys[i], times[i]);
        }
        document.setValue(line, QStringLiteral("NumberOfTimes"), QString::number(count));
        document.setValue(main, QStringLiteral("AlertON"), QStringLiteral("OFF"));
        document.setValue(main, QStringLiteral("RedAlertMin"), QStringLiteral("4"));
        document.setValue(main, QStringLiteral("BlinkAlert"), QStringLiteral("15"));
        document.setValue(main, QStringLiteral("BlinkAlertM"), QStringLiteral("2"));
        benchmark::DoNotOptimize(document.bytes());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SaveEdits)->Arg(1440)->Arg(kMaxTimes)->Unit(benchmark::kMillisecond);

// The part of every update (and of a read of a changed file) that parses it.
void BM_Parse(benchmark::State& state) {
    const QByteArray bytes = fileWithTimes(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ProfileDocument document(bytes);
        benchmark::DoNotOptimize(document);
    }
}
BENCHMARK(BM_Parse)->Arg(1440)->Arg(kMaxTimes)->Unit(benchmark::kMillisecond);

} // namespace
