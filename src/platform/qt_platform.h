#pragma once
// Real implementations of the platform seams on top of Qt.

#include "platform/platform.h"

#include <memory>

class QFileInfo;
class QTemporaryFile;

namespace kvapomer {

class EffectPlayer;
struct WaveLayout;

class QtClock final : public Clock {
public:
    QTime now() const override;
    QDateTime current() const override;
};

class QtMessageBox final : public MessageBox {
public:
    MessageAnswer show(const QString& text, const QString& title, MessageStyle style) override;
};

// Plays through Qt Multimedia, which lives in a module of its own: the module
// (and with it the multimedia back-end and its audio threads) is loaded only
// when a sound is first due, and the sound object is let go a little after
// each sound has ended. One sound at a time: asking again while it plays
// starts it over. Files that are not complete wave files are never handed on.
class QtSoundOutput final : public SoundOutput {
public:
    QtSoundOutput();
    ~QtSoundOutput() override;
    void play(const QString& path) override;

    // Whether a sound object exists now; tests use it to check that an idle
    // program keeps no audio machinery.
    bool hasEffect() const;

private:
    // A copy with only the format and the sound, for a file whose layout Qt
    // would not follow; kept (and reused) while the file stays the same.
    QString plainCopy(const QFileInfo& source, const WaveLayout& layout);

    std::unique_ptr<EffectPlayer> player_;
    bool moduleTried_ = false;
    std::unique_ptr<QTemporaryFile> copy_;
    QString copyOf_;
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
