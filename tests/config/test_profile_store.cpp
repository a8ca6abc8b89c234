// The configuration file on disk: reads through the cache, atomic and
// serialised updates, failures, and the three operations built on them.

#include "config/config_store.h"
#include "config/profile_store.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvapomer {
namespace {

using test::cp1250;
using test::TempFolder;

const QString kIni = QString::fromLatin1(kConfigFileName);
const QString kLock = kIni + ".lock";

struct stat statOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

// Fails updates at one stage for as long as it lives.
class FaultAt {
public:
    explicit FaultAt(testing::UpdateStage failing) {
        testing::setFaultHook([this, failing](testing::UpdateStage stage) {
            seen.push_back(stage);
            return stage != failing;
        });
    }
    ~FaultAt() { testing::setFaultHook(nullptr); }
    std::vector<testing::UpdateStage> seen;
};

// ---------------------------------------------------------------------------
// ReadIniValue

class ReadIniValueTest : public ::testing::Test {
protected:
    TempFolder folder;
    QString path = folder.file(kIni);
};

TEST_F(ReadIniValueTest, AbsentFileSectionOrKeyReadsUnknownValue) {
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "unknown value");
    folder.write(kIni, "[Main]\r\nBus=150\r\n");
    EXPECT_EQ(ReadIniValue(path, "Set", "Stav", ""), "unknown value");
    EXPECT_EQ(ReadIniValue(path, "Main", "Stav", ""), "unknown value");
}

TEST_F(ReadIniValueTest, EmptyValueReadsTheFallback) {
    folder.write(kIni, "[150]\r\nDescription=\r\nQuoted=\"\"\r\nBlank=  \r\n");
    EXPECT_EQ(ReadIniValue(path, "150", "Description", ""), "");
    EXPECT_EQ(ReadIniValue(path, "150", "Description", "fallback"), "fallback");
    EXPECT_EQ(ReadIniValue(path, "150", "Quoted", "fallback"), "fallback");
    EXPECT_EQ(ReadIniValue(path, "150", "Blank", "fallback"), "fallback");
}

TEST_F(ReadIniValueTest, NamesIgnoreCase) {
    folder.write(kIni, "[150]\r\nDescription=note\r\n");
    EXPECT_EQ(ReadIniValue(path, "150", "description", ""), "note");
}

TEST_F(ReadIniValueTest, MissingFileWrittenWithEmptyValueThenReadsEmpty) {
    EXPECT_EQ(ReadIniValue(path, "150", "Description", ""), "unknown value");
    ASSERT_TRUE(WriteIniValue(path, "150", "Description", ""));
    EXPECT_EQ(ReadIniValue(path, "150", "Description", ""), "");
}

struct LengthCase {
    int length;
    int expected;
};

class ReadLengthLimit : public ::testing::TestWithParam<LengthCase> {};

TEST_P(ReadLengthLimit, ReturnsAtMost699Characters) {
    TempFolder folder;
    // Czech letters too: the limit counts bytes of the file, one per letter.
    const QString pattern = QString::fromUtf8("ačřž9");
    QString value;
    while (value.size() < GetParam().length) {
        value += pattern;
    }
    value.truncate(GetParam().length);
    folder.write(kIni, "[S]\r\nk=" + cp1250(value) + "\r\n");
    const QString read = ReadIniValue(folder.file(kIni), "S", "k", "");
    EXPECT_EQ(read.size(), GetParam().expected);
    EXPECT_EQ(read, value.left(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(ReadIniValue, ReadLengthLimit,
                         ::testing::Values(LengthCase{1, 1}, LengthCase{698, 698},
                                           LengthCase{699, 699}, LengthCase{700, 699},
                                           LengthCase{701, 699}, LengthCase{5000, 699}));

// ---------------------------------------------------------------------------
// The read cache never hides a change on disk

class ReadCacheTest : public ReadIniValueTest {};

TEST_F(ReadCacheTest, SeesAnOutsideChangeOfOtherSize) {
    folder.write(kIni, "[Main]\r\nBus=150\r\n");
    ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), "150");
    folder.write(kIni, "[Main]\r\nBus=1360\r\n");
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "1360");
}

