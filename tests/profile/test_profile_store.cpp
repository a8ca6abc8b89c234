// The configuration file on disk: reads, atomic and serialised updates, failures, and the three
// operations built on them.

#include "config/config_file.h"
#include "config/loader.h"
#include "config/settings_save.h"
#include "profile/profile_store.h"
#include "support/sample_config.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvapomer {
namespace {

using test::cp1250;
using test::TempFolder;

const QString kIni = QString::fromLatin1(kConfigFileName);

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

TEST_F(ReadIniValueTest, FolderInPlaceOfTheFileReadsUnknownValue) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(kIni));
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "unknown value");
}

// ---------------------------------------------------------------------------
// WriteIniValue and DeleteIniSection on disk

class WriteTest : public ::testing::Test {
protected:
    TempFolder folder;
    QString path = folder.file(kIni);

    void expectOnlyTheFile() const { EXPECT_EQ(folder.entries(), QStringList{kIni}); }
};

TEST_F(WriteTest, NewFileIsCreatedWithCrLf) {
    ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", "150"));
    ASSERT_TRUE(WriteIniValue(path, "Set", "Stav", "1"));
    EXPECT_EQ(folder.read(kIni), "[Main]\r\nBus=150\r\n[Set]\r\nStav=1\r\n");
    expectOnlyTheFile();
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
    expectOnlyTheFile();
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
        const Result<void> result = WriteIniValue(path, "Main", "Bus", "136");
        EXPECT_FALSE(result.ok());
        EXPECT_FALSE(static_cast<bool>(result));
        EXPECT_EQ(result.error().number, 75);
        EXPECT_EQ(result.error().description, QString::fromUtf8("Chyba přístupu k souboru"));
        EXPECT_EQ(fault.seen.back(), GetParam());
    }
    EXPECT_EQ(folder.read(kIni), before);
    const struct stat statAfter = statOf(path);
    EXPECT_EQ(statAfter.st_ino, statBefore.st_ino);
    EXPECT_EQ(statAfter.st_mode, statBefore.st_mode);
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "150");
    expectOnlyTheFile();

    // The next update, without a fault, goes through.
    ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", "136"));
    EXPECT_EQ(ReadIniValue(path, "Main", "Bus", ""), "136");
    expectOnlyTheFile();
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
    const Result<void> result = WriteIniValue(path, "Main", "Bus", "1");
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
    folder.write(kIni, "[Main]\r\nBus=150\r\nAlertWav=x.wav\r\n"); // by another program
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
    EXPECT_EQ(entries, (QStringList{"real.ini"}));
}

TEST_F(WriteTest, FolderWhereTheFileShouldBeFails) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(kIni));
    for (const Result<void>& result :
         {WriteIniValue(path, "Main", "Bus", "1"), DeleteIniSection(path, "Main")}) {
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.error().number, 75);
        EXPECT_EQ(result.error().description, QString::fromUtf8("Chyba přístupu k souboru"));
    }
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST_F(WriteTest, FileWhereTheFolderShouldBeFails) {
    folder.write("notafolder", "x");
    const Result<void> result =
        WriteIniValue(folder.file("notafolder") + "/" + kIni, "Main", "Bus", "1");
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error().number, 75);
    EXPECT_EQ(folder.read("notafolder"), "x");
}

// Gives up root's privileges for good, as another user's process.
bool becomeNobody() {
    const uid_t nobody = 65534;
    return ::setgroups(0, nullptr) == 0 && ::setresgid(nobody, nobody, nobody) == 0 &&
           ::setresuid(nobody, nobody, nobody) == 0;
}

