// QtSoundOutput heard for real: the program's alarm is played into a PulseAudio
// null sink while the sink's monitor is recorded, and the recording is cut into
// bursts of sound. Each play() must give exactly one burst.
//
// Needs a PulseAudio server with a null sink as its default sink; scripts/test
// starts a private one and names the sink in KVAPOMER_TEST_PULSE_SINK.

#include "platform/qt_platform.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QByteArray>
#include <QDataStream>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iostream>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace kvapomer {
namespace {

constexpr int kRate = 22050;
constexpr int kWindow = kRate / 50; // 20 ms of samples
constexpr int kWindowMs = 20;
// Loudness (RMS of 16-bit samples) above which a window counts as sound; a
// null sink's monitor is exactly zero when nothing plays.
constexpr double kSoundRms = 200.0;
// The alarm has a short dip between its two strikes; quieter stretches
// shorter than this belong to the same burst.
constexpr int kMergeGapMs = 300;
// Upper bound on every wait, so that a broken setup fails instead of hanging.
constexpr int kWaitLimitMs = 20'000;

QString alarmWave() {
    return QStringLiteral(KVAPOMER_SOURCE_DIR "/resources/alarm.wav");
}

struct Burst {
    int startMs = 0;
    int endMs = 0;
    double peakRms = 0;
    double energy = 0; // sum of squared samples, in full-scale units
    int durationMs() const { return endMs - startMs; }
};

std::string describe(const std::vector<Burst>& bursts) {
    std::string text;
    for (const Burst& b : bursts) {
        text += "[" + std::to_string(b.startMs) + ".." + std::to_string(b.endMs) +
                " ms, peak RMS " + std::to_string(static_cast<int>(b.peakRms)) + ", energy " +
                std::to_string(b.energy) + "] ";
    }
    return text.empty() ? std::string("no bursts") : text;
}

// Records the null sink's monitor with parec as it plays, 16-bit mono.
class MonitorRecording {
public:
    explicit MonitorRecording(const QString& sink) {
        parec_.setProcessChannelMode(QProcess::SeparateChannels);
        parec_.start(QStandardPaths::findExecutable(QStringLiteral("parec")),
                     {QStringLiteral("--device=") + sink + QStringLiteral(".monitor"),
                      QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(kRate),
                      QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20"),
                      QStringLiteral("--client-name=kvapomer-test")});
        parec_.waitForStarted(kWaitLimitMs);
    }
    ~MonitorRecording() {
        if (parec_.state() != QProcess::NotRunning) {
            parec_.terminate();
            if (!parec_.waitForFinished(5000)) {
                parec_.kill();
                parec_.waitForFinished(5000);
            }
        }
    }

    bool running() const { return parec_.state() == QProcess::Running; }
    QString errors() { return QString::fromLocal8Bit(parec_.readAllStandardError()); }

    // Takes in what parec has written so far.
    void collect() {
        pending_ += parec_.readAllStandardOutput();
        const qsizetype whole = pending_.size() / 2 * 2;
        for (qsizetype i = 0; i < whole; i += 2) {
            const auto lo = static_cast<std::uint8_t>(pending_[i]);
            const auto hi = static_cast<std::uint8_t>(pending_[i + 1]);
            samples_.push_back(static_cast<std::int16_t>(lo | (hi << 8)));
        }
        pending_.remove(0, whole);
    }

    int recordedMs() const { return static_cast<int>(samples_.size() * 1000 / kRate); }

    std::vector<Burst> bursts() const {
        std::vector<Burst> found;
        bool inBurst = false;
        int lastLoudEnd = 0;
        for (std::size_t w = 0; (w + 1) * kWindow <= samples_.size(); ++w) {
            double sum = 0;
            for (std::size_t i = w * kWindow; i < (w + 1) * kWindow; ++i) {
                sum += static_cast<double>(samples_[i]) * samples_[i];
            }
            const double rms = std::sqrt(sum / kWindow);
            const int startMs = static_cast<int>(w) * kWindowMs;
            if (rms < kSoundRms) {
                if (inBurst && startMs - lastLoudEnd >= kMergeGapMs) {
                    inBurst = false;
                }
                continue;
            }
            if (!inBurst) {
                found.push_back({startMs, startMs, 0, 0});
                inBurst = true;
            }
            Burst& b = found.back();
            lastLoudEnd = startMs + kWindowMs;
            b.endMs = lastLoudEnd;
            b.peakRms = std::max(b.peakRms, rms);
            b.energy += sum / (32768.0 * 32768.0);
        }
        return found;
    }

    // Milliseconds of recording after the last loud window (all of it if none).
    int quietForMs() const {
        const auto found = bursts();
        return recordedMs() - (found.empty() ? 0 : found.back().endMs);
    }