TEST_F(ReadCacheTest, SeesAnImmediateSameSizeChangeInPlace) {
    // Written in place (same inode) straight after the read, so that the
    // file times may not move at all.
    for (int round = 0; round < 20; ++round) {
        const QByteArray a = "[Main]\r\nBus=" + QByteArray::number(100 + round) + "\r\n";
        const QByteArray b = "[Main]\r\nBus=" + QByteArray::number(200 + round) + "\r\n";
        folder.write(kIni, a);
        ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), QString::number(100 + round));
        const ino_t inode = statOf(path).st_ino;
        folder.write(kIni, b);
        ASSERT_EQ(statOf(path).st_ino, inode);
        ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), QString::number(200 + round))
            << "round " << round;
    }
}

TEST_F(ReadCacheTest, SeesASameSizeChangeAfterTheFileSettled) {
    folder.write(kIni, "[Main]\r\nBus=150\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), "150");
    ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), "150");
    folder.write(kIni, "[Main]\r\nBus=136\r\n");
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "136");
}

TEST_F(ReadCacheTest, SeesAFileReplacedByRenameAndARemovedFile) {
    folder.write(kIni, "[Main]\r\nBus=150\r\n");
    ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), "150");
    folder.write("other.ini", "[Main]\r\nBus=136\r\n");
    ASSERT_EQ(::rename(QFile::encodeName(folder.file("other.ini")).constData(),
                       QFile::encodeName(path).constData()),
              0);
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "136");
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "unknown value");
}

TEST_F(ReadCacheTest, SeesItsOwnWritesAndOutsideWritesAfterThem) {
    ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", "150"));
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "150");
    folder.write(kIni, "[Main]\r\nBus=999\r\n");
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "999");
    ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", "151"));
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "151");
}

TEST_F(ReadCacheTest, ManyReadsOfAnUnchangedFileDoNotParseEachTime) {
    const int count = 32767;
    QByteArray file = "[Main]\r\nBus=150\r\n[150]\r\n";
    for (int i = 0; i < count; ++i) {
        file += "t" + QByteArray::number(i) + "=" + QByteArray::number(i % 1440) + "\r\n";
    }
    folder.write(kIni, file);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(ReadIniValue(path, "150", QStringLiteral("t%1").arg(i), ""),
                  QString::number(i % 1440));
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // A parse of this file per read would take minutes; generous for
    // sanitizer builds and busy machines.
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

// Overwrites the start of the file in place, as another program would,
// from a child process; returns once the child has finished.
void writeInPlaceFromChild(const QString& path, const QByteArray& bytes) {
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
        const bool ok = fd >= 0 && ::pwrite(fd, bytes.constData(),
                                            static_cast<size_t>(bytes.size()), 0) == bytes.size();
        ::_exit(ok && ::close(fd) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(ReadCacheTest, SeesASameSizeChangeByAnotherProcessAtOnce) {
    folder.write(kIni, "[Main]\r\nBus=100\r\n");
    const ino_t inode = statOf(path).st_ino;
    for (int round = 0; round < 50; ++round) {
        const QString bus = QString::number(100 + round);
        ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), bus);
        ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), bus); // from the cache
        const QString next = QString::number(101 + round);
        writeInPlaceFromChild(path, "[Main]\r\nBus=" + next.toLatin1() + "\r\n");
        ASSERT_EQ(statOf(path).st_ino, inode);
        ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), next) << "round " << round;
    }
}

TEST_F(ReadCacheTest, SeesEveryQuickReplacementByRename) {
    const QString other = folder.file("other.ini");
    for (int round = 0; round < 50; ++round) {
        const QByteArray bus = QByteArray::number(100 + round);
        folder.write("other.ini", "[Main]\r\nBus=" + bus + "\r\n");
        ASSERT_EQ(
            ::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
        ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), QString::fromLatin1(bus))
            << "round " << round;
        ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), QString::fromLatin1(bus));
    }
}

