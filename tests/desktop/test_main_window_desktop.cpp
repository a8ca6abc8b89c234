// The main window on the desktop: its notice while minimised, and the
// settings window that belongs to it.

#include "main_window/form1.h"
#include "support/fake_desktop_notice.h"
#include "support/fakes.h"
#include "support/sample_config.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QPushButton>
#include <QWindow>

#include <memory>

namespace kvapomer::test {
namespace {

class MainWindowDesktopTest : public ::testing::Test {
protected:
    void start(const QString& alertOn = QStringLiteral("ON")) {
        QStringList lines = lineConfig({"10:00", "10:30"});
        lines.replaceInStrings(QStringLiteral("AlertON=ON"), QStringLiteral("AlertON=") + alertOn);
        folder.write(QStringLiteral("kvapomern.ini"), fileBytes(lines));
        fake.exeFolder.folder = folder.path();
        form = std::make_unique<Form1>(fake.platform);
        form->setDesktopNotice(&notice);
        form->setSettingsFactory([](SettingsHost&) { return new QWidget(nullptr, Qt::Window); });
        ASSERT_TRUE(form->start());
    }
    void tickAt(int h, int m, int s) {
        fake.clock.set(h, m, s);
        form->tick();
    }
    QColor countdownColour() const {
        return form->findChild<QLabel*>(QStringLiteral("Label5"))
            ->palette()
            .color(QPalette::WindowText);
    }
    void clickSettings() { form->findChild<QPushButton*>(QStringLiteral("Command2"))->click(); }

    TempFolder folder;
    FakePlatform fake;
    FakeDesktopNotice notice;
    std::unique_ptr<Form1> form;
};

TEST_F(MainWindowDesktopTest, MinimisedWindowSendsOneNoticeAndStaysGreenUntilRestored) {
    start();
    form->showMinimized();
    tickAt(9, 55, 0);
    tickAt(9, 55, 1);
    tickAt(9, 55, 2);
    ASSERT_EQ(notice.shown.size(), 1u);
    EXPECT_EQ(notice.shown[0].summary, QStringLiteral("Linka 150 odjíždí v 10:00"));
    EXPECT_EQ(notice.shown[0].body, QStringLiteral("za 5 minut"));
    EXPECT_EQ(countdownColour(), QColor(0, 128, 0));
    EXPECT_TRUE(fake.sound.played.isEmpty());

    form->showNormal();
    tickAt(9, 55, 3);
    EXPECT_EQ(countdownColour(), QColor(255, 0, 0));
    EXPECT_EQ(fake.sound.played.size(), 1);
    EXPECT_EQ(notice.shown.size(), 1u);
}

TEST_F(MainWindowDesktopTest, NoNoticeWithTheSoundSwitchedOff) {
    start(QStringLiteral("OFF"));
    form->showMinimized();
    tickAt(9, 55, 1);
    EXPECT_TRUE(notice.shown.empty());
}

TEST_F(MainWindowDesktopTest, SettingsWindowBelongsToTheMainWindowAndComesBackWhenMinimised) {
    start();
    form->show();
    clickSettings();
    QWidget* settings = form->settingsWindow();
    ASSERT_NE(settings, nullptr);
    ASSERT_NE(settings->windowHandle(), nullptr);
    EXPECT_EQ(settings->windowHandle()->transientParent(), form->windowHandle());
    EXPECT_EQ(settings->windowType(), Qt::Dialog); // the kind X11 ties to an owner

    settings->showMinimized();
    ASSERT_TRUE(settings->isMinimized());
    clickSettings();
    EXPECT_EQ(form->settingsWindow(), settings); // the same window, edits kept
    EXPECT_FALSE(settings->isMinimized());
    EXPECT_TRUE(settings->isVisible());
}

} // namespace
} // namespace kvapomer::test
