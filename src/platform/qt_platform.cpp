#include "platform/qt_platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSoundEffect>
#include <QtEndian>
#include <QUrl>
#include <QWidget>

namespace kvapomer {

QTime QtClock::now() const {
    return QTime::currentTime();
}

MessageAnswer QtMessageBox::show(const QString& text, const QString& title, MessageStyle style) {
    QMessageBox box;
    box.setText(text);
    box.setWindowTitle(title);
    // Buttons are labelled here so that they read in Czech whatever
    // translations are installed.
    switch (style) {
    case MessageStyle::QuestionOkCancel: {
        box.setIcon(QMessageBox::Question);
        QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        QPushButton* cancel = box.addButton(QStringLiteral("Storno"), QMessageBox::RejectRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(cancel);
        box.exec();
        return box.clickedButton() == ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
    case MessageStyle::QuestionYesNo: {
        box.setIcon(QMessageBox::Question);
        QPushButton* yes = box.addButton(QStringLiteral("Ano"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("Ne"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    default: {
        box.setIcon(QMessageBox::Critical);
        QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        box.exec();
        return MessageAnswer::Ok;
    }
    }
}

namespace {

quint32 littleEndian32(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 littleEndian16(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

// Qt 6.4's QSoundEffect waits forever for the rest of a wave file that ends
// before its header says, or whose chunks its decoder loses track of; the
// next time that sound is let go (another file, or the program ending) the
// whole program hangs. So only a plain wave file whose every byte is there
// is handed over: RIFF/WAVE, a PCM or float format chunk, a complete data
// chunk, and no odd-sized chunk in between whose padding could be read two
// ways.
bool isCompleteWave(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const qint64 size = file.size();
    const QByteArray head = file.read(12);
    if (head.size() != 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE") {
        return false;
    }
    bool haveFormat = false;
    qint64 pos = 12;
    while (pos + 8 <= size && file.seek(pos)) {
        const QByteArray chunk = file.read(8);
        if (chunk.size() != 8) {
            return false;
        }
        const QByteArray id = chunk.left(4);
        const qint64 length = littleEndian32(chunk, 4);
        const qint64 body = pos + 8;
        if (body + length > size) {
            return false;
        }
        if (id == "data") {
            return haveFormat && length > 0;
        }
        if (length % 2 != 0) {
            return false;
        }
        if (id == "fmt ") {
            const QByteArray format = file.read(16);
            if (length < 16 || format.size() != 16) {
                return false;
            }
            const quint16 tag = littleEndian16(format, 0);
            const quint16 channels = littleEndian16(format, 2);
            const quint32 rate = littleEndian32(format, 4);
            const quint16 bits = littleEndian16(format, 14);
            const bool knownTag = tag == 1 || tag == 3 || tag == 0xfffe;
            const bool knownBits = bits == 8 || bits == 16 || bits == 24 || bits == 32;
            if (!knownTag || !knownBits || channels == 0 || rate == 0) {
                return false;
            }
            haveFormat = true;
        }
        pos = body + length;
    }
    return false;
}

} // namespace

QtSoundOutput::QtSoundOutput() = default;
QtSoundOutput::~QtSoundOutput() = default;

void QtSoundOutput::play(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable() || !isCompleteWave(info.absoluteFilePath())) {
        return;
    }
    if (!effect_) {
        effect_ = std::make_unique<QSoundEffect>();
        QObject::connect(effect_.get(), &QSoundEffect::statusChanged, effect_.get(),
                         [this] { statusChanged(); });
    }
    const QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    if (effect_->source() != url) {
        playWhenLoaded_ = false;
        effect_->setSource(url);
    } else if (effect_->status() == QSoundEffect::Error ||
               effect_->status() == QSoundEffect::Null) {
        // The same file failed before (it may have been fixed since); setting
        // the same source again would be ignored, so clear it first.
        playWhenLoaded_ = false;
        effect_->setSource(QUrl());
        effect_->setSource(url);
    }
    switch (effect_->status()) {
    case QSoundEffect::Ready:
        startFromBeginning();
        break;
    case QSoundEffect::Loading:
        // Loading runs in the background; the sound starts once it is done.
        playWhenLoaded_ = true;
        break;
    default:
        // Not a wave file we can play, or no audio output: stay silent.
        playWhenLoaded_ = false;
        break;
    }
}

void QtSoundOutput::statusChanged() {
    if (!playWhenLoaded_) {
        return;
    }
    switch (effect_->status()) {
    case QSoundEffect::Ready:
        playWhenLoaded_ = false;
        startFromBeginning();
        break;
    case QSoundEffect::Loading:
        break;
    default:
        playWhenLoaded_ = false;
        break;
    }
}

void QtSoundOutput::startFromBeginning() {
    // play() on a sound already playing would not rewind it everywhere.
    if (effect_->isPlaying()) {
        effect_->stop();
    }
    effect_->play();
}

bool QtShell::open(const QString& target) {
    return QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
}

QString QtExeFolder::path() const {
    return QCoreApplication::applicationDirPath();
}

QSize QtScreen::size() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

void QtProgramEnd::endNow(int status) {
    if (ending_) {
        return;
    }
    ending_ = true;
    status_ = status;
    // Hide rather than close: closing would run the windows' exit handling.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        w->hide();
    }
    QCoreApplication::exit(status);
}

} // namespace kvapomer
