// kvapomer-import against feeds and arguments made to hurt it, run as the
// user runs it: whatever it is given, it ends with its exit code and one
// Czech line that the terminal shows as text, within bounded memory, and on
// any refusal the configuration file keeps every byte.

#include "gtfs_import/cli/import_command.h"

#include "hostile_feeds.h"
#include "support/sample_config.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QString>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fcntl.h>

namespace kvapomer::gtfs {
namespace {

using test::TempFolder;

struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
    long peakKiB = 0;
};

// The program run with `args`, its output in files of `folder`, its peak
// memory measured by GNU time (a child's own figure would include what this
// process had when it started the child).
Outcome runProgram(const TempFolder& folder, const std::vector<std::string>& args) {
    const QByteArray peak = QFile::encodeName(folder.file("peak.txt"));
    std::vector<const char*> argv{"/usr/bin/time",    "-f", "%M", "-o", peak.constData(),
                                  KVAPOMER_IMPORT_EXE};
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    argv.push_back(nullptr);
    const QByteArray out = QFile::encodeName(folder.file("out.txt"));
    const QByteArray err = QFile::encodeName(folder.file("err.txt"));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    Outcome r;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv.data()),
                    environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            r.status = WEXITSTATUS(status);
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    r.out = folder.read("out.txt");
    r.err = folder.read("err.txt");
    // GNU time puts a non-zero status on a line of its own before the figure.
    r.peakKiB = folder.read("peak.txt").trimmed().split('\n').last().toLong();
    return r;
}

// What a terminal would act on rather than show: controls, bidirectional
// controls, line separators, or bytes that are not UTF-8.
bool showsAsText(const QByteArray& line) {
    const QString text = QString::fromUtf8(line);
    if (text.toUtf8() != line) {
        return false;
    }
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (c.category() == QChar::Other_Control || u == 0x061C || u == 0x200E || u == 0x200F ||
            (u >= 0x2028 && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069)) {
            return false;
        }
    }
    return true;
}

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
const QByteArray kEscapes = "\x1b]0;TITLE\x07\x1b[2J\x1b[41m\xe2\x80\xae\xe2\x81\xa6\xff\xc3";