TEST_F(ReadCacheTest, SeesTheFileRemovedAndCreatedAgain) {
    folder.write(kIni, "[Main]\r\nBus=150\r\n");
    ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), "150");
    ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), "150");
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "unknown value");
    folder.write(kIni, "[Main]\r\nBus=151\r\n");
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "151");
}

TEST_F(ReadCacheTest, SeesTheFolderRenamedAway) {
    TempFolder outer;
    const QString inner = outer.file("app");
    ASSERT_TRUE(QDir().mkdir(inner));
    const QString file = inner + "/" + kIni;
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Main]\r\nBus=150\r\n");
    }
    ASSERT_EQ(ReadIniValue(file, "Main", "Bus", ""), "150");
    ASSERT_TRUE(QDir().rename(inner, outer.file("old")));
    EXPECT_EQ(ReadIniValue(file, "Main", "Bus", ""), "unknown value");
    ASSERT_TRUE(QDir().mkdir(inner));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Main]\r\nBus=151\r\n");
    }
    EXPECT_EQ(ReadIniValue(file, "Main", "Bus", ""), "151");
}

TEST_F(ReadCacheTest, SeesAChangeThroughASymbolicLink) {
    TempFolder elsewhere;
    elsewhere.write("real.ini", "[Main]\r\nBus=150\r\n");
    ASSERT_TRUE(QFile::link(elsewhere.file("real.ini"), path));
    ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), "150");
    writeInPlaceFromChild(elsewhere.file("real.ini"), "[Main]\r\nBus=151\r\n");
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "151");
}

TEST_F(ReadCacheTest, ForkedChildDoesNotTakeTheParentsNotice) {
    folder.write(kIni, "[Main]\r\nBus=150\r\n");
    ASSERT_EQ(ReadIniValue(path, "Main", "Bus", ""), "150");
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        // Changes the file, then reads it: the read must not consume the
        // notice of the change that the parent relies on.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
        const bool written = fd >= 0 && ::pwrite(fd, "[Main]\r\nBus=151\r\n", 17, 0) == 17;
        ::close(fd);
        const bool read = ReadIniValue(path, "Main", "Bus", "") == "151";
        ::_exit(written && read ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "151");
}

// Open descriptors, and the inotify watches held through them.
struct DescriptorCount {
    int fds = 0;
    int watches = 0;
};

DescriptorCount countDescriptors() {
    DescriptorCount count;
    const QStringList fds =
        QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& fd : fds) {
        QFile info("/proc/self/fdinfo/" + fd);
        if (!info.open(QIODevice::ReadOnly)) {
            continue; // the listing's own descriptor, closed by now
        }
        ++count.fds;
        count.watches += static_cast<int>(info.readAll().count("inotify wd:"));
    }
    return count;
}

TEST_F(ReadCacheTest, EvictedEntriesGiveUpTheirWatches) {
    const int depth = static_cast<int>(QDir::cleanPath(folder.path()).count(u'/')) + 2;
    std::vector<std::unique_ptr<TempFolder>> folders;
    const auto readMany = [&](int count) {
        for (int i = 0; i < count; ++i) {
            folders.push_back(std::make_unique<TempFolder>());
            folders.back()->write(kIni, "[Main]\r\nBus=" + QByteArray::number(i) + "\r\n");
            ASSERT_EQ(ReadIniValue(folders.back()->file(kIni), "Main", "Bus", ""),
                      QString::number(i));
        }
    };
    readMany(20);
    const DescriptorCount before = countDescriptors();
    readMany(100);
    const DescriptorCount after = countDescriptors();
    EXPECT_EQ(after.fds, before.fds);
    // At most 16 cached files, each with its folders and itself watched;
    // the 120 files still on disk would keep far more watches than that.
    EXPECT_LE(after.watches, 16 * depth);
    EXPECT_LE(before.watches, 16 * depth);
}

TEST_F(ReadCacheTest, UnreadableFileReadsUnknownValue) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(kIni));
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "unknown value");
}

// ---------------------------------------------------------------------------
// WriteIniValue and DeleteIniSection on disk

class WriteTest : public ::testing::Test {
protected:
    TempFolder folder;
    QString path = folder.file(kIni);

