#pragma once
// Thin seams between the program's logic and the outside world. The real
// implementations live in qt_platform.h; tests substitute scripted fakes.

#include <QDateTime>
#include <QSize>
#include <QString>
#include <QTime>

namespace kvapomer {

// Message-box styles and answers; the values are the platform's own numbers.
enum class MessageStyle : int {
    Error = 16,            // error icon, OK
    QuestionOkCancel = 33, // question icon, OK + Cancel (OK default)
    QuestionYesNo = 36,    // question icon, Yes + No (Yes default)
};

enum class MessageAnswer : int {
    Ok = 1,
    Cancel = 2,
    Yes = 6,
    No = 7,
};

class Clock {
public:
    virtual ~Clock() = default;
    // One sample of the local time of day, milliseconds included.
    virtual QTime now() const = 0;
    // One sample of the local date and time together.
    virtual QDateTime current() const = 0;
};

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Modal; returns the button pressed.
    virtual MessageAnswer show(const QString& text, const QString& title, MessageStyle style) = 0;
};

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts playing the wave file and returns at once; every failure is silent.
    virtual void play(const QString& path) = 0;
};

class Shell {
public:
    virtual ~Shell() = default;
    // Hands a link to the desktop; the result is informative only.
    virtual bool open(const QString& target) = 0;
};

class ExeFolder {
public:
    virtual ~ExeFolder() = default;
    virtual QString path() const = 0;
};

class Screen {
public:
    virtual ~Screen() = default;
    // Size of the whole primary screen in logical pixels.
    virtual QSize size() const = 0;
};

class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    // Ends the whole program at once: every window goes away, nothing more is
    // written, the exit status is `status`. Returns to the caller, which must
    // stop what it was doing.
    virtual void endNow(int status) = 0;
    virtual bool ending() const = 0;
};

// Everything external the windows need, handed over as one bundle.
struct Platform {
    Clock& clock;
    MessageBox& messageBox;
    SoundOutput& sound;
    Shell& shell;
    ExeFolder& exeFolder;
    Screen& screen;
    ProgramEnd& programEnd;
};

} // namespace kvapomer
