// The import window driven by the keyboard alone, from the remembered feed to
// a saved line whose bytes are the command's, and "Uložit" held back while the
// main window says its settings window is open; a line to a destination of
// the lines ticked, and what the window says going away with a new choice.

#include "gtfs_import/window/import_window.h"

#include "config/config_file.h"
#include "feed_fixture.h"
#include "gtfs_import/cli/import_command.h"
#include "profile/profile_store.h"
#include "support/sample_config.h"
#include "ui_common/accessibility.h"
#include "ui_common/focus_ring.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <cstring>
#include <sstream>

#include <unistd.h>

namespace kvapomer::gtfs {
namespace {

using test::TempFolder;

// A QTRY_ macro fails no gtest test: this waits as long and does.
#define EXPECT_SOON(condition)                                                                     \
    EXPECT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(condition); })) << #condition

constexpr std::chrono::year_month_day kToday{std::chrono::year(2026), std::chrono::December,
                                             std::chrono::day(9)};

class ImportWindowTest : public ::testing::Test {
protected:
    TempFolder folder;
    QString feed = test::feedZip(folder, "city.zip");
    QString ini = folder.file("kvapomern.ini");
    QByteArray start;
    std::unique_ptr<ImportWindow> window;

    void SetUp() override {
        // The file remembers the feed, which the window then opens by itself.
        folder.write("kvapomern.ini", test::fileBytes(test::lineConfig()));
        ASSERT_TRUE(ConfigFile(ini).storeLastFeed(feed));
        start = folder.read("kvapomern.ini");
        window = std::make_unique<ImportWindow>(ini, QString(),
                                                [] { return std::chrono::sys_days(kToday); });
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    template <typename W> W* child(const char* name) {
        return window->findChild<W*>(QString::fromLatin1(name));
    }
    QWidget* focused() { return QApplication::focusWidget(); }
    void key(Qt::Key k) { QTest::keyClick(focused(), k); }

    // Tab to the list `name`, then down it until the current row starts with `text`.
    void pick(const char* name, const QString& text) {
        key(Qt::Key_Tab);
        QListWidget* list = child<QListWidget>(name);
        ASSERT_EQ(focused(), list);
        for (int i = 0; i < list->count() && !list->currentItem()->text().startsWith(text); ++i) {
            key(Qt::Key_Down);
        }
        ASSERT_TRUE(list->currentItem()->text().startsWith(text)) << name;
    }

    // From the feed to the preview of line 150 from Roztyly toward Kačerov.
    void chooseLine() {
        QTRY_VERIFY(window->session().feed());
        ASSERT_EQ(focused(), child<QLineEdit>("StopSearch"));
        EXPECT_TRUE(child<QLabel>("Message")->text().startsWith("Jízdní řád načten: počet míst "));
        QTest::keyClicks(focused(), "roztyly");
        pick("Stops", "Roztyly, nástupiště 1");
        QTRY_COMPARE(child<QListWidget>("Lines")->count(), 2);
        pick("Lines", "150");
        pick("Directions", "směr Kačerov · nástupiště 1");
        QTRY_VERIFY(child<QPushButton>("Save")->isEnabled());
    }
};

TEST_F(ImportWindowTest, KeyboardFromFeedToSavedLineWritesTheCommandsBytes) {
    chooseLine();
    EXPECT_EQ(child<QLineEdit>("LineNumber")->text(), "150");
    EXPECT_EQ(child<QLineEdit>("Note")->text(), "(směr Kačerov)");
    EXPECT_EQ(child<QLabel>("TodayDepartures")->text(), "Dnes (2026-12-09): 01:15  06:20  07:45  "
                                                        "12:05  12:25  12:45");
    // The date (Tab walks its year, month and day first), line number, note,
    // the walk to the stop, the one-date switch, the live address and its
    // key, then "Uložit".
    key(Qt::Key_Tab);
    ASSERT_EQ(focused()->objectName().toStdString(), "Date");
    for (int section = 0; section < 3 && focused()->objectName() == "Date"; ++section) {
        key(Qt::Key_Tab);
    }
    for (const std::string next :
         {"LineNumber", "Note", "WalkMin", "OneDate", "LiveUrl", "LiveToken", "Save"}) {
        ASSERT_EQ(focused()->objectName().toStdString(), next);
        if (next != "Save") {
            key(Qt::Key_Tab);
        }
    }
    key(Qt::Key_Space);
    QTRY_VERIFY(child<QLabel>("Message")->text().contains("zapsáno do"));

    TempFolder other;
    other.write("kvapomern.ini", start);
    std::ostringstream out, err;
    ASSERT_EQ(runImportCommand({feed.toStdString(), "ROZ", "150", "--direction", "Kačerov",
                                "--activate", "--ini", other.file("kvapomern.ini").toStdString()},
                               {"", kToday}, out, err),
              kExitOk);
    EXPECT_EQ(folder.read("kvapomern.ini"), other.read("kvapomern.ini"));
    EXPECT_EQ(child<QLabel>("Message")->text().toStdString() + "\n",
              err.str().replace(err.str().find(other.file("kvapomern.ini").toStdString()),
                                other.file("kvapomern.ini").size(), ini.toStdString()));
    // A screen reader hears it at once, wherever the focus is.
    EXPECT_EQ(window->findChild<Announcer*>()->sentence(), child<QLabel>("Message")->text());

    // Escape closes the window.
    key(Qt::Key_Escape);
    QTRY_VERIFY(!window->isVisible());
}

TEST_F(ImportWindowTest, ProposesTheWalkOfTheLineTypedAndSavesTheOneSet) {
    // Line 150 walks 7 minutes, line 9 four; the file read once the line is chosen.
    ASSERT_TRUE(ConfigFile(ini).storeWalkMin("150", 7));
    ASSERT_TRUE(WriteIniValue(ini, "9", "WalkMin", "4"));
    chooseLine();
    QSpinBox* walk = child<QSpinBox>("WalkMin");
    QTRY_COMPARE(walk->value(), 7);
    EXPECT_EQ(walk->minimum(), 0);
    EXPECT_EQ(walk->maximum(), 120);
    QLineEdit* line = child<QLineEdit>("LineNumber");
    line->setText("9");
    EXPECT_EQ(walk->value(), 4);
    line->setText("10");
    EXPECT_EQ(walk->value(), 0);
    line->setText("150");
    EXPECT_EQ(walk->value(), 7);
    // Once set by the user, the walk no longer follows the number.
    walk->setFocus();
    key(Qt::Key_Up);
    EXPECT_EQ(walk->value(), 8);
    line->setText("9");
    EXPECT_EQ(walk->value(), 8);
    line->setText("150");
    child<QPushButton>("Save")->click();
    QTRY_VERIFY(child<QLabel>("Message")->text().contains("zapsáno do"));
    EXPECT_EQ(ConfigFile::walkMinIn(takeSnapshot(ini), "150"), 8);
    EXPECT_EQ(ConfigFile::walkMinIn(takeSnapshot(ini), "9"), 4);
}

TEST_F(ImportWindowTest, SaveWaitsWhileTheSettingsWindowIsOpen) {
    chooseLine();
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    auto input = std::make_unique<ParentInput>(ends[0]);
    QObject::connect(input.get(), &ParentInput::settingsOpen, window.get(),
                     &ImportWindow::setSettingsOpen);
    QPushButton* save = child<QPushButton>("Save");
    const auto say = [&](const char* line) {
        ASSERT_EQ(::write(ends[1], line, std::strlen(line)), std::ssize(std::string_view(line)));
    };
    say("settings-open\n");
    QTRY_VERIFY(!save->isEnabled());
    EXPECT_TRUE(child<QLabel>("SaveBlocked")->isVisible());
    EXPECT_EQ(child<QLabel>("SaveBlocked")->text(), "Zavřete nejdřív okno Nastavení.");
    say("settings-");
    say("closed\n");
    QTRY_VERIFY(save->isEnabled());
    EXPECT_FALSE(child<QLabel>("SaveBlocked")->isVisible());
    input.reset();
    ::close(ends[1]);
    ::close(ends[0]);
    EXPECT_EQ(folder.read("kvapomern.ini"), start);
}

TEST_F(ImportWindowTest, TodaysDeparturesAreShownOnce) {
    chooseLine();
    QLabel* day = child<QLabel>("DayDepartures");
    EXPECT_TRUE(day->text().isEmpty());
    EXPECT_FALSE(day->isVisible());
    child<QDateEdit>("Date")->setDate(QDate(2026, 12, 12));
    EXPECT_EQ(day->text(), "Dne 2026-12-12: 01:15  08:35");
    EXPECT_TRUE(day->isVisible());
    child<QDateEdit>("Date")->setDate(QDate(2026, 12, 9));
    EXPECT_TRUE(day->text().isEmpty());
}

// The destination feed: lines 150 and 177 go from Hlavní to Metro.
class DestinationWindowTest : public ImportWindowTest {
protected:
    DestinationWindowTest() {
        feed = test::feedFolder(folder, "to", {}, QStringLiteral("destination"));
    }
    QLabel* message() { return child<QLabel>("Message"); }
    QListWidget* lines() { return child<QListWidget>("Lines"); }
    void choose(const char* list, const QString& text) {
        QListWidget* l = child<QListWidget>(list);
        const QList<QListWidgetItem*> found = l->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        l->setCurrentItem(found[0]);
    }
};

TEST_F(DestinationWindowTest, KeyboardToADestinationSavesTheLinesTickedAsTheCommand) {
    EXPECT_SOON(window->session().feed());
    QTest::keyClicks(focused(), "hlavni");
    pick("Stops", "Hlavní (stanice)");
    EXPECT_FALSE(child<QListWidget>("ToStops")->isVisible());
    // Alt+K: where to; its places come between the places and the lines.
    QTest::keyClick(window.get(), Qt::Key_K, Qt::AltModifier);
    ASSERT_EQ(focused(), child<QLineEdit>("ToSearch"));
    EXPECT_EQ(focused()->accessibleName(), "Kam");
    QTest::keyClicks(focused(), "metro");
    EXPECT_FALSE(child<QListWidget>("Directions")->isVisible());
    pick("ToStops", "Metro");
    EXPECT_SOON(lines()->count() == 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(lines()->item(i)->checkState(), Qt::Checked);
    }
    EXPECT_EQ(child<QLineEdit>("LineNumber")->text(), "150+177");
    EXPECT_SOON(child<QPushButton>("Save")->isEnabled());
    // The focus ring stays around the list as the preview below takes its room.
    QListWidget* toStops = child<QListWidget>("ToStops");
    const auto* ring = window->findChild<FocusRing*>();
    ASSERT_EQ(ring->target(), toStops);
    QCoreApplication::processEvents();
    EXPECT_EQ(ring->geometry(), QRect(toStops->mapTo(window.get(), QPoint()), toStops->size())
                                    .adjusted(-FocusRing::kWidth, -FocusRing::kWidth,
                                              FocusRing::kWidth, FocusRing::kWidth));
    EXPECT_EQ(child<QLineEdit>("Note")->text(), "(směr Metro)");
    EXPECT_EQ(child<QLabel>("TodayDepartures")->text(),
              "Dnes (2026-12-09): 00:30 177, 01:10 150, 06:10 177, 06:20 150, 06:20 177");

    // Space unticks 150, and ticks it again.
    pick("Lines", "150");
    key(Qt::Key_Space);
    EXPECT_EQ(lines()->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(child<QLineEdit>("LineNumber")->text(), "177");
    EXPECT_FALSE(child<QPushButton>("Save")->isEnabled());
    EXPECT_SOON(child<QLabel>("TodayDepartures")->text() ==
                "Dnes (2026-12-09): 00:30  06:10  06:20");
    key(Qt::Key_Space);
    EXPECT_SOON(child<QLabel>("TodayDepartures")->text().count(u',') == 4);
    EXPECT_EQ(child<QLineEdit>("LineNumber")->text(), "150+177");

    key(Qt::Key_Tab);
    ASSERT_EQ(focused()->objectName().toStdString(), "Date");
    child<QPushButton>("Save")->click();
    EXPECT_SOON(message()->text().contains("zapsáno do"));
    TempFolder other;
    other.write("kvapomern.ini", start);
    std::ostringstream out, err;
    ASSERT_EQ(runImportCommand({feed.toStdString(), "HL", "--to", "MET", "--activate", "--ini",
                                other.file("kvapomern.ini").toStdString()},
                               {"", kToday}, out, err),
              kExitOk);
    EXPECT_EQ(folder.read("kvapomern.ini"), other.read("kvapomern.ini"));
}

TEST_F(DestinationWindowTest, WhatWasSaidOfAChoiceGoesWithTheNextOne) {
    EXPECT_SOON(window->session().feed());
    QLineEdit* search = child<QLineEdit>("StopSearch");
    // Nothing leaves Pole; then Hlavní, whose lines are listed without a word.
    search->setText("pole");
    choose("Stops", "Pole");
    EXPECT_SOON(message()->text() == "Odtud žádná linka neodjíždí.");
    search->setText("hlavni");
    choose("Stops", "Hlavní (stanice)");
    EXPECT_TRUE(message()->text().isEmpty());
    EXPECT_SOON(lines()->count() == 5);
    EXPECT_TRUE(message()->text().isEmpty());

    // Toward Hlavní nothing goes from Pole, in the command's words.
    child<QLineEdit>("ToSearch")->setText("hlavni");
    choose("ToStops", "Hlavní (stanice)");
    search->setText("pole");
    choose("Stops", "Pole");
    EXPECT_SOON(message()->text() == "Ze zastávky Pole do zastávky Hlavní žádná linka nejede.");
    EXPECT_EQ(lines()->count(), 0);
    search->setText("metro");
    choose("Stops", "Metro");
    EXPECT_TRUE(message()->text().isEmpty());
    EXPECT_SOON(lines()->count() == 1); // 20
    EXPECT_TRUE(message()->text().isEmpty());
    // Without the destination again, the lines leaving the place: 20, 30.
    child<QLineEdit>("ToSearch")->clear();
    EXPECT_SOON(lines()->count() == 2 && !lines()->item(0)->data(Qt::CheckStateRole).isValid());
    EXPECT_TRUE(child<QListWidget>("Directions")->isVisible());
}

} // namespace
} // namespace kvapomer::gtfs
