// The settings window for a screen reader and for the keyboard alone.

#include "settings_fixture.h"
#include "support/accessible_tree.h"
#include "ui_common/focus_ring.h"

#include <QApplication>
#include <QTest>

namespace kvapomer::test {
namespace {

using SettingsAccessibilityTest = SettingsTest;

TEST_F(SettingsAccessibilityTest, FieldsHaveTheirOwnUniqueNamesInTabOrder) {
    open();
    QStringList names;
    QStringList seen;
    for (const AccessibleNode& node : accessibleTree(form)) {
        if (!node.control()) {
            continue; // the list's entries are named by their times
        }
        if (node.interactive) {
            EXPECT_FALSE(node.name.trimmed().isEmpty()) << node.object->objectName().toStdString();
            names << node.name;
        }
        if (!node.name.isEmpty()) {
            EXPECT_FALSE(seen.contains(node.name)) << node.name.toStdString();
            seen << node.name;
        }
    }
    EXPECT_EQ(names, (QStringList{"Číslo autobusu (linky)", "Poznámka k lince", "Hodina odjezdu",
                                  "Minuta odjezdu", "Přidat čas", "Seznam časů odjezdů",
                                  "Odebrat vybraný čas", "Alarm 1, minuty", "Upozornit zvukem",
                                  "Alarm 2, minuty", "Alarm 2, sekundy",
                                  "Synchronizovat čas z Internetu", "Uložit", "Zpátky"}));
    // The labels beside a box point at it.
    EXPECT_EQ(control<QLabel>("Label2")->buddy(), text("Text3"));
    EXPECT_EQ(control<QLabel>("Label4")->buddy(), text("Text5"));
    EXPECT_EQ(control<QLabel>("Label8")->buddy(), text("Text6"));
    EXPECT_EQ(accessibleText(button("Command1"), QAccessible::Description),
              QStringLiteral("Uložit změny do databáze"));
}

TEST_F(SettingsAccessibilityTest, TabWalksEveryControlWithAVisibleRingAndEscapeCloses) {
    open(settingsConfig({"06:15", "07:40"}, {"[136]", "t0=09:10", "NumberOfTimes=1"}));
    form->show();
    QApplication::setActiveWindow(form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    ASSERT_EQ(QApplication::focusWidget(), button("Command1"));
    list()->setCurrentRow(1);
    form->timer1Tick(); // "Odebrat" takes focus only while enabled
    auto* ring = form->findChild<FocusRing*>();
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->target(), nullptr) << "no ring before the keyboard is used";

    QStringList walked;
    for (int i = 0; i < 13; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        walked << focus->objectName();
        ASSERT_EQ(ring->target(), focus) << walked.join(u' ').toStdString();
        const QRect around(focus->mapTo(form, QPoint(0, 0)), focus->size());
        EXPECT_TRUE(ring->geometry().contains(around)) << walked.last().toStdString();
        EXPECT_FALSE(ring->isHidden());
    }
    EXPECT_EQ(walked,
              (QStringList{"Command2", "Text1", "Text2", "Text3", "Text4", "Command3", "List1",
                           "Command4", "Text5", "Text7", "Text6", "Check1", "Command1"}));

    // A line switch, then Escape: closed as by the frame, nothing saved or put back.
    type("Text1", QStringLiteral("136"));
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Escape);
    EXPECT_TRUE(settingsClosed());
    EXPECT_TRUE(fake.messageBox.shown.empty());
    EXPECT_EQ(read("Main", "Bus"), "136");
}

TEST_F(SettingsAccessibilityTest, EscapeClosesFromEveryKindOfControl) {
    for (const char* name : {"Text5", "Check1", "Command3"}) {
        open();
        form->show();
        QApplication::setActiveWindow(form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(form));
        QWidget* w = control(name);
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Escape);
        EXPECT_TRUE(settingsClosed()) << name;
        main.reset();
    }
}

} // namespace
} // namespace kvapomer::test