    void expectOnlyTheFileAndItsLock() const {
        QStringList expected{kIni, kLock};
        expected.sort();
        QStringList entries = folder.entries();
        entries.sort();
        EXPECT_EQ(entries, expected);
    }
};

TEST_F(WriteTest, NewFileIsCreatedWithCrLf) {
    ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", "150"));
    ASSERT_TRUE(WriteIniValue(path, "Set", "Stav", "1"));
    EXPECT_EQ(folder.read(kIni), "[Main]\r\nBus=150\r\n[Set]\r\nStav=1\r\n");
    expectOnlyTheFileAndItsLock();
}

TEST_F(WriteTest, CzechTextIsStoredInWindows1250) {
    ASSERT_TRUE(WriteIniValue(path, "150", "Description", QString::fromUtf8("(směr Kačerov)")));
    ASSERT_TRUE(WriteIniValue(path, QString::fromUtf8("Příjezdy"), "Bus", "150"));
    EXPECT_EQ(folder.read(kIni),
              cp1250(QString::fromUtf8(
                  "[150]\r\nDescription=(směr Kačerov)\r\n[Příjezdy]\r\nBus=150\r\n")));
    EXPECT_TRUE(folder.read(kIni).contains("(sm\xec\x72 Ka\xe8\x65rov)"));
    EXPECT_EQ(ReadIniValue(path, "150", "description", ""), QString::fromUtf8("(směr Kačerov)"));
    EXPECT_EQ(ReadIniValue(path, QString::fromUtf8("PŘÍJEZDY"), "Bus", ""), "150");
}

TEST_F(WriteTest, EveryOtherByteStaysAsItWas) {
    const QByteArray before = "; Kvapomer\r\n"
                              "free text\r\n"
                              "\r\n"
                              "[Main]\r\n"
                              "Bus = 150\r\n"
                              "AlertWav=sounds\\bus.wav\r\n"
                              "\r\n"
                              "; keep me\r\n"
                              "[Odd]\r\n"
                              "raw=\x81\x83\x88\x90\x98\r\n"
                              "[Set]\r\n"
                              "Stav=0";
    folder.write(kIni, before);
    ASSERT_TRUE(WriteIniValue(path, "main", "bus", "136"));
    ASSERT_TRUE(WriteIniValue(path, "Main", "AlertON", "ON"));
    EXPECT_EQ(folder.read(kIni), QByteArray(before)
                                     .replace("Bus = 150", "Bus=136")
                                     .replace("bus.wav\r\n", "bus.wav\r\nAlertON=ON\r\n"));
    EXPECT_EQ(ReadIniValue(path, "Main", "AlertWav", ""), "sounds\\bus.wav");
}

