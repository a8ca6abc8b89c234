#pragma once
// Scripted stand-ins for the platform seams.

#include "platform/platform.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <QTime>

#include <deque>
#include <vector>

namespace kvapomer::test {

class FakeClock final : public Clock {
public:
    QTime now() const override { return time; }
    QDateTime current() const override { return QDateTime(date, time); }
    void set(int h, int m, int s, int ms = 0) { time = QTime(h, m, s, ms); }
    QTime time{12, 0, 0};
    QDate date{2026, 12, 10};
};

struct ShownMessage {
    QString text;
    QString title;
    MessageStyle style = MessageStyle::Error;
};

class FakeMessageBox final : public MessageBox {
public:
    MessageAnswer show(const QString& text, const QString& title, MessageStyle style) override;
    std::vector<ShownMessage> shown;
    std::deque<MessageAnswer> answers; // answered in turn; when empty: OK / Yes
};

class FakeSound final : public SoundOutput {
public:
    void play(const QString& path) override { played.push_back(path); }
    QStringList played;
};

class FakeShell final : public Shell {
public:
    bool open(const QString& target) override {
        opened.push_back(target);
        return true;
    }
    QStringList opened;
};

class FakeExeFolder final : public ExeFolder {
public:
    QString path() const override { return folder; }
    QString folder;
};

class FakeScreen final : public Screen {
public:
    QSize size() const override { return screenSize; }
    QSize screenSize{1920, 1080};
};

class FakeProgramEnd final : public ProgramEnd {
public:
    void endNow(int status) override;
    bool ending() const override { return ended; }
    bool ended = false;
    int status = 0;
    int calls = 0;
};

// All fakes together, ready to hand to a window as a Platform.
struct FakePlatform {
    FakeClock clock;
    FakeMessageBox messageBox;
    FakeSound sound;
    FakeShell shell;
    FakeExeFolder exeFolder;
    FakeScreen screen;
    FakeProgramEnd programEnd;
    Platform platform{clock, messageBox, sound, shell, exeFolder, screen, programEnd};
};

} // namespace kvapomer::test