// Runs `write` without root's privileges: root passes every permission
// check, so as root it runs in a child process that gives them up. Returns
// the result's number (0 on success), or nothing when privileges cannot be
// given up here.
std::optional<int> writeUnprivileged(const std::function<Result<void>()>& write) {
    if (::geteuid() != 0) {
        const Result<void> result = write();
        return result.ok() ? 0 : result.error().number;
    }
    const pid_t child = ::fork();
    if (child == -1) {
        return std::nullopt;
    }
    if (child == 0) {
        if (!becomeNobody()) {
            ::_exit(200);
        }
        const Result<void> result = write();
        ::_exit(result.ok() ? 0 : result.error().number);
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
            EXPECT_TRUE(WriteIniValue(path, "150", QStringLiteral("w%1k%2").arg(id).arg(i),
                                      QString::number(i)));
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
    expectOnlyTheFile();
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
                         .ok() &&
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
    expectOnlyTheFile();
}

TEST_F(ReadOnlyTest, WritableFileIsWrittenInPlaceUnderTheLock) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0666), 0);
    ASSERT_EQ(::chmod(folderPath.constData(), 0555), 0);
    const ino_t inode = statOf(path).st_ino;
    // Two processes write in place at once: the lock keeps every update.
    const std::optional<int> number = writeUnprivileged([&]() -> Result<void> {
        const pid_t other = ::fork();
        bool ok = true;
        for (int i = 0; i < 40; ++i) {
            ok = WriteIniValue(path, "150", QStringLiteral("%1k%2").arg(other == 0).arg(i), "x")
                     .ok() &&
                 ok;
        }
        if (other == 0) {
            ::_exit(ok ? 0 : 1);
        }
        int status = 1;
        ok = ::waitpid(other, &status, 0) == other && WIFEXITED(status) &&
             WEXITSTATUS(status) == 0 && ok;
        return ok ? Result<void>{} : Result<void>{Error{1, {}}};
    });
    if (!number) {
        GTEST_SKIP() << "cannot give up root privileges here";
    }
    EXPECT_EQ(*number, 0);
    EXPECT_EQ(statOf(path).st_ino, inode);
    const ProfileDocument document(folder.read(kIni));
    EXPECT_EQ(document.value("Main", "Bus"), "150");
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(document.value("150", QStringLiteral("0k%1").arg(i)), "x") << i;
        EXPECT_EQ(document.value("150", QStringLiteral("1k%1").arg(i)), "x") << i;
    }
    EXPECT_EQ(folder.entries(), QStringList{kIni});
}

// ---------------------------------------------------------------------------
// Odd files, other processes, crashes

TEST_F(WriteTest, NonRegularFilesAreRefusedWithoutBlocking) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0666), 0);
    TempFolder linked;
    const QString device = linked.file(kIni);
    ASSERT_TRUE(QFile::link("/dev/zero", device));
    ::alarm(30); // a call that blocks ends the test binary instead of hanging it
    for (const QString& file : {path, device}) {
        EXPECT_EQ(ReadIniValue(file, "Main", "Bus", ""), "unknown value");
        EXPECT_EQ(loadConfiguration(file).status, LoadStatus::FileMissing);
        for (const Result<void>& result :
             {WriteIniValue(file, "Set", "Stav", "1"), DeleteIniSection(file, "Main")}) {
            EXPECT_FALSE(result.ok());
            EXPECT_EQ(result.error().number, 75);
        }
    }
    ::alarm(0);
    EXPECT_TRUE(S_ISFIFO(statOf(path).st_mode));
    EXPECT_EQ(QDir(folder.path())
                  .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{kIni});
}

// A process that holds the folder's lock, as `flock <folder> sleep` in a
// shell would, until it is killed; `locked` is 'y' once it holds it. -1 when
// no process could be started.
pid_t holdFolderLock(const QString& folder, char& locked) {
    int ready[2];
    if (::pipe(ready) != 0) {
        return -1;
    }
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY);
        const bool held = fd >= 0 && ::flock(fd, LOCK_EX) == 0;
        [[maybe_unused]] const auto n = ::write(ready[1], held ? "y" : "n", 1);
        ::pause();
        ::_exit(0);
    }
    if (holder != -1 && ::read(ready[0], &locked, 1) != 1) {
        locked = 0;
    }
    ::close(ready[0]);
    ::close(ready[1]);
    return holder;
}

TEST_F(WriteTest, LockHeldElsewhereFailsTheUpdateInsteadOfWaiting) {
    const QByteArray before = "[Main]\r\nBus=150\r\n";
    folder.write(kIni, before);
    char locked = 0;
    const pid_t holder = holdFolderLock(folder.path(), locked);
    ASSERT_NE(holder, -1);
    const auto start = std::chrono::steady_clock::now();
    const Result<void> result = WriteIniValue(path, "Main", "Bus", "136");
    const auto waited = std::chrono::steady_clock::now() - start;
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ASSERT_EQ(locked, 'y');
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error().number, 70);
    EXPECT_LT(waited, std::chrono::seconds(20)); // gave up, did not freeze
    EXPECT_EQ(folder.read(kIni), before);
    // A holder that died released the lock with it.
    EXPECT_TRUE(WriteIniValue(path, "Main", "Bus", "136"));
    expectOnlyTheFile();
}