TEST_F(WriteTest, IdenticalValueLeavesTheFileUntouched) {
    folder.write(kIni, "[Main]\r\nBus = \"150\"\r\n");
    const struct stat before = statOf(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(WriteIniValue(path, "MAIN", "bus", "150"));
    const struct stat after = statOf(path);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(folder.read(kIni), "[Main]\r\nBus = \"150\"\r\n");
}

TEST_F(WriteTest, LfFileStaysLf) {
    folder.write(kIni, "[Main]\nBus=150\n");
    ASSERT_TRUE(WriteIniValue(path, "Main", "AlertON", "ON"));
    ASSERT_TRUE(WriteIniValue(path, "150", "t0", "06:15"));
    EXPECT_EQ(folder.read(kIni), "[Main]\nBus=150\nAlertON=ON\n[150]\nt0=06:15\n");
}

TEST_F(WriteTest, MissingFinalLineEndIsAddedBeforeAppending) {
    folder.write(kIni, "[Main]\r\nBus=150");
    ASSERT_TRUE(WriteIniValue(path, "Set", "Stav", "1"));
    EXPECT_EQ(folder.read(kIni), "[Main]\r\nBus=150\r\n[Set]\r\nStav=1\r\n");
}

TEST_F(WriteTest, DeleteSectionRemovesEveryRepeat) {
    folder.write(kIni, "[150]\r\nt0=01:00\r\n[Main]\r\nBus=150\r\n[150]\r\nt0=02:00\r\n; x\r\n"
                       "[Set]\r\nStav=1\r\n");
    ASSERT_TRUE(DeleteIniSection(path, "150"));
    EXPECT_EQ(folder.read(kIni), "[Main]\r\nBus=150\r\n[Set]\r\nStav=1\r\n");
    EXPECT_EQ(ReadIniValue(path, "150", "t0", ""), "unknown value");
}

TEST_F(WriteTest, DeleteMissingSectionOrFileChangesNothing) {
    ASSERT_TRUE(DeleteIniSection(path, "150"));
    EXPECT_FALSE(QFile::exists(path));
    folder.write(kIni, "[Main]\r\nBus=150\r\n");
    const struct stat before = statOf(path);
    ASSERT_TRUE(DeleteIniSection(path, "150"));
    EXPECT_EQ(statOf(path).st_ino, before.st_ino);
    EXPECT_EQ(folder.read(kIni), "[Main]\r\nBus=150\r\n");
}

// The save of a line, as the settings window performs it, call by call.
TEST_F(WriteTest, SaveSequenceGivesTheDocumentedFile) {
    folder.write(kIni, "[Main]\r\nBus=150\r\nAlertON=OFF\r\nRedAlertMin=5\r\nBlinkAlert=30\r\n"
                       "BlinkAlertM=1\r\n[Set]\r\nStav=0\r\n[150]\r\nDescription=old\r\n"
                       "t0=05:00\r\nNumberOfTimes=1\r\n");
    ASSERT_TRUE(DeleteIniSection(path, "150"));
    ASSERT_TRUE(WriteIniValue(path, "150", "Description", QString::fromUtf8("(směr Kačerov)")));
    ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", "150"));
    ASSERT_TRUE(WriteIniValue(path, "150", "t0", "06:15"));
    ASSERT_TRUE(WriteIniValue(path, "150", "t1", "07:40"));
    ASSERT_TRUE(WriteIniValue(path, "150", "NumberOfTimes", "2"));
    ASSERT_TRUE(WriteIniValue(path, "Main", "AlertON", "ON"));
    ASSERT_TRUE(WriteIniValue(path, "Main", "RedAlertMin", "5"));
    ASSERT_TRUE(WriteIniValue(path, "Main", "BlinkAlert", "30"));
    ASSERT_TRUE(WriteIniValue(path, "Main", "BlinkAlertM", "1"));
    ASSERT_TRUE(WriteIniValue(path, "Set", "Stav", "1"));
    EXPECT_EQ(folder.read(kIni),
              cp1250(QString::fromUtf8("[Main]\r\nBus=150\r\nAlertON=ON\r\nRedAlertMin=5\r\n"
                                       "BlinkAlert=30\r\nBlinkAlertM=1\r\n[Set]\r\nStav=1\r\n"
                                       "[150]\r\nDescription=(směr Kačerov)\r\nt0=06:15\r\n"
                                       "t1=07:40\r\nNumberOfTimes=2\r\n")));
}

TEST_F(WriteTest, SavingOneLineLeavesTheOtherUntouched) {
    const QByteArray line150 = "[150]\r\nDescription=A\r\nt0=06:15\r\nNumberOfTimes=1\r\n";
    folder.write(kIni, "[Main]\r\nBus=136\r\n" + line150 +
                           "[136]\r\nDescription=B\r\nt0=07:00\r\nNumberOfTimes=1\r\n[Set]\r\n"
                           "Stav=0\r\n");
    ASSERT_TRUE(DeleteIniSection(path, "136"));
    ASSERT_TRUE(WriteIniValue(path, "136", "Description", "C"));
    ASSERT_TRUE(WriteIniValue(path, "136", "t0", "08:00"));
    ASSERT_TRUE(WriteIniValue(path, "136", "NumberOfTimes", "1"));
    EXPECT_EQ(folder.read(kIni), "[Main]\r\nBus=136\r\n" + line150 +
                                     "[Set]\r\nStav=0\r\n"
                                     "[136]\r\nDescription=C\r\nt0=08:00\r\nNumberOfTimes=1\r\n");
}

// ---------------------------------------------------------------------------
// Atomic replacement

TEST_F(WriteTest, LeavesNoTemporaryFileBehind) {
    folder.write(kIni, "[Main]\r\nBus=1\r\n");
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", QString::number(i + 2)));
        ASSERT_TRUE(WriteIniValue(path, "150", QStringLiteral("t%1").arg(i), "06:00"));
    }
    ASSERT_TRUE(DeleteIniSection(path, "150"));
    expectOnlyTheFileAndItsLock();
    EXPECT_EQ(folder.read(kIni), "[Main]\r\nBus=21\r\n");
}

