// Every file of the corpus in tests/data/config loads with the outcome that
// tests/data/config/expected.txt gives it, and reads back byte for byte.

#include "config/loader.h"
#include "profile/profile_document.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTextStream>

namespace kvapomer {
namespace {

struct CorpusFile {
    QString name;
    bool loads = false;
    int number = 0; // time messages when it loads, the load error otherwise
};

std::vector<CorpusFile> corpus() {
    QFile list(QStringLiteral(KVAPOMER_SOURCE_DIR "/tests/data/config/expected.txt"));
    std::vector<CorpusFile> files;
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return files;
    }
    QTextStream in(&list);
    while (!in.atEnd()) {
        const QStringList fields = in.readLine().split(u' ', Qt::SkipEmptyParts);
        if (fields.isEmpty() || fields[0].startsWith(u'#')) {
            continue;
        }
        const bool loads = fields.value(1) == u"loaded";
        files.push_back(
            {fields[0], loads, fields.value(loads ? 2 : 1, QStringLiteral("0")).toInt()});
    }
    return files;
}

TEST(BadInputCorpus, EveryFileLoadsAsExpected) {
    const std::vector<CorpusFile> files = corpus();
    ASSERT_GE(files.size(), 40u);
    for (const CorpusFile& file : files) {
        SCOPED_TRACE(file.name.toStdString());
        QFile source(QStringLiteral(KVAPOMER_SOURCE_DIR "/tests/data/config/") + file.name);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = source.readAll();
        EXPECT_EQ(ProfileDocument(bytes).bytes(), bytes);

        test::TempFolder folder;
        folder.write(QStringLiteral("kvapomern.ini"), bytes);
        const LoadResult result = loadConfiguration(folder.file(QStringLiteral("kvapomern.ini")));
        if (file.loads) {
            EXPECT_EQ(result.status, LoadStatus::Loaded);
            EXPECT_EQ(result.messages.size(), file.number);
            for (const LoadMessage& message : result.messages) {
                EXPECT_EQ(message.title, QStringLiteral("Chyba vstupních dat"));
            }
            EXPECT_EQ(result.config.timetable.Times.size(), result.config.timetable.LastIndex + 1);
        } else {
            EXPECT_EQ(result.status, LoadStatus::Failed);
            EXPECT_EQ(result.errorNumber, file.number);
            ASSERT_EQ(result.messages.size(), 1);
            EXPECT_TRUE(result.messages[0].title.startsWith(QStringLiteral("Chyba #") +
                                                            QString::number(file.number) + " ["));
        }
    }
}

} // namespace
} // namespace kvapomer