    // Keeps recording until `done` holds; false when the wait limit passed first.
    bool waitUntil(const std::function<bool()>& done) {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            collect();
            if (done()) {
                return true;
            }
            if (timer.elapsed() > kWaitLimitMs || !running()) {
                return false;
            }
            QTest::qWait(20);
        }
    }

    // Waits until `count` bursts were heard and the last one has died away
    // for `quietMs` (longer than the alarm's inner dip).
    bool waitForBurstsToEnd(std::size_t count, int quietMs = 1000) {
        return waitUntil([&] { return bursts().size() >= count && quietForMs() >= quietMs; });
    }

private:
    QProcess parec_;
    QByteArray pending_;
    std::vector<std::int16_t> samples_;
};

// A plain 16-bit mono wave: a tone of `toneMs` and then a short silence, as the
// alarm has, so that the output's cut tail costs nothing audible.
QByteArray toneWave(int hz, int toneMs, int silenceMs) {
    const int toneSamples = kRate * toneMs / 1000;
    const int total = toneSamples + kRate * silenceMs / 1000;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const auto tag = [&](const char* four) { out.writeRawData(four, 4); };
    tag("RIFF");
    out << static_cast<quint32>(36 + total * 2);
    tag("WAVE");
    tag("fmt ");
    out << quint32(16) << quint16(1) << quint16(1) << quint32(kRate) << quint32(kRate * 2)
        << quint16(2) << quint16(16);
    tag("data");
    out << static_cast<quint32>(total * 2);
    for (int i = 0; i < total; ++i) {
        const double v = i < toneSamples ? std::sin(2 * std::numbers::pi * hz * i / kRate) : 0.0;
        out << static_cast<qint16>(std::lround(v * 12000));
    }
    return bytes;
}

class SoundPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        sink_ = qEnvironmentVariable("KVAPOMER_TEST_PULSE_SINK");
        if (sink_.isEmpty()) {
            GTEST_SKIP() << "no PulseAudio null sink to listen to: KVAPOMER_TEST_PULSE_SINK is "
                            "not set (scripts/test starts a private server and sets it)";
        }
        if (QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty()) {
            GTEST_SKIP() << "parec (Debian package pulseaudio-utils) is not installed";
        }
        recording_ = std::make_unique<MonitorRecording>(sink_);
        ASSERT_TRUE(recording_->waitUntil([&] { return recording_->recordedMs() >= 300; }))
            << "parec delivered no sound from " << sink_.toStdString()
            << ".monitor: " << recording_->errors().toStdString();
        ASSERT_TRUE(recording_->bursts().empty())
            << "the sink was not silent before the test: " << describe(recording_->bursts());
    }

    QString sink_;
    std::unique_ptr<MonitorRecording> recording_;
};

TEST_F(SoundPlayback, OneCallIsHeardOnce) {
    QtSoundOutput sound;
    sound.play(alarmWave());
    ASSERT_TRUE(recording_->waitForBurstsToEnd(1, 1500)) << describe(recording_->bursts());
    const auto bursts = recording_->bursts();
    ASSERT_EQ(bursts.size(), 1u) << describe(bursts);
    // The alarm sounds for a little under a second.
    EXPECT_GE(bursts[0].durationMs(), 600) << describe(bursts);
    EXPECT_LE(bursts[0].durationMs(), 1400) << describe(bursts);
    std::cout << "one call: " << describe(bursts) << '\n';
}

TEST_F(SoundPlayback, TwoCallsAreHeardTwice) {
    QtSoundOutput sound;
    sound.play(alarmWave());
    ASSERT_TRUE(recording_->waitForBurstsToEnd(1)) << describe(recording_->bursts());
    sound.play(alarmWave());
    ASSERT_TRUE(recording_->waitForBurstsToEnd(2, 1500)) << describe(recording_->bursts());
    const auto bursts = recording_->bursts();
    ASSERT_EQ(bursts.size(), 2u) << describe(bursts);
    for (const Burst& b : bursts) {
        EXPECT_GE(b.durationMs(), 600) << describe(bursts);
        EXPECT_LE(b.durationMs(), 1400) << describe(bursts);
    }
    // Both times the whole alarm: the same amount of sound, give or take.
    EXPECT_NEAR(bursts[1].energy / bursts[0].energy, 1.0, 0.3) << describe(bursts);
    std::cout << "two calls: " << describe(bursts) << '\n';
}

