// The main window's commands, the mail link, the hover effect and the exit.

#include "main_window_fixture.h"

#include <QMouseEvent>
#include <QTest>

using namespace kvapomer;
using namespace kvapomer::test;

namespace {

void moveMouse(QWidget* w, QPoint pos) {
    QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

} // namespace

class CommandsTest : public MainWindowTest {
protected:
    void SetUp() override {
        writeConfig(sampleConfig());
        ASSERT_TRUE(startWindow());
        form->setSettingsFactory([this](SettingsHost&) {
            ++settingsCreated;
            auto* w = new QWidget;
            w->setAttribute(Qt::WA_DeleteOnClose);
            w->setObjectName(QStringLiteral("Form2"));
            return w;
        });
        form->show();
    }
    QByteArray stavLine() const {
        const QByteArray bytes = configBytes();
        const qsizetype at = bytes.indexOf("Stav=");
        return bytes.mid(at, bytes.indexOf('\r', at) - at);
    }
    int settingsCreated = 0;
};

TEST_F(CommandsTest, CancelAtTheExitQuestionKeepsTheWindowAndTheFile) {
    const QByteArray before = configBytes();
    fake.messageBox.answers = {MessageAnswer::Cancel};
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(fake.messageBox.shown.size(), 1u);
    EXPECT_EQ(fake.messageBox.shown[0].text, QStringLiteral("Opravdu chcete skončit?"));
    EXPECT_EQ(fake.messageBox.shown[0].title, QStringLiteral("Orv Kvapomer"));
    EXPECT_EQ(fake.messageBox.shown[0].style, MessageStyle::QuestionOkCancel);
    EXPECT_EQ(configBytes(), before);
}

TEST_F(CommandsTest, ClosingStoresTheViewEvenBeforeATickShowedIt) {
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    fake.messageBox.answers = {MessageAnswer::Ok};
    EXPECT_TRUE(form->close());
    EXPECT_EQ(stavLine(), QByteArray("Stav=1"));
}

TEST_F(CommandsTest, ClosingCompactStoresZeroAndKeepsTheRestOfTheFile) {
    writeConfig(sampleConfig({"06:15"}, QStringLiteral("1")));
    QByteArray expected = configBytes();
    expected.replace("Stav=1", "Stav=0");
    fake.messageBox.answers = {MessageAnswer::Ok};
    EXPECT_TRUE(form->close());
    EXPECT_EQ(configBytes(), expected);
}

TEST_F(CommandsTest, SettingsOpenOnceAndCloseWithTheMainWindow) {
    auto* command2 = control<QPushButton>("Command2");
    QTest::mouseClick(command2, Qt::LeftButton);
    ASSERT_EQ(settingsCreated, 1);
    QPointer<QWidget> settings = form->settingsWindow();
    ASSERT_TRUE(settings);
    EXPECT_TRUE(settings->isVisible());
    QTest::mouseClick(command2, Qt::LeftButton);
    EXPECT_EQ(settingsCreated, 1);

    settings->close(); // unloaded: the next click builds it afresh
    QTest::mouseClick(command2, Qt::LeftButton);
    EXPECT_EQ(settingsCreated, 2);
    settings = form->settingsWindow();
    ASSERT_TRUE(settings);

    fake.messageBox.answers = {MessageAnswer::Ok};
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(settings.isNull());
    EXPECT_EQ(fake.messageBox.shown.size(), 1u) << "only the exit question is asked";
}

TEST_F(CommandsTest, CreditLineIsBoldUnderThePointerAndNormalOverTheBackground) {
    QLabel* credit = label("Label6");
    moveMouse(credit, QPoint(5, 5));
    EXPECT_TRUE(credit->font().bold());
    // Over another control nothing changes.
    moveMouse(control("Command1"), QPoint(3, 3));
    EXPECT_TRUE(credit->font().bold());
    // The window's own background: left of the heading, above the frames.
    moveMouse(form.get(), QPoint(2, 2));
    EXPECT_FALSE(credit->font().bold());
}

TEST_F(CommandsTest, ClickOnTheCreditLineMailsTheAuthorWithTheTitleAsSubject) {
    QTest::mouseClick(label("Label6"), Qt::LeftButton);
    tickAt(6, 0, 0);
    QTest::mouseClick(label("Label6"), Qt::LeftButton);
    ASSERT_EQ(fake.shell.opened.size(), 2);
    EXPECT_EQ(fake.shell.opened[0],
              QStringLiteral("mailto:orv@example.com?Subject=Nahr%C3%A1v%C3%A1m%20data..."));
    EXPECT_EQ(
        fake.shell.opened[1],
        QStringLiteral(
            "mailto:orv@example.com?Subject=Orv%20Kvapomer%20%20ver.1.5%20%5Brev%2022%5D%20CZ"));
    const QUrl url(fake.shell.opened[1]);
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.path(), Form1::contactAddress());
}
