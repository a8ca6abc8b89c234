// The settings window's controls as they stand when it is created.

#include "settings_fixture.h"
#include "settings_window/typing_limit.h"
#include "ui_common/classic_look.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QStyle>
#include <QTest>

namespace kvapomer::test {
namespace {

struct Expected {
    const char* name;
    const char* kind;
    const char* parent; // "" for the window itself
    QRect geometry;     // pixels
    QString text;
    QString tip;
};

const QString kBlinkTip =
    QStringLiteral("Nastavení času, při kterém zbývající čas začne blikat...");
const QString kRedTip = QStringLiteral("Nastavení času, při kterém zbývající čas zčervená...");

const std::vector<Expected>& expectedControls() {
    // clang-format off
    static const std::vector<Expected> controls{
        {"Check2", "QCheckBox", "", {236, 132, 181, 13}, "Synchronizovat čas z Internetu", "Je-li aktivní, tak program, při svém spuštění, se pokusí synchronizovat čas Vašeho PC z Internetu. (Tato funkce nemusí fungovat korekně na některých firemních sítích)."},
        {"Command2", "QPushButton", "", {332, 180, 77, 25}, "Zpátky", "Konec bez uložení..."},
        {"Frame5", "QGroupBox", "", {232, 64, 189, 61}, "Alarm 2 :", kBlinkTip},
        {"Text6", "QLineEdit", "Frame5", {120, 16, 21, 21}, "", ""},
        {"Text7", "QLineEdit", "Frame5", {56, 16, 21, 21}, "", ""},
        {"Label8", "QLabel", "Frame5", {144, 20, 37, 13}, "sekund", kBlinkTip},
        {"Label7", "QLabel", "Frame5", {80, 20, 37, 21}, "minut a ", kBlinkTip},
        {"Label6", "QLabel", "Frame5", {68, 40, 101, 13}, "před příjezdem.", kBlinkTip},
        {"Label5", "QLabel", "Frame5", {4, 20, 49, 17}, "Upozornit", kBlinkTip},
        {"Frame4", "QGroupBox", "", {232, 4, 189, 57}, "Alarm 1 : ", kRedTip},
        {"Check1", "QCheckBox", "Frame4", {12, 32, 109, 21}, "Upozornit zvukem", "Aktivace hlasového varování."},
        {"Text5", "QLineEdit", "Frame4", {56, 12, 25, 21}, "", ""},
        {"Label4", "QLabel", "Frame4", {84, 16, 101, 17}, "minut před příjezdem", kRedTip},
        {"Label3", "QLabel", "Frame4", {4, 16, 53, 17}, "Upozornit", kRedTip},
        {"Frame3", "QGroupBox", "", {8, 48, 221, 157}, "Časy příjezdů :", ""},
        {"Text4", "QLineEdit", "Frame3", {148, 36, 21, 17}, "00", "Minuty"},
        {"Text3", "QLineEdit", "Frame3", {116, 36, 21, 17}, "00", "Hodiny"},
        {"Command4", "QPushButton", "Frame3", {112, 120, 85, 25}, "Odebrat", "Odebrat vybraný čas"},
        {"Command3", "QPushButton", "Frame3", {112, 84, 85, 25}, "Přidat", "Přidat vložený čas"},
        {"List1", "QListWidget", "Frame3", {8, 16, 85, 134}, "", "Seznam příjezdů autobusu"},
        {"Label2", "QLabel", "Frame3", {100, 16, 101, 21}, "Nový čas [hh:mm] :", "Vložení nového času"},
        {"Label1", "QLabel", "Frame3", {140, 36, 5, 17}, ":", ""},
        {"Frame2", "QGroupBox", "", {100, 4, 129, 41}, "Poznámka : ", ""},
        {"Text2", "QLineEdit", "Frame2", {8, 16, 113, 19}, "", "Směr autobusu, či jiná poznámka"},
        {"Frame1", "QGroupBox", "", {4, 4, 93, 41}, "Číslo autobusu : ", ""},
        {"Text1", "QLineEdit", "Frame1", {28, 16, 45, 19}, "", "Číslo autobusu"},
        {"Command1", "QPushButton", "", {240, 180, 77, 25}, "Uložit", "Uložit změny do databáze"},
    };
    // clang-format on
    return controls;
}

QString captionOf(const QWidget* w) {
    if (const auto* l = qobject_cast<const QLabel*>(w)) {
        return l->text();
    }
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
        return b->text();
    }
    if (const auto* g = qobject_cast<const QGroupBox*>(w)) {
        return g->title();
    }
    return {};
}

using LayoutTest = SettingsTest;

TEST_F(LayoutTest, EveryControlHasItsNameKindPlaceTextAndTooltip) {
    open();
    for (const Expected& e : expectedControls()) {
        SCOPED_TRACE(e.name);
        QWidget* w = control(e.name);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(e.kind));
        const QWidget* expectedParent =
            *e.parent ? control(e.parent) : static_cast<QWidget*>(form.data());
        EXPECT_EQ(w->parentWidget(), expectedParent);
        EXPECT_EQ(w->geometry(), e.geometry);
        if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QListWidget*>(w)) {
            EXPECT_EQ(captionOf(w), e.text);
        }
        EXPECT_EQ(w->toolTip(), e.tip);
    }
}

