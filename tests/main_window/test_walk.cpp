// The walk to the stop in the main window: its dialog writes the line's walk
// at once, and the window then counts down to the moment to set off, with
// the bus one can only catch by running drawn grey in front.

#include "main_window/walk_dialog.h"
#include "main_window/walk_view.h"
#include "main_window_fixture.h"
#include "profile/profile_store.h"
#include "support/accessible_tree.h"
#include "ui_common/colours.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSpinBox>
#include <QTest>

using namespace kvapomer;
using namespace kvapomer::test;

namespace {

const QStringList kMorning{"06:20", "06:40"};

class WalkTest : public MainWindowTest {
protected:
    void SetUp() override { start(); }
    void TearDown() override { kvapomer::testing::setFaultHook({}); }
    void start(const QStringList& extra = {}) {
        writeConfig(lineConfig(kMorning, QStringLiteral("0"), extra));
        ASSERT_TRUE(startWindow());
    }
    WalkDialog* openDialog() {
        form->contextMenu()->findChild<QAction*>(QStringLiteral("MenuWalk"))->trigger();
        return form->findChild<WalkDialog*>();
    }
    // The dialog's value set as typed, then "Uložit".
    void saveWalk(int minutes) {
        WalkDialog* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        QSpinBox* box = dialog->findChild<QSpinBox*>(QStringLiteral("WalkMin"));
        box->selectAll();
        QTest::keyClicks(box, QString::number(minutes));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("WalkSave")),
                          Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString walkInFile() const {
        return ReadIniValue(folder.file(QStringLiteral("kvapomern.ini")), QStringLiteral("150"),
                            QStringLiteral("WalkMin"), QString());
    }
    QString caption() const { return control<QGroupBox>("Frame1")->title(); }
    static double contrastOf(const QLabel* l) {
        return contrastRatio(l->palette().color(QPalette::WindowText),
                             l->window()->palette().color(QPalette::Window));
    }
};

TEST_F(WalkTest, TheDialogWritesTheWalkAndTheWindowCountsToSettingOff) {
    tickAt(6, 10, 0);
    EXPECT_EQ(caption(), QStringLiteral("Čas do příjezdu autobusu :"));
    EXPECT_EQ(label("Label5")->text(), QStringLiteral("00:10:00"));
    const QByteArray before = configBytes();

    saveWalk(7);
    EXPECT_EQ(form->findChild<WalkDialog*>(), nullptr) << "closed once written";
    QByteArray expected = before;
    expected.append("WalkMin=7\r\n");
    EXPECT_EQ(configBytes(), expected) << "one key more, every other byte as it was";
    EXPECT_TRUE(fake.messageBox.shown.empty());

    tickAt(6, 10, 1);
    EXPECT_EQ(caption(), QStringLiteral("Vyrazit za :"));
    EXPECT_EQ(label("Label5")->text(), QStringLiteral("00:02:59"));
    EXPECT_EQ(label("Label5")->toolTip(),
              QStringLiteral("Autobus 150 odjíždí v 06:20, za 10 minut."));
    EXPECT_EQ(label("Label3_0")->text(), QStringLiteral("06:20"));
    EXPECT_TRUE(label("Label3_0")->font().bold());

    // 06:14: the 06:20 bus in grey in front, setting off for 06:40 counted.
    tickAt(6, 14, 0);
    QLabel* late = label("Label3_0");
    QLabel* counted = label("Label3_1");
    EXPECT_EQ(late->text(), QStringLiteral("06:20"));
    EXPECT_EQ(late->toolTip(), QStringLiteral("Tento autobus už pěšky nestihnete"));
    EXPECT_FALSE(late->font().bold());
    EXPECT_NE(colourOf(late), QColor(0, 128, 0));
    EXPECT_GE(contrastOf(late), kMinTextContrast);
    EXPECT_EQ(counted->text(), QStringLiteral("06:40"));
    EXPECT_TRUE(counted->font().bold());
    EXPECT_EQ(colourOf(counted), QColor(0, 128, 0));
    EXPECT_EQ(counted->toolTip(), QStringLiteral("Čas, ve který přijede odpočítávaný autobus"));
    EXPECT_EQ(label("Label5")->text(), QStringLiteral("00:19:00"));

    form->state().Expanded = true;
    tickAt(6, 14, 1);
    EXPECT_EQ(label("Label8")->toolTip(), QStringLiteral("Vyrazit za"));
    EXPECT_EQ(label("Label8")->text(), QStringLiteral("00:18:59"));

    // 0 switches it off and removes the key: the window is as it was laid out.
    ASSERT_EQ(openDialog()->minutes(), 7);
    form->findChild<WalkDialog*>()->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    saveWalk(0);
    EXPECT_EQ(configBytes(), before);
    tickAt(6, 14, 2);
    EXPECT_EQ(caption(), QStringLiteral("Čas do příjezdu autobusu :"));
    EXPECT_EQ(label("Label8")->toolTip(), QStringLiteral("Čas do příjezdu autobusu"));
    EXPECT_EQ(label("Label5")->toolTip(),
              QStringLiteral("Čas za jak dlouho přijede nejbližší autobus"));
    EXPECT_EQ(label("Label3_0")->toolTip(),
              QStringLiteral("Čas, ve který přijede odpočítávaný autobus"));
    EXPECT_TRUE(label("Label3_0")->font().bold());
    EXPECT_EQ(colourOf(label("Label3_0")), QColor(0, 128, 0));
    EXPECT_FALSE(label("Label3_1")->font().bold());
    EXPECT_EQ(label("Label3_1")->toolTip(), QStringLiteral("Čas příjezdu následujícího autobusu"));
    EXPECT_EQ(label("Label5")->text(), QStringLiteral("00:05:58"));
}

TEST_F(WalkTest, CancelAndAFailedWriteLeaveTheFileAsItWas) {
    const QByteArray before = configBytes();
    WalkDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QSpinBox*>(QStringLiteral("WalkMin"))->setValue(9);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("WalkCancel")),
                      Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form->findChild<WalkDialog*>(), nullptr);
    EXPECT_EQ(configBytes(), before);

    kvapomer::testing::setFaultHook([](kvapomer::testing::UpdateStage) { return false; });
    saveWalk(9);
    EXPECT_EQ(configBytes(), before);
    ASSERT_EQ(fake.messageBox.shown.size(), 1u);
    EXPECT_EQ(fake.messageBox.shown[0].text, QStringLiteral("Chyba při ukládání"));
    EXPECT_TRUE(fake.messageBox.shown[0].title.startsWith(QStringLiteral("Error #")));
    EXPECT_NE(form->findChild<WalkDialog*>(), nullptr) << "kept open with what was typed";
    EXPECT_EQ(form->state().timetable.WalkMin, 0);
}