TEST(HostileFeeds, EndWithOneCzechLineAndTheFileUntouched) {
    TempFolder folder;
    const auto path = [&](const QString& name) { return folder.file(name).toStdString(); };
    QMap<QString, QByteArray> city = test::feedFiles();

    // One field of 64 MiB in a zip of a few hundred kilobytes (a gibibyte is
    // refused as early, after the first 64 KiB, but takes long to compress).
    test::hostileZip(folder, "field.zip",
                     {"stops.txt", "stop_id,stop_name\nSPO,", 64 * kMiB, 'x', "\n"});
    // Escapes, bidirectional controls and broken UTF-8 in a stop's name; a
    // line break and an escape in a headsign; a name that a dozen stops share.
    QByteArray stops =
        city["stops.txt"].replace("SPO,\"Spořilov, sídliště\"", "SPO,\"Spořilov" + kEscapes + "\"");
    for (int i = 0; i < 12; ++i) {
        stops += "D" + QByteArray::number(i) + ",Dvojče,0,0,0,,1,\r\n";
    }
    test::feedZip(
        folder, "names.zip",
        {{"stops.txt", stops},
         {"trips.txt", city["trips.txt"].replace("Kačerov,T", "\"Kačerov\r\nMetro\x1b[31m\",T")}});
    test::damagedZip(folder, "damaged.zip");
    test::zipWithTwins(folder, "twins.zip");
    test::hostileZip(folder, "crowded.zip", {}, 10001);
    ASSERT_EQ(mkfifo(QFile::encodeName(folder.file("pipe.zip")).constData(), 0600), 0);
    const std::string ini = path("kvapomern.ini");
    const QByteArray config = test::fileBytes(test::lineConfig());

    const std::string longNote(100000, 'x');
    const std::string notePrefix = "Poznámka má 100000 znaků";
    const struct {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string message; // the line on standard error
        std::string out = "";
        QString written = {}; // a line the configuration file then holds
    } cases[] = {
        {"one huge field",
         {path("field.zip"), "SPO", "150"},
         kExitBadFeed,
         "Soubor stops.txt: řádek 2 je delší než 64 KiB."},
        {"escapes in a stop name, listed",
         {path("names.zip"), "--list-stops", "spořilov"},
         kExitOk,
         "",
         "SPO\tSpořilov␛]0;TITLE␇␛[2J␛[41m\uFFFD\uFFFD\uFFFD\uFFFD\n"
         "SPV\tSpořilovská\n"},
        {"escapes in a stop name, imported",
         {path("names.zip"), "SPO", "150", "--date", "2026-12-12"},
         kExitOk,
         "Linka 150 (směr Kačerov Metro[31m) ze zastávky Spořilov␛]0;TITLE␇␛[2J␛[41m\uFFFD\uFFFD"
         "\uFFFD\uFFFD: počet odjezdů 2, zapsáno do " +
             ini + ".",
         "",
         QStringLiteral("\r\nDescription=(směr Kačerov Metro[31m)\r\n")},
        {"a line break in a headsign",
         {path("names.zip"), "SPO", "150", "--date", "2027-01-05"},
         kExitNoDepartures,
         "Dne 2027-01-05 linka 150 ze zastávky Spořilov␛]0;TITLE␇␛[2J␛[41m\uFFFD\uFFFD\uFFFD\uFFFD "
         "směr Kačerov␍␊Metro␛[31m nejede."},
        {"a line break in a listed headsign",
         {path("names.zip"), "--list-directions", "ROZ", "150"},
         kExitOk,
         "",
         "0\tSpořilov, sídliště\n1\tKačerov␍␊Metro␛[31m\n"},
        {"damaged compressed data",
         {path("damaged.zip"), "SPO", "150"},
         kExitBadFeed,
         "Soubor stops.txt v zipu nelze rozbalit: komprimovaná data jsou poškozená."},
        {"two files of one name",
         {path("twins.zip"), "SPO", "150"},
         kExitBadFeed,
         "Jízdní řád " + path("twins.zip") +
             " nelze otevřít jako zip: archiv obsahuje více souborů stejného jména."},
        {"more files than a feed has",
         {path("crowded.zip"), "SPO", "150"},
         kExitBadFeed,
         "Jízdní řád " + path("crowded.zip") +
             " nelze otevřít jako zip: archiv má víc než 10 000 souborů nebo je jejich seznam "
             "delší než 16 MiB."},
        {"a pipe for a feed",
         {path("pipe.zip"), "SPO", "150"},
         kExitBadFeed,
         "Jízdní řád " + path("pipe.zip") + " není soubor ani složka."},
        {"a note longer than a read returns",
         {path("names.zip"), "SPO", "150", "--note", longNote},
         kExitRefused,
         notePrefix + ", konfigurační soubor jich vrátí nejvýše 699; zvolte kratší přes --note."},
        {"a name that many stops share",
         {path("names.zip"), "--list-routes", "dvojče"},
         kExitAmbiguous,
         "Názvu „dvojče“ odpovídá více zastávek: D0 (Dvojče), D1 (Dvojče), D10 (Dvojče), D11 "
         "(Dvojče), D2 (Dvojče), D3 (Dvojče), D4 (Dvojče), D5 (Dvojče), D6 (Dvojče), D7 (Dvojče) "
         "a další, celkem 12; zadejte jednu z nich podle id."},
        {"a long note, written whole and shown shortened",
         {path("names.zip"), "SPO", "150", "--date", "2026-12-12", "--note", std::string(699, 'n')},
         kExitOk,
         "Linka 150 " + std::string(80, 'n') +
             "… ze zastávky Spořilov␛]0;TITLE␇␛[2J␛[41m\uFFFD\uFFFD\uFFFD\uFFFD: počet odjezdů 2, "
             "zapsáno do " +
             ini + ".",
         "",
         "\r\nDescription=" + QString(699, u'n') + "\r\n"},
        {"a line number longer than a read returns",
         {path("names.zip"), "SPO", "150", "--line", std::string(700, '1')},
         kExitRefused,
         "Číslo linky má 700 znaků, konfigurační soubor jich vrátí nejvýše 699; zvolte kratší "
         "přes --line."},
        {"a line number the file cannot hold, shortened",
         {path("names.zip"), "SPO", "150", "--line", std::string(600, 'x') + "\x1b[2J"},
         kExitRefused,
         "Číslo linky „" + std::string(80, 'x') +
             "…“ nelze uložit do konfiguračního souboru; zvolte jiné přes --line."},
        {"an escape in an option",
         {"--\x1b[2J" + std::string(200, 'y')},
         kExitUsage,
         "Neznámá volba --␛[2J" + std::string(74, 'y') + "… (viz --help)."},
    };
    for (const auto& c : cases) {
        folder.write("kvapomern.ini", config);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--ini", ini});
        const Outcome r = runProgram(folder, args);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.err.toStdString(), c.message.empty() ? "" : c.message + "\n") << c.name;
        EXPECT_EQ(r.out.toStdString(), c.out) << c.name;
        EXPECT_LE(r.err.count('\n'), 1) << c.name;
        EXPECT_TRUE(showsAsText(r.err.chopped(r.err.isEmpty() ? 0 : 1))) << c.name;
        for (const QByteArray& line : r.out.split('\n')) {
            EXPECT_TRUE(showsAsText(QByteArray(line).replace('\t', ' '))) << c.name;
        }
        EXPECT_LT(r.peakKiB, 200 * 1024) << c.name;
        if (c.status != kExitOk) {
            EXPECT_EQ(folder.read("kvapomern.ini"), config) << c.name;
        }
        if (!c.written.isEmpty()) {
            EXPECT_TRUE(folder.read("kvapomern.ini").contains(test::cp1250(c.written))) << c.name;
        }
    }
}

} // namespace
} // namespace kvapomer::gtfs