TEST_F(LayoutTest, PlaceholderTextsBeforeFilling) {
    // Form1 is not needed for the creation texts: a window whose filling
    // finds nothing in memory still shows what it was created with.
    writeConfig(settingsConfig());
    ASSERT_TRUE(startMain());
    main->state().timetable.Bus = QStringLiteral("Text1"); // no change, no switch
    openSettings();
    EXPECT_EQ(text("Text1")->text(), "Text1");
    EXPECT_EQ(text("Text3")->text(), "00");
    EXPECT_EQ(text("Text4")->text(), "00");
}

TEST_F(LayoutTest, WindowIsFixedWithoutMinimiseOrMaximise) {
    open();
    EXPECT_EQ(form->windowTitle(), "Časy příjezdů autobusů (nastavení)");
    EXPECT_EQ(form->size(), QSize(422, 213));
    EXPECT_EQ(form->minimumSize(), QSize(422, 213));
    EXPECT_EQ(form->maximumSize(), QSize(422, 213));
    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::Window));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(form->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(form->parentWidget(), nullptr);
    EXPECT_EQ(form->objectName(), "Form2");
}

TEST_F(LayoutTest, OwnIconAndDefaultFont) {
    open();
    const QIcon icon = form->windowIcon();
    EXPECT_FALSE(icon.pixmap(16, 16).isNull());
    EXPECT_FALSE(icon.pixmap(32, 32).isNull());
    EXPECT_NE(icon.pixmap(32, 32).toImage(), main->windowIcon().pixmap(32, 32).toImage());
    EXPECT_EQ(form->font().pixelSize(), 11);
    // Labels keep the window's face; one whose drawn text (trailing blanks
    // are not drawn) would overflow with a substitute face is stepped down a
    // pixel so that it fits, and the labels of its row with it.
    for (QLabel* label : form->findChildren<QLabel*>()) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_EQ(label->font().family(), form->font().family());
        EXPECT_GE(label->font().pixelSize(), 10);
        const QString drawn = label->text().remove(QRegularExpression(QStringLiteral("\\s+$")));
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(drawn), label->width());
        for (QLabel* other : label->parentWidget()->findChildren<QLabel*>()) {
            if (other->y() == label->y()) {
                EXPECT_EQ(other->font().pixelSize(), label->font().pixelSize())
                    << other->objectName().toStdString();
            }
        }
    }
}

TEST_F(LayoutTest, FramesHoldTheirControlsBelowTheBorder) {
    open();
    for (const ClassicFrame* frame : form->findChildren<ClassicFrame*>()) {
        const QRect inside = frame->rect().adjusted(0, frame->borderTop() + 1, 0, 0);
        for (const QWidget* w : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            EXPECT_TRUE(inside.contains(w->geometry())) << w->objectName().toStdString();
        }
    }
    EXPECT_EQ(form->findChildren<ClassicFrame*>().size(), 5);
    // The check indicators fit their boxes' height.
    for (const char* name : {"Check1", "Check2"}) {
        QCheckBox* box = check(name);
        EXPECT_LE(box->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, box),
                  box->height())
            << name;
    }
}

TEST_F(LayoutTest, IconIsDrawnInWhiteAndGreys) {
    open();
    const QImage image = form->windowIcon().pixmap(32, 32).toImage();
    ASSERT_FALSE(image.isNull());
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() == 255) {
                ++opaque;
                EXPECT_LE(std::abs(c.red() - c.green()) + std::abs(c.green() - c.blue()), 2)
                    << x << "," << y;
            }
        }
    }
    EXPECT_GT(opaque, 100);
}

