#pragma once
// Real implementations of the platform seams on top of Qt.

#include "platform/platform.h"

#include <memory>

class QSoundEffect;

namespace kvapomer {

class QtClock final : public Clock {
public:
    QTime now() const override;
};

class QtMessageBox final : public MessageBox {
public:
    MessageAnswer show(const QString& text, const QString& title, MessageStyle style) override;
};

// Plays through Qt Multimedia; the sound object (and with it the multimedia
// backend and the audio thread) is created only when a sound is first asked
// for. One sound at a time: asking again while it plays starts it over.
class QtSoundOutput final : public SoundOutput {
public:
    QtSoundOutput();
    ~QtSoundOutput() override;
    void play(const QString& path) override;

    // Whether the sound object exists yet; tests use it to check that an
    // idle program keeps no audio machinery.
    bool hasEffect() const { return effect_ != nullptr; }

private:
    void statusChanged();
    void startFromBeginning();

    std::unique_ptr<QSoundEffect> effect_;
    // A play was asked for while the file was still loading.
    bool playWhenLoaded_ = false;
};

class QtShell final : public Shell {
public:
    bool open(const QString& target) override;
};

class QtExeFolder final : public ExeFolder {
public:
    QString path() const override;
};

class QtScreen final : public Screen {
public:
    QSize size() const override;
};

class QtProgramEnd final : public ProgramEnd {
public:
    void endNow(int status) override;
    bool ending() const override { return ending_; }
    int status() const { return status_; }

private:
    bool ending_ = false;
    int status_ = 0;
};

} // namespace kvapomer
