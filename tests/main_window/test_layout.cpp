// The main window as it stands before the first tick.

#include "main_window_fixture.h"
#include "ui_common/classic_look.h"
#include "ui_common/fonts.h"

#include <QFontInfo>
#include <QFontMetrics>

using namespace kvapomer;
using namespace kvapomer::test;

namespace {

struct ControlRow {
    const char* name;
    const char* parent;
    QRect twips;
    QString text;
    QString tip;
    QString face;
    double points;
    bool bold;
    QColor colour; // invalid: the platform's default
    bool visible;
};

const QColor kBlue(0, 0, 255);
const QString kNext = QStringLiteral("Čas příjezdu následujícího autobusu");

std::vector<ControlRow> table() {
    // clang-format off
    return {
        {"Frame4", "Form1", {60, 0, 4575, 1875}, "", "", "MS Serif", 8.25, true, {}, false},
        {"Label9", "Frame4", {60, 1260, 4455, 555}, "Autobus je ve stanici !!!", "", "Tahoma", 21.75, false, QColor(192, 0, 0), false},
        {"Label8", "Frame4", {120, 300, 4395, 1395}, "00:00:00", "Čas do příjezdu autobusu", "Tahoma", 48, true, {}, true},
        {"Command1", "Form1", {60, 1920, 1035, 375}, "Zvětšit", "Zvětšit / Zmenšit čas odpočtu", "MS Sans Serif", 8.25, false, {}, true},
        {"Frame3", "Form1", {120, 1020, 4455, 855}, "Příjezdy :", "Časy příjezdů autobusů", "MS Sans Serif", 8.25, false, {}, true},
        {"Command2", "Frame3", {3480, 180, 915, 615}, "Nastavení", "Nastavení programu a časů", "Arial Narrow", 9.75, false, {}, true},
        {"Label2_3", "Frame3", {1860, 540, 255, 195}, "4. :", "", "MS Sans Serif", 8.25, false, {}, true},
        {"Label3_0", "Frame3", {420, 240, 1155, 255}, "", "Čas, ve který přijede odpočítávaný autobus", "MS Sans Serif", 8.25, true, QColor(0, 128, 0), true},
        {"Label3_1", "Frame3", {420, 480, 1155, 255}, "", kNext, "MS Sans Serif", 8.25, false, {}, true},
        {"Label3_2", "Frame3", {2160, 240, 1155, 255}, "", kNext, "MS Sans Serif", 8.25, false, {}, true},
        {"Label2_0", "Frame3", {120, 300, 255, 195}, "1. :", "", "MS Sans Serif", 8.25, false, {}, true},
        {"Label2_1", "Frame3", {120, 600, 255, 195}, "2. :", "", "MS Sans Serif", 8.25, false, {}, true},
        {"Label2_2", "Frame3", {1860, 300, 255, 195}, "3. :", "", "MS Sans Serif", 8.25, false, {}, true},
        {"Label3_3", "Frame3", {2160, 480, 1155, 255}, "", kNext, "MS Sans Serif", 8.25, false, {}, true},
        {"Frame2", "Form1", {60, 360, 2235, 615}, "Aktuální čas : ", "Aktuální čas v PC", "MS Sans Serif", 8.25, false, {}, true},
        {"Label4", "Frame2", {60, 240, 2055, 315}, "", "Aktuální čas v PC", "Courier New", 14.25, true, {}, true},
        {"Frame1", "Form1", {2340, 360, 2235, 615}, "Čas do příjezdu autobusu :", "", "MS Sans Serif", 8.25, false, {}, true},
        {"Label5", "Frame1", {120, 240, 1995, 315}, "", "Čas za jak dlouho přijede nejbližší autobus", "MS Sans Serif", 12, true, QColor(255, 0, 0), true},
        {"Label7", "Form1", {3600, 120, 1035, 195}, "(směr Kačerov)", "", "Small Fonts", 6.75, false, kBlue, true},
        {"Label6", "Form1", {1080, 1920, 3525, 375}, "", "Klikni pro zaslání mailíku...", "MS Sans Serif", 8.25, false, kBlue, true},
        {"Label1", "Form1", {1080, 0, 2475, 315}, "Příjezdy BUS č.150", "", "MS Sans Serif", 12, true, kBlue, true},
    };
    // clang-format on
}

QString textOf(const QWidget* w) {
    if (auto* l = qobject_cast<const QLabel*>(w)) {
        return l->text();
    }
    if (auto* b = qobject_cast<const QPushButton*>(w)) {
        return b->text();
    }
    if (auto* g = qobject_cast<const QGroupBox*>(w)) {
        return g->title();
    }
    return {};
}

} // namespace

