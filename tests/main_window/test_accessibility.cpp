// The main window for a screen reader: names, reading order, the countdown's
// sentence and the announcements; and its colours on a dark palette.

#include "main_window_fixture.h"
#include "support/accessible_tree.h"
#include "ui_common/accessibility.h"
#include "ui_common/colours.h"

#include <QApplication>
#include <QSignalSpy>

using namespace kvapomer;
using namespace kvapomer::test;

namespace {

class AccessibilityTest : public MainWindowTest {
protected:
    void SetUp() override {
        writeConfig(sampleConfig());
        ASSERT_TRUE(startWindow());
    }
    QString sentence() const { return accessibleText(label("Label5"), QAccessible::Description); }
    Announcer* announcer() const { return form->findChild<Announcer*>(); }
};

void expectNamedAndUnique(QWidget* window) {
    QStringList seen;
    for (const AccessibleNode& node : accessibleTree(window)) {
        ASSERT_TRUE(node.control());
        const std::string who = node.object ? node.object->objectName().toStdString() : "?";
        if (node.interactive) {
            EXPECT_FALSE(node.name.trimmed().isEmpty()) << who;
        }
        if (!node.name.isEmpty()) {
            EXPECT_FALSE(seen.contains(node.name)) << who << " repeats " << node.name.toStdString();
            seen << node.name;
        }
    }
}

} // namespace

TEST_F(AccessibilityTest, ReadsHeadingClockDeparturesCountdownNoteInOrder) {
    tickAt(6, 16, 0);
    const QStringList first = readNames(form.get());
    tickAt(6, 16, 1); // the clock's colon blinks; what is read does not
    EXPECT_EQ(label("Label4")->text(), QStringLiteral("06 16"));
    EXPECT_EQ(readNames(form.get()), first);
    EXPECT_EQ(first, (QStringList{"Příjezdy BUS č.150", "Aktuální čas", "06:16", "Příjezdy",
                                  "1. 06:45", "2. 07:10", "3. 07:40", "4. 08:05", "Nastavení",
                                  "Čas do příjezdu autobusu", "Zbývající čas", "(směr Kačerov)",
                                  Form1::creditLine(), "Zvětšit"}));
    expectNamedAndUnique(form.get());

    // The credit line is read with whatever it says.
    label("Label6")->setText(QStringLiteral("Linka dnes nejede."));
    EXPECT_TRUE(readNames(form.get()).contains(QStringLiteral("Linka dnes nejede.")));

    // The expanded view is read after the countdown it enlarges.
    form->state().Expanded = true;
    tickAt(8, 31, 0);
    const QStringList expanded = readNames(form.get());
    EXPECT_EQ(expanded.indexOf("Zvětšený pohled"), expanded.indexOf("Zbývající čas") + 1);
    EXPECT_TRUE(expanded.contains(QStringLiteral("4. žádný další odjezd")));
    expectNamedAndUnique(form.get());
}

TEST_F(AccessibilityTest, CountdownSentenceFollowsTheMinutesLeft) {
    struct Sample {
        int h, m, s;
        const char* sentence;
    };
    const Sample samples[] = {
        {6, 20, 30, "Autobus 150 odjíždí v 06:45, za 25 minut."},
        {6, 40, 1, "Autobus 150 odjíždí v 06:45, za 5 minut."},
        {6, 42, 0, "Autobus 150 odjíždí v 06:45, za 3 minuty."},
        {6, 44, 0, "Autobus 150 odjíždí v 06:45, za 1 minutu."},
        {6, 44, 1, "Autobus 150 odjíždí v 06:45, za méně než minutu."},
        {8, 31, 0, "Dnes už žádný autobus nejede."},
    };
    for (const Sample& s : samples) {
        tickAt(s.h, s.m, s.s);
        EXPECT_EQ(sentence(), QString::fromUtf8(s.sentence)) << s.h << ':' << s.m << ':' << s.s;
    }
    form->state().Expanded = true;
    tickAt(6, 42, 0);
    EXPECT_EQ(accessibleText(label("Label8"), QAccessible::Description), sentence());
}