TEST_F(WalkTest, TheDialogIsNamedForAScreenReaderAndOpensWithTheLinesWalk) {
    start({"WalkMin=012"});
    WalkDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Cesta na zastávku"));
    EXPECT_EQ(dialog->minutes(), 12);
    QSpinBox* box = dialog->findChild<QSpinBox*>(QStringLiteral("WalkMin"));
    EXPECT_EQ(box->minimum(), 0);
    EXPECT_EQ(box->maximum(), 120);
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("WalkCaption"))->text(),
              QStringLiteral("Cesta z domova na zastávku (min):"));
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("WalkCaption"))->buddy(), box);
    EXPECT_EQ(dialog->findChild<QPushButton*>(QStringLiteral("WalkSave"))->text(),
              QStringLiteral("Uložit"));
    EXPECT_EQ(dialog->findChild<QPushButton*>(QStringLiteral("WalkCancel"))->text(),
              QStringLiteral("Zrušit"));
    QStringList names;
    for (const AccessibleNode& node : accessibleTree(dialog)) {
        if (node.interactive) {
            EXPECT_FALSE(node.name.trimmed().isEmpty()) << node.object->objectName().toStdString();
            names << node.name;
        }
    }
    EXPECT_TRUE(names.contains(QStringLiteral("Cesta z domova na zastávku v minutách")));
    EXPECT_TRUE(names.contains(QStringLiteral("Uložit")));
    // The menu opens the one dialog there is.
    EXPECT_EQ(openDialog(), dialog);
    EXPECT_EQ(form->findChildren<WalkDialog*>().size(), 1);
}

TEST_F(WalkTest, TheTimeToSetOffIsShownInsteadOfTheBusInTheStation) {
    start({"WalkMin=7"});
    form->state().Expanded = true;
    tickAt(6, 13, 0);
    QLabel* message = label("Label9");
    EXPECT_FALSE(message->isHidden());
    EXPECT_EQ(message->text(), QStringLiteral("Je čas vyrazit !!!"));
    EXPECT_TRUE(timer("StayT")->isActive());
    form->stayTick();
    tickAt(6, 20, 0);
    EXPECT_TRUE(message->isHidden()) << "no bus-in-station message at the departure";
    EXPECT_FALSE(timer("StayT")->isActive());
}

TEST_F(WalkTest, TheLateBusStaysReadableOnALightAndADarkDesktop) {
    start({"WalkMin=7"});
    tickAt(6, 14, 0);
    QLabel* late = label("Label3_0");
    EXPECT_GE(contrastOf(late), kMinTextContrast);
    const QPalette light = QApplication::palette();
    QApplication::setPalette(darkPalette());
    QCoreApplication::processEvents();
    EXPECT_GE(contrastOf(late), kMinTextContrast);
    EXPECT_GE(contrastOf(label("Label3_1")), kMinTextContrast);
    EXPECT_EQ(late->toolTip(), QStringLiteral("Tento autobus už pěšky nestihnete"));
    QApplication::setPalette(light);
    QCoreApplication::processEvents();
    EXPECT_GE(contrastOf(late), kMinTextContrast);
    EXPECT_EQ(colourOf(label("Label3_1")), QColor(0, 128, 0));
    for (const QColor back : {QColor(Qt::white), QColor(0xef, 0xef, 0xef), QColor(0x35, 0x35, 0x35),
                              QColor(Qt::black)}) {
        EXPECT_GE(contrastRatio(WalkView::lateColour(back), back), kMinTextContrast);
    }
}

// A walk key that does not switch it on: the window looks exactly as one
// without it, pixel for pixel, tick after tick.
TEST_F(WalkTest, AnOffValueLeavesEveryPixelAsWithoutTheKey) {
    TempFolder other;
    other.write(QStringLiteral("kvapomern.ini"),
                fileBytes(lineConfig(kMorning, QStringLiteral("0"), {"WalkMin=7.0"})));
    FakePlatform otherFake;
    otherFake.exeFolder.folder = other.path();
    Form1 off(otherFake.platform);
    ASSERT_TRUE(off.start());
    form->show();
    off.show();
    for (const auto& [h, m, s] : {std::tuple{6, 10, 0}, {6, 13, 0}, {6, 14, 0}, {6, 19, 59}}) {
        tickAt(h, m, s);
        otherFake.clock.set(h, m, s);
        off.tick();
        EXPECT_EQ(off.grab().toImage(), form->grab().toImage()) << h << ':' << m << ':' << s;
    }
}

} // namespace
