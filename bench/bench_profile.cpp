// Reading and saving a line with the largest timetable the program allows, and
// a file of 100 000 lines: time and the peak memory they add.

#include "config/config_file.h"
#include "config/loader.h"
#include "profile/profile_document.h"
#include "config/settings_save.h"

#include <benchmark/benchmark.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstring>
#include <functional>
#include <malloc.h>
#include <vector>

namespace {

using namespace kvapomer;

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

// Memory: the peak resident size that `work` adds to the process, in MB.
double peakMegabytesOf(const std::function<void()>& work) {
    const auto statusField = [](const char* field) {
        QFile status(QStringLiteral("/proc/self/status"));
        status.open(QIODevice::ReadOnly);
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith(field)) {
                return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ')[0].toDouble();
            }
        }
        return 0.0;
    };
    ::malloc_trim(0); // memory freed before does not count as resident
    {
        // Restarts the peak at the present size.
        QFile reset(QStringLiteral("/proc/self/clear_refs"));
        reset.open(QIODevice::WriteOnly);
        reset.write("5");
    }
    const double before = statusField("VmRSS:");
    work();
    return (statusField("VmHWM:") - before) / 1024.0;
}

// About 10 MB: 100 000 line sections of six times each, the active one in
// the middle.
QByteArray largeFile() {
    QByteArray file = "[Main]\r\nBus=L50000\r\nAlertON=ON\r\nRedAlertMin=5\r\nBlinkAlert=30\r\n"
                      "BlinkAlertM=1\r\nAlertWav=alert.wav\r\n[Set]\r\nStav=0\r\n";
    file.reserve(12 * 1024 * 1024);
    const QByteArray note = QStringLiteral("Description=(směr Kačerov) přes Háje\r\n").toUtf8();
    for (int s = 0; s < 100000; ++s) {
        file += "[L" + QByteArray::number(s) + "]\r\n" + note;
        for (int i = 0; i < 6; ++i) {
            file += "t" + QByteArray::number(i) + "=" + timeText(s + i * 97).toLatin1() + "\r\n";
        }
        file += "NumberOfTimes=6\r\n";
    }
    return file;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

void BM_LoadLargeFile(benchmark::State& state) {
    QTemporaryDir folder;
    const QString path = ConfigFilePath(folder.path());
    const QByteArray bytes = largeFile();
    writeFile(path, bytes);
    state.counters["file_MB"] = double(bytes.size()) / (1024 * 1024);
    state.counters["peak_MB"] = peakMegabytesOf([&] {
        const LoadResult result = loadConfiguration(path);
        if (result.status != LoadStatus::Loaded) {
            state.SkipWithError("load failed");
        }
    });
    for (auto _ : state) {
        benchmark::DoNotOptimize(loadConfiguration(path));
    }
}
BENCHMARK(BM_LoadLargeFile)->Unit(benchmark::kMillisecond);

void BM_SaveLargeFile(benchmark::State& state) {
    QTemporaryDir folder;
    const QString path = ConfigFilePath(folder.path());
    writeFile(path, largeFile());
    SettingsInput input;
    input.line = QStringLiteral("L50000");
    input.note = QStringLiteral("(směr Kačerov)");
    input.times = QStringList{"05:00", "06:00", "07:00"};
    input.alertOn = true;
    input.redAlertMin = QStringLiteral("5");
    state.counters["peak_MB"] = peakMegabytesOf([&] {
        if (!saveSettings(path, input)) {
            state.SkipWithError("save failed");
        }
    });
    int round = 0;
    for (auto _ : state) {
        input.times[0] = timeText(++round); // every save changes the file
        benchmark::DoNotOptimize(saveSettings(path, input));
    }
}
BENCHMARK(BM_SaveLargeFile)->Unit(benchmark::kMillisecond);

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
BENCHMARK(BM_SaveEdits)->Arg(1440)->Arg(keys::kMaxTimes)->Unit(benchmark::kMillisecond);

// The part of every update (and of a read of a changed file) that parses it.
void BM_Parse(benchmark::State& state) {
    const QByteArray bytes = fileWithTimes(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ProfileDocument document(bytes);
        benchmark::DoNotOptimize(document);
    }
}
BENCHMARK(BM_Parse)->Arg(1440)->Arg(keys::kMaxTimes)->Unit(benchmark::kMillisecond);

} // namespace