TEST_F(AccessibilityTest, AnnouncesEachRedEntryAndEachBusInStationOnce) {
    writeConfig(sampleConfig({"10:00", "10:30"}));
    ASSERT_TRUE(form->LoadData());
    ASSERT_NE(announcer(), nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(announcer())->role(),
              QAccessible::AlertMessage);
    QSignalSpy spy(announcer(), &Announcer::announced);
    for (int t = 9 * 3600 + 54 * 60 + 50; t <= 10 * 3600 + 5; ++t) {
        tickAt(t / 3600, t / 60 % 60, t % 60);
    }
    ASSERT_EQ(spy.size(), 2);
    EXPECT_EQ(spy[0][0].toString(),
              QStringLiteral("Pozor, autobus 150 odjíždí v 10:00, za 5 minut."));
    EXPECT_EQ(spy[1][0].toString(), QStringLiteral("Autobus 150 je ve stanici."));
    EXPECT_EQ(accessibleText(announcer(), QAccessible::Name), spy[1][0].toString());

    // Minimised over the threshold: nothing until the restore turns it red.
    form->showMinimized();
    tickAt(10, 25, 1);
    EXPECT_EQ(spy.size(), 2);
    form->showNormal();
    tickAt(10, 25, 2);
    ASSERT_EQ(spy.size(), 3);
    EXPECT_EQ(spy[2][0].toString(),
              QStringLiteral("Pozor, autobus 150 odjíždí v 10:30, za 5 minut."));
}

TEST_F(AccessibilityTest, ExpandedViewIsBuiltOnFirstUseWithTheStateItMissed) {
    EXPECT_EQ(form->findChild<QWidget*>(QStringLiteral("Frame4")), nullptr);
    tickAt(6, 45, 0); // bus in the station, compact view
    EXPECT_EQ(form->findChild<QWidget*>(QStringLiteral("Frame4")), nullptr);
    form->state().Expanded = true;
    tickAt(6, 45, 1);
    ASSERT_NE(form->findChild<QWidget*>(QStringLiteral("Frame4")), nullptr);
    EXPECT_FALSE(label("Label9")->isHidden());
    EXPECT_EQ(label("Label8")->text(), QStringLiteral("00:24:59"));
    form->stayTick();
    EXPECT_TRUE(label("Label9")->isHidden());
}

TEST_F(AccessibilityTest, DarkPaletteKeepsEveryTextReadable) {
    const QPalette light = QApplication::palette();
    QApplication::setPalette(darkPalette());
    QCoreApplication::processEvents(); // the change reaches the windows as events
    form->expandedView();
    const auto contrastOf = [](const QLabel* l) {
        return contrastRatio(l->palette().color(QPalette::WindowText),
                             l->palette().color(QPalette::Window));
    };
    tickAt(6, 20, 0); // green
    EXPECT_EQ(label("Label5")->palette().color(QPalette::Window), QColor(0x35, 0x35, 0x35));
    for (const char* name :
         {"Label1", "Label3_0", "Label4", "Label5", "Label6", "Label7", "Label9"}) {
        EXPECT_GE(contrastOf(label(name)), kMinTextContrast) << name;
    }
    tickAt(6, 41, 0); // red
    EXPECT_GE(contrastOf(label("Label5")), kMinTextContrast);
    QApplication::setPalette(light);
    QCoreApplication::processEvents();
    EXPECT_EQ(colourOf(label("Label1")), QColor(0, 0, 255));
    EXPECT_EQ(colourOf(label("Label5")), QColor(255, 0, 0));
    EXPECT_EQ(colourOf(label("Label3_0")), QColor(0, 128, 0));
}

TEST(Colours, ContrastFollowsTheWcagFormulaAndDarkTextIsLightened) {
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(QColor(0, 0, 255), QColor(0xef, 0xef, 0xef)), 7.47, 0.01);
    const QColor back(0x35, 0x35, 0x35);
    for (const QColor designed : {QColor(0, 0, 255), QColor(0, 128, 0), QColor(255, 0, 0)}) {
        const QColor shown = readableOn(designed, back);
        EXPECT_GE(contrastRatio(shown, back), kMinTextContrast);
        EXPECT_LT(contrastRatio(shown, back), 7.0) << "lightened no more than needed";
    }
    QPalette light;
    light.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
    light.setColor(QPalette::WindowText, Qt::black);
    EXPECT_FALSE(isDarkPalette(light));
    EXPECT_EQ(textColourFor(QColor(255, 0, 0), light), QColor(255, 0, 0));
    EXPECT_TRUE(isDarkPalette(darkPalette()));
}