class FaultTest : public WriteTest, public ::testing::WithParamInterface<testing::UpdateStage> {};

TEST_P(FaultTest, FailedUpdateLeavesTheOldFileAndNoTemporary) {
    const QByteArray before = "[Main]\r\nBus=150\r\n[Set]\r\nStav=0\r\n";
    folder.write(kIni, before);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    const struct stat statBefore = statOf(path);
    {
        FaultAt fault(GetParam());
        const WriteResult result = WriteIniValue(path, "Main", "Bus", "136");
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(static_cast<bool>(result));
        EXPECT_EQ(result.number, 75);
        EXPECT_EQ(result.description, QString::fromUtf8("Chyba přístupu k souboru"));
        EXPECT_EQ(fault.seen.back(), GetParam());
    }
    EXPECT_EQ(folder.read(kIni), before);
    const struct stat statAfter = statOf(path);
    EXPECT_EQ(statAfter.st_ino, statBefore.st_ino);
    EXPECT_EQ(statAfter.st_mode, statBefore.st_mode);
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "150");
    expectOnlyTheFileAndItsLock();

    // The next update, without a fault, goes through.
    ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", "136"));
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "136");
    expectOnlyTheFileAndItsLock();
}

INSTANTIATE_TEST_SUITE_P(UpdateProfile, FaultTest,
                         ::testing::Values(testing::UpdateStage::TempWritten,
                                           testing::UpdateStage::BeforeRename),
                         [](const ::testing::TestParamInfo<testing::UpdateStage>& info) {
                             return info.param == testing::UpdateStage::TempWritten
                                        ? std::string("TempWritten")
                                        : std::string("BeforeRename");
                         });

TEST_F(WriteTest, FaultHookSeesBothStagesInOrder) {
    std::vector<testing::UpdateStage> seen;
    testing::setFaultHook([&](testing::UpdateStage stage) {
        seen.push_back(stage);
        return true;
    });
    const WriteResult result = WriteIniValue(path, "Main", "Bus", "1");
    testing::setFaultHook(nullptr);
    ASSERT_TRUE(result);
    EXPECT_EQ(seen,
              (std::vector{testing::UpdateStage::TempWritten, testing::UpdateStage::BeforeRename}));
}

TEST_F(WriteTest, UnchangedBytesReachNoStage) {
    folder.write(kIni, "[Main]\r\nBus=1\r\n");
    FaultAt fault(testing::UpdateStage::TempWritten);
    EXPECT_TRUE(WriteIniValue(path, "Main", "Bus", "1"));
    EXPECT_TRUE(DeleteIniSection(path, "Set"));
    EXPECT_TRUE(fault.seen.empty());
}

TEST_F(WriteTest, UpdateReadsTheFileAsItIsNow) {
    ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", "150"));
    folder.write(kIni, "[Main]\r\nBus=150\r\nAlertWav=x.wav\r\n"); // behind the cache's back
    ASSERT_TRUE(updateProfile(path, [](ProfileDocument& document) {
        EXPECT_EQ(document.value("Main", "AlertWav"), "x.wav");
        document.setValue("Main", "Bus", "136");
    }));
    EXPECT_EQ(folder.read(kIni), "[Main]\r\nBus=136\r\nAlertWav=x.wav\r\n");
}

// ---------------------------------------------------------------------------
// Permissions, links, failures

