// The main window's context menu, staying on top, following the configuration
// file while it runs, and starting the import window.

#include "config/config_file.h"
#include "main_window_fixture.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QSaveFile>
#include <QTest>
#include <QWindow>

using namespace kvapomer;
using namespace kvapomer::test;

namespace {

QStringList actionTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            texts << action->text();
        }
    }
    return texts;
}

} // namespace

class KeepInViewTest : public MainWindowTest {
protected:
    void SetUp() override { start(sampleConfig()); }
    void start(const QStringList& config) {
        writeConfig(config);
        ASSERT_TRUE(startWindow());
        form->setSettingsFactory([this](SettingsHost&) {
            ++settingsCreated;
            auto* w = new QWidget;
            w->setAttribute(Qt::WA_DeleteOnClose);
            return w;
        });
        form->show();
    }
    QAction* action(const char* name) {
        QAction* a = form->contextMenu()->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    // Someone else's save: a new file renamed over the old one, as editors do.
    void replaceConfig(const QByteArray& bytes) {
        QSaveFile file(folder.file(QStringLiteral("kvapomern.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        ASSERT_TRUE(file.commit());
    }
    QString heading() const { return label("Label1")->text(); }

    int settingsCreated = 0;
};

TEST_F(KeepInViewTest, MenuOpensByMouseMenuKeyAndShiftF10WithItsSixItems) {
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10),
                            form->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(form.get(), &click);
    QMenu* menu = form->contextMenu();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(actionTexts(menu),
              QStringList({QStringLiteral("Načíst linku z jízdního řádu…"),
                           QStringLiteral("Cesta na zastávku…"), QStringLiteral("Vždy navrchu"),
                           QStringLiteral("Ikona na panelu"),
                           QStringLiteral("Nastavení"), QStringLiteral("Konec")}));
    EXPECT_TRUE(action("MenuStayOnTop")->isCheckable());
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_F10, Qt::ShiftModifier}, std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
        menu->hide();
        QTest::keyClick(control("Command1"), key, modifiers);
        EXPECT_TRUE(menu->isVisible()) << key;
    }
    menu->hide();
    QTest::keyClick(control("Command1"), Qt::Key_F10);
    EXPECT_FALSE(menu->isVisible()) << "F10 alone is not the menu key";
}

TEST_F(KeepInViewTest, SettingsAndExitItemsActAsTheButtonAndTheCloseButton) {
    action("MenuSettings")->trigger();
    EXPECT_EQ(settingsCreated, 1);
    ASSERT_TRUE(form->settingsWindow());
    EXPECT_TRUE(form->settingsWindow()->isVisible());
    action("MenuSettings")->trigger();
    EXPECT_EQ(settingsCreated, 1) << "an open settings window is not opened again";

    const QByteArray before = configBytes();
    fake.messageBox.answers = {MessageAnswer::Cancel, MessageAnswer::Ok};
    action("MenuExit")->trigger();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(configBytes(), before);
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    action("MenuExit")->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->settingsWindow());
    ASSERT_EQ(fake.messageBox.shown.size(), 2u);
    for (const ShownMessage& shown : fake.messageBox.shown) {
        EXPECT_EQ(shown.text, QStringLiteral("Opravdu chcete skončit?"));
        EXPECT_EQ(shown.style, MessageStyle::QuestionOkCancel);
    }
    QByteArray expected = before;
    expected.replace("Stav=0", "Stav=1");
    EXPECT_EQ(configBytes(), expected);
}

