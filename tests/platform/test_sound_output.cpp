// QtSoundOutput without listening: nothing is created before the first sound,
// and files it cannot play, or a missing sound server, leave it quiet.

#include "platform/qt_platform.h"
#include "platform/wave_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

#include <utility>
#include <vector>

namespace kvapomer {
namespace {

// A guard against hanging only; play() is expected to come back at once.
constexpr qint64 kHangLimitMs = 10'000;

QString alarmWave() {
    return QStringLiteral(KVAPOMER_SOURCE_DIR "/resources/alarm.wav");
}

// Calls play() and reports how long it took.
qint64 timedPlay(QtSoundOutput& sound, const QString& path) {
    QElapsedTimer timer;
    timer.start();
    sound.play(path);
    return timer.elapsed();
}

TEST(QtSoundOutput, ConstructionCreatesNoSoundObject) {
    QtSoundOutput sound;
    EXPECT_FALSE(sound.hasEffect());
    QTest::qWait(50);
    EXPECT_FALSE(sound.hasEffect());
}

TEST(QtSoundOutput, MissingFileIsIgnored) {
    test::TempFolder folder;
    QtSoundOutput sound;
    EXPECT_LT(timedPlay(sound, folder.file(QStringLiteral("no-such.wav"))), kHangLimitMs);
    EXPECT_FALSE(sound.hasEffect());
    QTest::qWait(100);
}

TEST(QtSoundOutput, EmptyPathIsIgnored) {
    QtSoundOutput sound;
    EXPECT_LT(timedPlay(sound, QString()), kHangLimitMs);
    EXPECT_FALSE(sound.hasEffect());
}

TEST(QtSoundOutput, FolderIsIgnored) {
    test::TempFolder folder;
    QDir(folder.path()).mkdir(QStringLiteral("sound.wav"));
    QtSoundOutput sound;
    EXPECT_LT(timedPlay(sound, folder.path()), kHangLimitMs);
    EXPECT_LT(timedPlay(sound, folder.file(QStringLiteral("sound.wav"))), kHangLimitMs);
    EXPECT_FALSE(sound.hasEffect());
}

TEST(QtSoundOutput, FileThatIsNoWaveStaysSilent) {
    test::TempFolder folder;
    folder.write(QStringLiteral("text.wav"), "This is not a wave file at all.\r\n");
    folder.write(QStringLiteral("empty.wav"), QByteArray());
    // A header that promises far more data than follows.
    folder.write(QStringLiteral("cut.wav"),
                 QByteArray("RIFF\xff\xff\x00\x00WAVEfmt ", 16) + QByteArray(6, '\x01'));
    // A real wave cut off halfway: Qt would wait for the rest for ever and
    // then hang on letting the sound go.
    QFile alarm(alarmWave());
    ASSERT_TRUE(alarm.open(QIODevice::ReadOnly));
    const QByteArray whole = alarm.readAll();
    folder.write(QStringLiteral("half.wav"), whole.left(whole.size() / 2));
    QtSoundOutput sound;
    for (const char* name : {"text.wav", "empty.wav", "cut.wav", "half.wav", "text.wav"}) {
        EXPECT_LT(timedPlay(sound, folder.file(QString::fromLatin1(name))), kHangLimitMs) << name;
        QTest::qWait(200);
    }
    // Asking again for a file that failed before is just as harmless, and so
    // is switching to a good file afterwards.
    EXPECT_LT(timedPlay(sound, folder.file(QStringLiteral("half.wav"))), kHangLimitMs);
    QTest::qWait(200);
    EXPECT_LT(timedPlay(sound, alarmWave()), kHangLimitMs);
    QTest::qWait(200);
    EXPECT_LT(timedPlay(sound, folder.file(QStringLiteral("half.wav"))), kHangLimitMs);
    QTest::qWait(200);
}

TEST(QtSoundOutput, UnreadableFileStaysSilent) {
    test::TempFolder folder;
    folder.write(QStringLiteral("locked.wav"), "RIFF");
    QFile::setPermissions(folder.file(QStringLiteral("locked.wav")), QFileDevice::Permissions());
    QtSoundOutput sound;
    // Root may read it all the same; then it is simply no wave.
    EXPECT_LT(timedPlay(sound, folder.file(QStringLiteral("locked.wav"))), kHangLimitMs);
    QTest::qWait(200);
}

TEST(QtSoundOutput, SoundStillPlayingAtDestructionIsCutOff) {
    QtSoundOutput sound;
    EXPECT_LT(timedPlay(sound, alarmWave()), kHangLimitMs);
    EXPECT_TRUE(sound.hasEffect());
    QTest::qWait(300);
}

// A wave file made of `chunks` (id and body each), with the pad byte after
// every odd-sized body unless `padded` is false, and the RIFF size to match.
QByteArray riffWave(const std::vector<std::pair<QByteArray, QByteArray>>& chunks,
                    bool padded = true) {
    QByteArray body = "WAVE";
    for (const auto& [id, bytes] : chunks) {
        char length[4];
        qToLittleEndian<quint32>(static_cast<quint32>(bytes.size()), length);
        body += id + QByteArray(length, 4) + bytes;
        if (padded && bytes.size() % 2 != 0) {
            body += '\0';
        }
    }
    char size[4];
    qToLittleEndian<quint32>(static_cast<quint32>(body.size()), size);
    return "RIFF" + QByteArray(size, 4) + body;
}

TEST(WaveFilter, AcceptsWellFormedFilesAndRefusesCutOnes) {
    // PCM, mono, 22 050 Hz, 16 bits.
    const QByteArray fmt = QByteArray::fromHex("010001002256000044ac000002001000");
    const QByteArray samples(200, '\x10');
    const QByteArray oddInfo("INFOIART\x03\0\0\0Me\0", 15); // odd-sized
    const QByteArray plain = riffWave({{"fmt ", fmt}, {"data", samples}});
    const QByteArray oddChunk = riffWave({{"fmt ", fmt}, {"LIST", oddInfo}, {"data", samples}});
    const QByteArray odd = samples.left(199);
    struct Case {
        const char* name;
        QByteArray bytes;
        bool complete;
    };
    // clang-format off
    const Case cases[] = {
        {"plain",                            plain,                           true},
        {"odd chunk with its pad byte",      oddChunk,                        true},
        {"odd data chunk with its pad byte", riffWave({{"fmt ", fmt}, {"data", odd}}), true},
        {"odd data chunk, sized without pad", riffWave({{"fmt ", fmt}, {"data", odd}}, false), true},
        {"odd data chunk, pad byte missing", riffWave({{"fmt ", fmt}, {"data", odd}}).chopped(1), false},
        {"odd chunk without pad byte",       riffWave({{"fmt ", fmt}, {"LIST", oddInfo}, {"data", samples}}, false), false},
        {"data cut short",                   plain.chopped(1),                false},
        {"cut inside the odd chunk",         oddChunk.left(50),               false},
        {"no data chunk",                    riffWave({{"fmt ", fmt}, {"LIST", oddInfo}}), false},
        {"data before format",               riffWave({{"data", samples}, {"fmt ", fmt}}), false},
    };
    // clang-format on
    test::TempFolder folder;
    for (const Case& c : cases) {
        folder.write(QStringLiteral("sound.wav"), c.bytes);
        EXPECT_EQ(isCompleteWave(folder.file(QStringLiteral("sound.wav"))), c.complete) << c.name;
    }
}

// Run in a child process pointed at a sound server that does not exist, so that
// the outcome does not depend on whether the machine has one.
constexpr char kNoServerChild[] = "KVAPOMER_SOUND_CHILD_WITHOUT_SERVER";

TEST(QtSoundOutput, NoSoundServerIsSilentAndHarmless) {
    if (qEnvironmentVariableIsSet(kNoServerChild)) {
        QtSoundOutput sound;
        sound.play(alarmWave());
        QTest::qWait(1000);
        sound.play(alarmWave());
        QTest::qWait(500);
        return;
    }
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kNoServerChild), QStringLiteral("1"));
    env.insert(QStringLiteral("PULSE_SERVER"),
               QStringLiteral("unix:") + runtime.filePath(QStringLiteral("no-server")));
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), runtime.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=QtSoundOutput.NoSoundServerIsSilentAndHarmless")});
    ASSERT_TRUE(child.waitForStarted(kHangLimitMs));
    const bool finished = child.waitForFinished(60'000);
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (!finished) {
        child.kill();
        child.waitForFinished();
    }
    ASSERT_TRUE(finished) << "the child hung:\n" << output.toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

} // namespace
} // namespace kvapomer