TEST_F(MainWindowTest, EveryControlMatchesTheLayoutTable) {
    fake.exeFolder.folder = folder.path();
    form = std::make_unique<Form1>(fake.platform);
    form->expandedView(); // built on first use
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Nahrávám data..."));
    EXPECT_EQ(form->size(), QSize(312, 154));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(form->windowIcon().isNull());
    form->show();
    for (const ControlRow& row : table()) {
        SCOPED_TRACE(row.name);
        QWidget* w = control(row.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget()->objectName(), QString::fromLatin1(row.parent));
        EXPECT_EQ(w->geometry(), twips(row.twips));
        EXPECT_EQ(textOf(w), row.text);
        EXPECT_EQ(w->toolTip(), row.tip);
        const QFont expected = designFont(row.face, row.points, row.bold);
        EXPECT_EQ(w->font().family(), expected.family());
        // A substitute face may be stepped down a pixel to fit its control.
        EXPECT_LE(w->font().pixelSize(), expected.pixelSize());
        EXPECT_GE(w->font().pixelSize(), expected.pixelSize() - 1);
        EXPECT_EQ(w->font().bold(), row.bold);
        if (row.colour.isValid()) {
            EXPECT_EQ(colourOf(w), row.colour);
        }
        EXPECT_EQ(!w->isHidden(), row.visible);
    }
    // Departure labels have a border, the numbering labels none.
    EXPECT_NE(label("Label3_2")->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(label("Label2_2")->frameShape(), QFrame::NoFrame);
    EXPECT_TRUE(label("Label5")->alignment().testFlag(Qt::AlignHCenter));
    EXPECT_TRUE(label("Label8")->alignment().testFlag(Qt::AlignLeft));
    EXPECT_TRUE(control("MMControl1")->isHidden());
}

TEST_F(MainWindowTest, FramesHoldTheirControlsBelowTheBorderInStoredStackingOrder) {
    fake.exeFolder.folder = folder.path();
    form = std::make_unique<Form1>(fake.platform);
    form->expandedView(); // built on first use
    for (const ClassicFrame* frame : form->findChildren<ClassicFrame*>()) {
        const QRect inside = frame->rect().adjusted(0, frame->borderTop() + 1, 0, 0);
        for (const QWidget* w : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            EXPECT_TRUE(inside.contains(w->geometry())) << w->objectName().toStdString();
        }
    }
    // Earlier rows of the departure list lie in front of later ones.
    const QList<QObject*> inFrame3 = control("Frame3")->children();
    qsizetype previous = inFrame3.size();
    for (const ControlRow& row : table()) {
        if (QLatin1String(row.parent) == QLatin1String("Frame3")) {
            const qsizetype index = inFrame3.indexOf(control(row.name));
            EXPECT_LT(index, previous) << row.name;
            previous = index;
        }
    }
}

TEST_F(MainWindowTest, SubstituteFontsAreInstalledAndTextsFitTheirControls) {
    fake.exeFolder.folder = folder.path();
    form = std::make_unique<Form1>(fake.platform);
    form->expandedView(); // built on first use
    // What the running program shows at its widest.
    const std::vector<std::pair<const char*, QString>> widest{
        {"Label1", "Příjezdy BUS č.150"},
        {"Label5", "23:59:59"},
        {"Label8", "23:58:58"},
        {"Label4", "00:00"},
        {"Label3_0", "23:59"},
        {"Label2_3", "4. :"},
        {"Label9", "Autobus je ve stanici !!!"},
        {"Label7", "(směr Kačerov)"}};
    for (const auto& [name, text] : widest) {
        QLabel* l = label(name);
        const QFontInfo info(l->font());
        EXPECT_EQ(info.family(), l->font().family())
            << name << " falls back to " << info.family().toStdString();
        EXPECT_LE(QFontMetrics(l->font()).horizontalAdvance(text), l->width()) << name;
        EXPECT_LE(QFontMetrics(l->font()).height(), l->height() + 4) << name;
    }
    QPushButton* settings = control<QPushButton>("Command2");
    EXPECT_LE(QFontMetrics(settings->font()).horizontalAdvance(settings->text()),
              settings->width() - 6);
}

TEST_F(MainWindowTest, TimersHaveTheirPeriodsAndStartStopped) {
    fake.exeFolder.folder = folder.path();
    form = std::make_unique<Form1>(fake.platform);
    EXPECT_EQ(timer("FlashT")->interval(), 500);
    EXPECT_FALSE(timer("FlashT")->isActive());
    EXPECT_EQ(timer("StayT")->interval(), 10500);
    EXPECT_FALSE(timer("StayT")->isActive());
    // The clock tick waits for the load.
    EXPECT_FALSE(timer("Timer1")->isActive());
}

TEST_F(MainWindowTest, ExpandedFrameCoversTheUpperBandInFront) {
    fake.exeFolder.folder = folder.path();
    form = std::make_unique<Form1>(fake.platform);
    form->expandedView(); // built on first use
    QWidget* frame4 = control("Frame4");
    const QList<QObject*> siblings = form->children();
    for (const char* covered : {"Label1", "Label7", "Frame1", "Frame2", "Frame3"}) {
        QWidget* w = control(covered);
        EXPECT_TRUE(frame4->geometry().contains(w->geometry())) << covered;
        EXPECT_GT(siblings.indexOf(frame4), siblings.indexOf(w)) << covered << " lies in front";
    }
    EXPECT_TRUE(frame4->autoFillBackground()) << "the expanded view must hide what lies behind it";
    const QList<QObject*> inFrame = frame4->children();
    EXPECT_GT(inFrame.indexOf(label("Label9")), inFrame.indexOf(label("Label8")));
}

TEST_F(MainWindowTest, StartUpPlacesTheWindowAtTheBottomRightAndLoads) {
    writeConfig(sampleConfig());
    fake.screen.screenSize = QSize(1024, 768);
    ASSERT_TRUE(startWindow());
    const QSize outer = form->frameGeometry().size();
    EXPECT_EQ(form->pos(), QPoint(1024 - outer.width(), 768 - outer.height() - 27));
    EXPECT_EQ(label("Label1")->text(), QStringLiteral("Příjezdy BUS č.150"));
    EXPECT_EQ(label("Label7")->text(), QStringLiteral("(směr Kačerov)"));
    EXPECT_EQ(label("Label6")->text(), Form1::creditLine());
    EXPECT_FALSE(form->state().Expanded);
    EXPECT_TRUE(form->state().countdown.SoundArmed);
    EXPECT_TRUE(timer("Timer1")->isActive());
    EXPECT_FALSE(fake.programEnd.ended);
    // Nothing is drawn before the first tick.
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Nahrávám data..."));
    EXPECT_EQ(label("Label4")->text(), QString());
}

TEST_F(MainWindowTest, StoredExpandedViewIsRestored) {
    writeConfig(sampleConfig({"06:15"}, QStringLiteral("1")));
    ASSERT_TRUE(startWindow());
    EXPECT_TRUE(form->state().Expanded);
}

TEST_F(MainWindowTest, MissingConfigurationEndsTheProgramWithoutWriting) {
    EXPECT_FALSE(startWindow());
    EXPECT_TRUE(fake.programEnd.ended);
    EXPECT_NE(fake.programEnd.status, 0);
    ASSERT_EQ(fake.messageBox.shown.size(), 1u);
    EXPECT_EQ(fake.messageBox.shown[0].title, QStringLiteral("Error - File not found"));
    EXPECT_FALSE(timer("Timer1")->isActive());
    EXPECT_TRUE(folder.entries().isEmpty()) << "nothing may be written";
}

TEST_F(MainWindowTest, BrokenConfigurationEndsTheProgramWithItsMessage) {
    writeConfig(sampleConfig({}, QStringLiteral("0")));
    const QByteArray before = configBytes();
    EXPECT_FALSE(startWindow());
    EXPECT_TRUE(fake.programEnd.ended);
    ASSERT_EQ(fake.messageBox.shown.size(), 1u);
    EXPECT_TRUE(fake.messageBox.shown[0].title.startsWith(QStringLiteral("Chyba #9 [")));
    // A close attempt after the end asks nothing and writes nothing.
    form->close();
    EXPECT_EQ(fake.messageBox.shown.size(), 1u);
    EXPECT_EQ(configBytes(), before);
}

TEST_F(MainWindowTest, AFailedReloadKeepsNothingOfThePartLoad) {
    writeConfig(sampleConfig());
    ASSERT_TRUE(startWindow());
    const Timetable before = form->state().timetable;
    QStringList broken = sampleConfig();
    broken.replace(broken.indexOf(QStringLiteral("Stav=0")), QStringLiteral("Stav=300"));
    writeConfig(broken);
    EXPECT_FALSE(form->LoadData());
    EXPECT_TRUE(fake.programEnd.ended);
    EXPECT_EQ(form->state().timetable.Times, before.Times);
    EXPECT_FALSE(timer("Timer1")->isActive());
}