TEST_F(SoundPlayback, CallWhilePlayingStartsOver) {
    QtSoundOutput sound;
    sound.play(alarmWave());
    ASSERT_TRUE(recording_->waitUntil([&] { return !recording_->bursts().empty(); }))
        << "the first call was never heard";
    const int heardAt = recording_->recordedMs();
    recording_->waitUntil([&] { return recording_->recordedMs() >= heardAt + 400; });
    sound.play(alarmWave());
    ASSERT_TRUE(recording_->waitForBurstsToEnd(1, 1500)) << describe(recording_->bursts());
    const auto bursts = recording_->bursts();
    // One unbroken sound, longer than the alarm itself: it was cut short and
    // begun again, neither ignored nor played twice over.
    ASSERT_EQ(bursts.size(), 1u) << describe(bursts);
    EXPECT_GE(bursts[0].durationMs(), 1200) << describe(bursts);
    EXPECT_LE(bursts[0].durationMs(), 3000) << describe(bursts);
    std::cout << "restart: " << describe(bursts) << '\n';
}

TEST_F(SoundPlayback, AnotherFileIsLoadedAndPlayedOnce) {
    test::TempFolder folder;
    folder.write(QStringLiteral("tone.wav"), toneWave(880, 400, 250));
    QtSoundOutput sound;
    sound.play(alarmWave());
    ASSERT_TRUE(recording_->waitForBurstsToEnd(1)) << describe(recording_->bursts());
    sound.play(folder.file(QStringLiteral("tone.wav")));
    ASSERT_TRUE(recording_->waitForBurstsToEnd(2)) << describe(recording_->bursts());
    sound.play(alarmWave());
    ASSERT_TRUE(recording_->waitForBurstsToEnd(3, 1500)) << describe(recording_->bursts());
    const auto bursts = recording_->bursts();
    ASSERT_EQ(bursts.size(), 3u) << describe(bursts);
    EXPECT_GE(bursts[0].durationMs(), 600) << describe(bursts);
    EXPECT_LT(bursts[1].durationMs(), 600) << describe(bursts); // the shorter tone
    EXPECT_GE(bursts[1].durationMs(), 200) << describe(bursts);
    EXPECT_GE(bursts[2].durationMs(), 600) << describe(bursts);
    std::cout << "two files: " << describe(bursts) << '\n';
}

TEST_F(SoundPlayback, FailedFileDoesNotSilenceTheNextOne) {
    test::TempFolder folder;
    folder.write(QStringLiteral("broken.wav"), "RIFF....WAVE but nothing more");
    QtSoundOutput sound;
    sound.play(folder.file(QStringLiteral("broken.wav")));
    recording_->waitUntil([&] { return recording_->recordedMs() >= 1000; });
    EXPECT_TRUE(recording_->bursts().empty()) << describe(recording_->bursts());
    sound.play(alarmWave());
    ASSERT_TRUE(recording_->waitForBurstsToEnd(1, 1500)) << describe(recording_->bursts());
    const auto bursts = recording_->bursts();
    ASSERT_EQ(bursts.size(), 1u) << describe(bursts);
    EXPECT_GE(bursts[0].durationMs(), 600) << describe(bursts);
}

TEST_F(SoundPlayback, OddSizedChunkBeforeTheSoundIsHeard) {
    // A LIST chunk of odd size with its pad byte, as editors write their tags.
    QByteArray wave = toneWave(660, 400, 250);
    const QByteArray list("LIST\x0f\0\0\0INFOIART\x03\0\0\0Me\0\0", 24);
    wave.insert(36, list);
    qToLittleEndian<quint32>(static_cast<quint32>(wave.size() - 8), wave.data() + 4);
    test::TempFolder folder;
    folder.write(QStringLiteral("tagged.wav"), wave);
    QtSoundOutput sound;
    sound.play(folder.file(QStringLiteral("tagged.wav")));
    ASSERT_TRUE(recording_->waitForBurstsToEnd(1)) << describe(recording_->bursts());
    const auto bursts = recording_->bursts();
    ASSERT_EQ(bursts.size(), 1u) << describe(bursts);
    EXPECT_GE(bursts[0].durationMs(), 200) << describe(bursts);
}

TEST_F(SoundPlayback, FinishedSoundIsLetGoAndPlaysAgain) {
    QtSoundOutput sound;
    sound.play(alarmWave());
    ASSERT_TRUE(recording_->waitForBurstsToEnd(1)) << describe(recording_->bursts());
    ASSERT_TRUE(recording_->waitUntil([&] { return !sound.hasEffect(); }))
        << "the sound object was kept after the sound had ended";
    sound.play(alarmWave());
    ASSERT_TRUE(recording_->waitForBurstsToEnd(2, 1500)) << describe(recording_->bursts());
    const auto bursts = recording_->bursts();
    ASSERT_EQ(bursts.size(), 2u) << describe(bursts);
    EXPECT_NEAR(bursts[1].energy / bursts[0].energy, 1.0, 0.3) << describe(bursts);
}

} // namespace
} // namespace kvapomer