// The number of entries in a folder of /proc/self.
int countOf(const char* folder) {
    return int(std::distance(std::filesystem::directory_iterator(folder),
                             std::filesystem::directory_iterator()));
}

TEST_F(WriteTest, HeldLockCostsNothingAfterTheFailedSaves) {
    const QByteArray before = test::fileBytes(test::lineConfig());
    folder.write(kIni, before);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0666), 0); // loads take the lock too
    const int threads = countOf("/proc/self/task");
    const int descriptors = countOf("/proc/self/fd");
    char locked = 0;
    const pid_t holder = holdFolderLock(folder.path(), locked);
    ASSERT_NE(holder, -1);
    // 30 saves, fifteen at a time, each refused after its wait.
    std::vector<Result<void>> results(30, Result<void>{});
    std::vector<std::thread> savers;
    for (int first = 0; first < 15; ++first) {
        savers.emplace_back([&, first] {
            for (int i = first; i < 30; i += 15) {
                results[size_t(i)] = WriteIniValue(path, "Main", "Bus", "136");
            }
        });
    }
    for (std::thread& saver : savers) {
        saver.join();
    }
    const int threadsAfter = countOf("/proc/self/task");
    const int descriptorsAfter = countOf("/proc/self/fd");
    // A load is never refused by the lock: it reads the file as it stands.
    const LoadResult load = loadConfiguration(path);
    const int descriptorsAfterLoad = countOf("/proc/self/fd");
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ASSERT_EQ(locked, 'y');
    for (const Result<void>& result : results) {
        EXPECT_EQ(result.error().number, 70);
        EXPECT_EQ(result.error().description,
                  QStringLiteral("Přístup odepřen – soubor právě používá jiná kopie Kvapoměru"));
    }
    EXPECT_LE(threadsAfter, threads + 1);
    EXPECT_EQ(descriptorsAfter, descriptors);
    EXPECT_EQ(descriptorsAfterLoad, descriptors);
    EXPECT_EQ(load.status, LoadStatus::Loaded);
    EXPECT_EQ(folder.read(kIni), before);
    RecordProperty("threads",
                   QStringLiteral("%1 -> %2").arg(threads).arg(threadsAfter).toStdString());
    RecordProperty("descriptors",
                   QStringLiteral("%1 -> %2").arg(descriptors).arg(descriptorsAfter).toStdString());
}

TEST_F(WriteTest, UpdateRemovesWhatInterruptedUpdatesLeft) {
    folder.write(kIni, "[Main]\r\nBus=1\r\n");
    for (const char* name :
         {".kvapomern.ini.Ab3dEf.tmp", ".kvapomern.ini.x9Y8z7.tmp", "kvapomern.ini.lock",
          ".kvapomern.ini.mine.tmp", "kvapomern.ini.bak"}) {
        folder.write(name, "x");
    }
    ASSERT_TRUE(WriteIniValue(path, "Main", "Bus", "1")); // even one that changes nothing
    EXPECT_EQ(folder.entries(),
              (QStringList{".kvapomern.ini.mine.tmp", kIni, "kvapomern.ini.bak"}));
}

// Two saves that a child process makes in turn, and the bytes each leaves.
struct TwoSaves {
    SettingsInput first;
    SettingsInput second;
    QByteArray initial = test::fileBytes(test::lineConfig());
    QByteArray afterFirst;
    QByteArray afterSecond;