TEST_F(WriteTest, KeepsThePermissionsOfTheFile) {
    for (const mode_t mode : {0600, 0640, 0604}) {
        folder.write(kIni, "[Main]\r\nBus=1\r\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
        ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", QString::number(mode)));
        EXPECT_EQ(statOf(path).st_mode & 07777, mode);
        EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), QString::number(mode));
    }
}

TEST_F(WriteTest, NewFileIsReadableByOthersUnlessTheUmaskForbids) {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", "1"));
    EXPECT_EQ(statOf(path).st_mode & 07777, 0644 & ~mask);
}

TEST_F(WriteTest, WritesThroughASymbolicLink) {
    TempFolder elsewhere;
    elsewhere.write("real.ini", "[Main]\r\nBus=1\r\n");
    ASSERT_TRUE(QFile::link(elsewhere.file("real.ini"), path));
    ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", "2"));
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(elsewhere.read("real.ini"), "[Main]\r\nBus=2\r\n");
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "2");
    QStringList entries = elsewhere.entries();
    entries.sort();
    EXPECT_EQ(entries, (QStringList{"real.ini", "real.ini.lock"}));
}

TEST_F(WriteTest, FolderWhereTheFileShouldBeFails) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(kIni));
    for (const WriteResult& result :
         {WriteIniValue(path, "Main", "Bus", "1"), DeleteIniSection(path, "Main")}) {
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.number, 75);
        EXPECT_EQ(result.description, QString::fromUtf8("Chyba přístupu k souboru"));
    }
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST_F(WriteTest, FileWhereTheFolderShouldBeFails) {
    folder.write("notafolder", "x");
    const WriteResult result =
        WriteIniValue(folder.file("notafolder") + "/" + kIni, "Main", "Bus", "1");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.number, 75);
    EXPECT_EQ(folder.read("notafolder"), "x");
}