TEST_F(KeepInViewTest, StayOnTopIsStoredAtOnceAloneAndComesBackAtStart) {
    const QByteArray before = configBytes();
    const QPoint position = form->pos();
    action("MenuStayOnTop")->trigger();
    EXPECT_TRUE(form->stayOnTop());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->pos(), position);
    QByteArray expected = before;
    expected.replace("Stav=0\r\n", "Stav=0\r\nStayOnTop=1\r\n");
    EXPECT_EQ(configBytes(), expected);

    action("MenuStayOnTop")->trigger();
    EXPECT_FALSE(form->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    expected.replace("StayOnTop=1", "StayOnTop=0");
    EXPECT_EQ(configBytes(), expected);

    QStringList stored = sampleConfig({"06:15"});
    stored.insert(stored.indexOf(QStringLiteral("Stav=0")) + 1, QStringLiteral("StayOnTop=1"));
    start(stored);
    EXPECT_TRUE(form->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(action("MenuStayOnTop")->isChecked());
}

TEST_F(KeepInViewTest, SomeoneElsesChangeIsLoadedOnlyWhenItLoadsWithoutAMessage) {
    QStringList line136 = sampleConfig({"07:00", "08:00"});
    line136.replaceInStrings(QStringLiteral("Bus=150"), QStringLiteral("Bus=136"));
    line136.replaceInStrings(QStringLiteral("[150]"), QStringLiteral("[136]"));
    QStringList broken = line136;
    broken.replaceInStrings(QStringLiteral("NumberOfTimes=2"), QStringLiteral("NumberOfTimes=0"));
    QStringList mended = line136;
    mended.replaceInStrings(QStringLiteral("t0=07:00"), QStringLiteral("t0=7:00"));

    for (const QByteArray& bad : {QByteArray(), fileBytes(broken), fileBytes(mended)}) {
        replaceConfig(bad);
        form->followConfigFile();
        form->followConfigFile(); // tried once per version
        EXPECT_EQ(heading(), QStringLiteral("Příjezdy BUS č.150"));
    }
    EXPECT_TRUE(fake.messageBox.shown.empty());
    EXPECT_FALSE(fake.programEnd.ended);

    replaceConfig(fileBytes(line136));
    form->followConfigFile();
    EXPECT_EQ(heading(), QStringLiteral("Příjezdy BUS č.136"));
    tickAt(6, 59, 0);
    EXPECT_EQ(label("Label5")->text(), QStringLiteral("00:01:00"));
}

TEST_F(KeepInViewTest, OwnWritesAreNotReloaded) {
    start(sampleConfig({"06:15"}, QStringLiteral("1")));
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_FALSE(form->state().Expanded);
    // A reload would bring the stored expanded view back.
    action("MenuStayOnTop")->trigger();
    form->followConfigFile();
    EXPECT_FALSE(form->state().Expanded);
    // What the settings window writes without a reload ("Zpátky").
    form->ownWrite(
        [&] { static_cast<void>(form->configFile().activateLine(QStringLiteral("136"))); });
    form->followConfigFile();
    EXPECT_FALSE(form->state().Expanded);
    EXPECT_EQ(heading(), QStringLiteral("Příjezdy BUS č.150"));

    replaceConfig(fileBytes(sampleConfig({"06:15"}, QStringLiteral("1"))));
    form->followConfigFile();
    EXPECT_TRUE(form->state().Expanded) << "someone else's change is loaded";
}

TEST_F(KeepInViewTest, ChangeSeenWhileTheSettingsWindowIsOpenIsLoadedWhenItCloses) {
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    QStringList other = sampleConfig();
    other.replaceInStrings(QStringLiteral("(směr Kačerov)"), QStringLiteral("(směr Háje)"));
    replaceConfig(fileBytes(other));
    form->followConfigFile();
    EXPECT_EQ(label("Label7")->text(), QStringLiteral("(směr Kačerov)"));
    form->settingsWindow()->close();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(label("Label7")->text(), QStringLiteral("(směr Háje)"));
}

class ImportLaunchTest : public KeepInViewTest {
protected:
    // A stand-in for the import program: records its arguments and its input.
    void installImporter() {
        const QString path = folder.file(Form1::importProgramName());
        folder.write(Form1::importProgramName(), "#!/bin/sh\n"
                                                 "cd \"$(dirname \"$0\")\"\n"
                                                 "echo start >> starts.txt\n"
                                                 "printf '%s\\n' \"$@\" > args.txt\n"
                                                 "exec cat > input.txt\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    }
    bool waitFor(const QString& name, const QByteArray& content) {
        return QTest::qWaitFor([&] { return folder.read(name) == content; }, 10000);
    }
    QByteArray expectedArgs(const QString& feed = {}) const {
        QByteArray args = "--window\n--ini\n" + QFile::encodeName(form->configFile().path()) + '\n';
        return feed.isEmpty() ? args : args + "--feed\n" + QFile::encodeName(feed) + '\n';
    }
};

TEST_F(ImportLaunchTest, MissingImportProgramIsReportedInCzech) {
    action("MenuImport")->trigger();
    ASSERT_EQ(fake.messageBox.shown.size(), 1u);
    EXPECT_TRUE(fake.messageBox.shown[0].text.startsWith(QStringLiteral("Nebyl nalezen program")));
    EXPECT_TRUE(fake.messageBox.shown[0].text.contains(Form1::importProgramName()));
    EXPECT_EQ(fake.messageBox.shown[0].style, MessageStyle::Error);
}

TEST_F(ImportLaunchTest, OneImportWindowLearnsWhetherTheSettingsWindowIsOpen) {
    installImporter();
    action("MenuImport")->trigger();
    ASSERT_TRUE(waitFor(QStringLiteral("args.txt"), expectedArgs()));
    ASSERT_TRUE(waitFor(QStringLiteral("input.txt"), "settings-closed\n"));
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_TRUE(waitFor(QStringLiteral("input.txt"), "settings-closed\nsettings-open\n"));
    form->settingsWindow()->close();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(
        waitFor(QStringLiteral("input.txt"), "settings-closed\nsettings-open\nsettings-closed\n"));

    form->contextMenu()->popup(form->mapToGlobal(QPoint(0, 0)));
    EXPECT_FALSE(action("MenuImport")->isEnabled());
    form->openImport();
    EXPECT_EQ(folder.read(QStringLiteral("starts.txt")), "start\n") << "one at a time";
    EXPECT_TRUE(fake.messageBox.shown.empty());
}

TEST_F(ImportLaunchTest, DroppedZipOpensTheImportWindowWithIt) {
    installImporter();
    const QString zip = folder.file(QStringLiteral("feed.ZIP"));
    folder.write(QStringLiteral("feed.ZIP"), "PK");
    folder.write(QStringLiteral("feed.txt"), "x");
    const auto dragEnter = [&](const QString& file) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter({5, 5}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        return enter.isAccepted();
    };
    EXPECT_FALSE(dragEnter(folder.file(QStringLiteral("feed.txt"))));
    ASSERT_TRUE(dragEnter(zip));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(zip)});
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
    EXPECT_TRUE(waitFor(QStringLiteral("args.txt"), expectedArgs(zip)));
}