    TwoSaves() {
        first.line = second.line = QStringLiteral("150");
        first.note = QStringLiteral("(směr Kačerov)");
        second.note = QStringLiteral("(směr Háje)");
        first.times = QStringList{"05:00", "06:00", "07:00", "08:00", "09:00", "10:00"};
        second.times = QStringList{"11:00", "12:00", "13:00"};
        first.redAlertMin = second.redAlertMin = QStringLiteral("5");
        ProfileDocument document(initial);
        applySettings(document, first);
        afterFirst = document.bytes();
        applySettings(document, second);
        afterSecond = document.bytes();
    }
    bool known(const QByteArray& bytes) const {
        return bytes == initial || bytes == afterFirst || bytes == afterSecond;
    }
    // Forks a child that saves both in a loop until it is killed; returns
    // once the child has started, or -1 when `becomeUser` failed in it.
    pid_t startSaving(const QString& path, const std::function<bool()>& becomeUser = {}) const {
        int ready[2];
        if (::pipe(ready) != 0) {
            return -1;
        }
        const pid_t child = ::fork();
        if (child == 0) {
            const bool started = !becomeUser || becomeUser();
            [[maybe_unused]] const auto n = ::write(ready[1], started ? "x" : "n", 1);
            if (!started) {
                ::_exit(1);
            }
            for (;;) {
                static_cast<void>(saveSettings(path, first));
                static_cast<void>(saveSettings(path, second));
            }
        }
        char c = 0;
        if (child > 0 && (::read(ready[0], &c, 1) != 1 || c != 'x')) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            return -1;
        }
        ::close(ready[0]);
        ::close(ready[1]);
        return child;
    }
};

TEST_F(WriteTest, KilledSavesLeaveTheOldOrTheNewFile) {
    const TwoSaves saves;
    ASSERT_EQ(ProfileDocument(saves.afterSecond).bytes(), saves.afterSecond);
    folder.write(kIni, saves.initial);
    std::mt19937 random(8);
    std::uniform_int_distribution<int> delayUs(0, 15000);
    for (int kill = 0; kill < 200; ++kill) {
        const pid_t child = saves.startSaving(path);
        ASSERT_GT(child, 0);
        ::usleep(useconds_t(delayUs(random)));
        ::kill(child, SIGKILL);
        ASSERT_EQ(::waitpid(child, nullptr, 0), child);
        ASSERT_TRUE(saves.known(folder.read(kIni))) << "after kill " << kill;
        ASSERT_TRUE(saveSettings(path, kill % 2 ? saves.first : saves.second));
        ASSERT_EQ(folder.entries(), QStringList{kIni}) << "after kill " << kill;
    }
}

TEST_F(WriteTest, LoadsWhileAnotherProcessSavesSeeOneVersion) {
    const TwoSaves saves;
    folder.write(kIni, saves.initial);
    const pid_t saver = saves.startSaving(path);
    ASSERT_GT(saver, 0);
    QSet<int> counts;
    int failed = 0;
    for (int load = 0; load < 1000; ++load) {
        const LoadResult result = loadConfiguration(path);
        failed += result.status != LoadStatus::Loaded || !result.messages.isEmpty();
        counts.insert(result.config.timetable.LastIndex + 1);
    }
    ::kill(saver, SIGKILL);
    ::waitpid(saver, nullptr, 0);
    EXPECT_EQ(failed, 0);
    EXPECT_TRUE(counts.contains(3) && counts.contains(6)) << "the saves did not overlap the loads";
}

TEST_F(ReadOnlyTest, LoadsWhileAnotherUserSavesInPlaceSeeOneVersion) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to save as another user";
    }
    // The folder is root's; the file is everybody's, so the other user
    // writes it in place while its owner loads it.
    const TwoSaves saves;
    folder.write(kIni, saves.initial);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0666), 0);
    ASSERT_EQ(::chmod(folderPath.constData(), 0755), 0);
    const ino_t inode = statOf(path).st_ino;
    const pid_t saver = saves.startSaving(path, becomeNobody);
    ASSERT_GT(saver, 0) << "cannot give up root privileges here";
    QSet<QByteArray> seen;
    int loads = 0;
    int failed = 0;
    int torn = 0;
    for (; loads < 10000; ++loads) {
        const Result<QByteArray> bytes = readProfileBytes(path);
        failed += !bytes.ok();
        torn += bytes.ok() && !saves.known(bytes.value());
        if (bytes.ok()) {
            seen.insert(bytes.value());
        }
    }
    ::kill(saver, SIGKILL);
    ::waitpid(saver, nullptr, 0);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(torn, 0);
    EXPECT_TRUE(seen.contains(saves.afterFirst) && seen.contains(saves.afterSecond))
        << "the saves did not overlap the loads";
    EXPECT_EQ(statOf(path).st_ino, inode); // every save was in place
    RecordProperty("loads", loads);
    RecordProperty("torn", torn);
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