// Runs `write` without root's privileges: root passes every permission
// check, so as root it runs in a child process that gives them up. Returns
// the result's number (0 on success), or nothing when privileges cannot be
// given up here.
std::optional<int> writeUnprivileged(const std::function<WriteResult()>& write) {
    if (::geteuid() != 0) {
        const WriteResult result = write();
        return result.ok ? 0 : result.number;
    }
    const pid_t child = ::fork();
    if (child == -1) {
        return std::nullopt;
    }
    if (child == 0) {
        const uid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setresgid(nobody, nobody, nobody) != 0 ||
            ::setresuid(nobody, nobody, nobody) != 0) {
            ::_exit(200);
        }
        const WriteResult result = write();
        ::_exit(result.ok ? 0 : result.number);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 200) {
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

class ReadOnlyTest : public WriteTest {
protected:
    const QByteArray before = "[Main]\r\nBus=150\r\n";
    QByteArray folderPath = QFile::encodeName(folder.path());

    void SetUp() override {
        folder.write(kIni, before);
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    }
    void TearDown() override { ::chmod(folderPath.constData(), 0700); }
};

TEST_F(ReadOnlyTest, FolderRefusesAChangeWithAccessDenied) {
    ASSERT_EQ(::chmod(folderPath.constData(), 0555), 0);
    const std::optional<int> number =
        writeUnprivileged([&] { return WriteIniValue(path, "Main", "Bus", "136"); });
    if (!number) {
        GTEST_SKIP() << "cannot give up root privileges here";
    }
    EXPECT_EQ(*number, 70);
    EXPECT_EQ(folder.read(kIni), before);
    EXPECT_EQ(folder.entries(), QStringList{kIni});
}

TEST_F(ReadOnlyTest, FolderAllowsAnEditThatChangesNothing) {
    ASSERT_EQ(::chmod(folderPath.constData(), 0555), 0);
    const std::optional<int> number =
        writeUnprivileged([&] { return WriteIniValue(path, "main", "BUS", "150"); });
    if (!number) {
        GTEST_SKIP() << "cannot give up root privileges here";
    }
    EXPECT_EQ(*number, 0);
    EXPECT_EQ(folder.read(kIni), before);
}

TEST_F(ReadOnlyTest, ReadOnlyFileIsNotReplaced) {
    ASSERT_EQ(::chmod(folderPath.constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    const std::optional<int> number =
        writeUnprivileged([&] { return WriteIniValue(path, "Main", "Bus", "136"); });
    if (!number) {
        GTEST_SKIP() << "cannot give up root privileges here";
    }
    EXPECT_EQ(*number, 70);
    EXPECT_EQ(folder.read(kIni), before);
    EXPECT_EQ(statOf(path).st_mode & 07777, 0444);
    EXPECT_FALSE(folder.entries().join(' ').contains(".tmp"));
}

TEST_F(ReadOnlyTest, ReadStillWorks) {
    ASSERT_EQ(::chmod(folderPath.constData(), 0555), 0);
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "150");
}

// ---------------------------------------------------------------------------
// Concurrent updaters

TEST_F(WriteTest, ConcurrentThreadsLoseNoUpdate) {
    const int perWriter = 200;
    auto writer = [&](int id) {
        for (int i = 0; i < perWriter; ++i) {
            WriteIniValue(path, "150", QStringLiteral("w%1k%2").arg(id).arg(i), QString::number(i));
        }
    };
    std::thread first(writer, 1);
    std::thread second(writer, 2);
    first.join();
    second.join();
    const ProfileDocument document(folder.read(kIni));
    for (int id = 1; id <= 2; ++id) {
        for (int i = 0; i < perWriter; ++i) {
            ASSERT_EQ(document.value("150", QStringLiteral("w%1k%2").arg(id).arg(i)),
                      QString::number(i))
                << id << " " << i;
        }
    }
    expectOnlyTheFileAndItsLock();
}

TEST_F(WriteTest, ConcurrentProcessesLoseNoUpdate) {
    const int perWriter = 200;
    std::vector<pid_t> children;
    for (int id = 1; id <= 2; ++id) {
        const pid_t child = ::fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < perWriter; ++i) {
                ok = WriteIniValue(path, "150", QStringLiteral("p%1k%2").arg(id).arg(i),
                                   QString::number(i))
                         .ok &&
                     ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int id = 1; id <= 2; ++id) {
        for (int i = 0; i < perWriter; ++i) {
            ASSERT_EQ(ReadIniValue(path, "150", QStringLiteral("p%1k%2").arg(id).arg(i), ""),
                      QString::number(i))
                << id << " " << i;
        }
    }
    expectOnlyTheFileAndItsLock();
}

// ---------------------------------------------------------------------------
// ConfigFilePath

TEST(ConfigFilePath, IsTheFileInTheFolder) {
    TempFolder folder;
    EXPECT_EQ(ConfigFilePath(folder.path()), folder.path() + "/kvapomern.ini");
    EXPECT_EQ(ConfigFilePath(folder.path() + "/"), folder.path() + "/kvapomern.ini");
    EXPECT_EQ(ConfigFilePath("/"), "/kvapomern.ini");
}

TEST(ConfigFilePath, FindsAFileNamedInOtherLetterCase) {
    TempFolder folder;
    folder.write("KVAPOMERN.INI", "[Main]\r\nBus=1\r\n");
    folder.write("kvapomern.ini.bak", "");
    EXPECT_EQ(ConfigFilePath(folder.path()), folder.file("KVAPOMERN.INI"));
    EXPECT_EQ(ReadIniValue(ConfigFilePath(folder.path()), "Main", "Bus", ""), "1");
}

TEST(ConfigFilePath, PrefersTheExactName) {
    TempFolder folder;
    folder.write("Kvapomern.ini", "");
    folder.write("kvapomern.ini", "");
    EXPECT_EQ(ConfigFilePath(folder.path()), folder.file("kvapomern.ini"));
}

TEST(ConfigFilePath, IgnoresAFolderOfThatName) {
    TempFolder folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir("KVAPOMERN.INI"));
    EXPECT_EQ(ConfigFilePath(folder.path()), folder.file("kvapomern.ini"));
}

} // namespace
} // namespace kvapomer