TEST_F(LayoutTest, InitialStates) {
    open();
    EXPECT_FALSE(check("Check2")->isEnabled());
    EXPECT_FALSE(check("Check2")->isChecked());
    EXPECT_TRUE(check("Check1")->isEnabled());
    EXPECT_FALSE(button("Command4")->isEnabled());
    EXPECT_TRUE(button("Command3")->isEnabled());
    EXPECT_TRUE(button("Command1")->isEnabled());
    EXPECT_TRUE(button("Command2")->isEnabled());
    EXPECT_TRUE(list()->isSortingEnabled());
    EXPECT_EQ(list()->selectionMode(), QAbstractItemView::SingleSelection);
    auto* timer = form->findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 200);
    EXPECT_TRUE(timer->isActive());
}

TEST_F(LayoutTest, Check2CannotBeTicked) {
    open();
    form->show();
    QTest::mouseClick(check("Check2"), Qt::LeftButton);
    EXPECT_FALSE(check("Check2")->isChecked());
}

TEST_F(LayoutTest, FocusStartsOnCommand1AndTabFollowsTheFilling) {
    open();
    EXPECT_EQ(form->focusWidget(), button("Command1"));
    const char* order[] = {"Command1", "Command2", "Text1",  "Text2",    "Text3",
                           "Text4",    "Command3", "List1",  "Command4", "Text5",
                           "Text7",    "Text6",    "Check1", "Check2",   "Command1"};
    QWidget* w = control(order[0]);
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget* next = w->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, control(order[i])) << "after " << order[i - 1];
        w = next;
    }
}

TEST_F(LayoutTest, TimeAndAlertBoxesTakeTwoTypedCharacters) {
    open();
    for (const char* name : {"Text3", "Text4", "Text5", "Text6", "Text7"}) {
        SCOPED_TRACE(name);
        QLineEdit* box = text(name);
        EXPECT_EQ(typingLimit(box), 2);
        box->clear();
        QTest::keyClicks(box, QStringLiteral("123"));
        EXPECT_EQ(box->text(), "12");
        box->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("4567"));
        box->paste();
        EXPECT_EQ(box->text(), "45");
        // Typing into the middle of a full box adds nothing either.
        box->setCursorPosition(1);
        QTest::keyClicks(box, QStringLiteral("9"));
        EXPECT_EQ(box->text(), "45");
    }
}

TEST_F(LayoutTest, LineAndNoteBoxesTakeAnyLength) {
    open();
    for (const char* name : {"Text1", "Text2"}) {
        SCOPED_TRACE(name);
        QLineEdit* box = text(name);
        EXPECT_EQ(typingLimit(box), 0);
        EXPECT_EQ(box->maxLength(), 32767);
    }
    text("Text2")->clear();
    QTest::keyClicks(text("Text2"), QStringLiteral("(smer Kacerov) pres Budejovickou"));
    EXPECT_EQ(text("Text2")->text(), "(smer Kacerov) pres Budejovickou");
    text("Text1")->clear();
    QTest::keyClicks(text("Text1"), QStringLiteral("1234567"));
    EXPECT_EQ(text("Text1")->text(), "1234567");
}

TEST_F(LayoutTest, StoredValueLongerThanTheLimitShowsWhole) {
    QStringList lines = settingsConfig();
    lines.replaceInStrings(QStringLiteral("RedAlertMin=5"), QStringLiteral("RedAlertMin=120"));
    open(lines);
    EXPECT_EQ(text("Text5")->text(), "120");
    // Deleting from such a text is allowed, adding to it is not.
    text("Text5")->setCursorPosition(3);
    QTest::keyClick(text("Text5"), Qt::Key_Backspace);
    EXPECT_EQ(text("Text5")->text(), "12");
    QTest::keyClicks(text("Text5"), QStringLiteral("0"));
    EXPECT_EQ(text("Text5")->text(), "12");
}

TEST_F(LayoutTest, OpensCentredOnTheScreen) {
    open();
    fake.screen.screenSize = QSize(1920, 1080);
    form->show();
    const QRect frame = form->frameGeometry();
    EXPECT_EQ(frame.left(), (1920 - frame.width()) / 2);
    EXPECT_EQ(frame.top(), (1080 - frame.height()) / 2);
}

} // namespace
} // namespace kvapomer::test
