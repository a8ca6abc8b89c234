#include "platform/qt_platform.h"

#include "platform/sound/effect_player.h"
#include "platform/wave_file.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibrary>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryFile>
#include <QUrl>
#include <QWidget>

namespace kvapomer {

QTime QtClock::now() const {
    return QTime::currentTime();
}

QDateTime QtClock::current() const {
    return QDateTime::currentDateTime();
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

// Where the multimedia module is looked for: beside the executable, and in
// the library folder of an installation whose executable sits in bin/.
QStringList soundModuleCandidates() {
    const QString exeFolder = QCoreApplication::applicationDirPath();
    return {exeFolder + QStringLiteral("/kvapomer_sound.so"),
            exeFolder + QStringLiteral("/../lib/kvapomer/kvapomer_sound.so")};
}

std::unique_ptr<EffectPlayer> loadEffectPlayer() {
    using Factory = EffectPlayer* (*)();
    for (const QString& candidate : soundModuleCandidates()) {
        if (!QFileInfo::exists(candidate)) {
            continue;
        }
        // The module stays loaded for the rest of the run: Qt Multimedia keeps
        // global state that must not be unloaded under it.
        QLibrary module(candidate);
        if (const auto create =
                reinterpret_cast<Factory>(module.resolve("kvapomer_create_effect_player"))) {
            return std::unique_ptr<EffectPlayer>(create());
        }
    }
    return nullptr;
}

} // namespace

QtSoundOutput::QtSoundOutput() = default;
QtSoundOutput::~QtSoundOutput() = default;

bool QtSoundOutput::hasEffect() const {
    return player_ && player_->hasEffect();
}

void QtSoundOutput::play(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        return;
    }
    const QString source = info.absoluteFilePath();
    const WaveLayout layout = inspectWave(source);
    if (!layout.complete) {
        return;
    }
    const QString playable = layout.oddChunkBeforeData ? plainCopy(info, layout) : source;
    if (playable.isEmpty()) {
        return;
    }
    if (!player_ && !moduleTried_) {
        moduleTried_ = true;
        player_ = loadEffectPlayer();
    }
    if (player_) {
        player_->play(playable);
    }
}

QString QtSoundOutput::plainCopy(const QFileInfo& source, const WaveLayout& layout) {
    const QString version = source.absoluteFilePath() + u'|' + QString::number(source.size()) +
                            u'|' + QString::number(source.lastModified().toMSecsSinceEpoch());
    if (copy_ && copyOf_ == version) {
        return copy_->fileName();
    }
    // A new name for every version, so that no cached sound of an older one
    // is taken for it.
    auto copy =
        std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/kvapomer-XXXXXX.wav"));
    if (!copy->open()) {
        return {};
    }
    copy->close();
    if (!writePlainWave(source.absoluteFilePath(), layout, copy->fileName())) {
        return {};
    }
    copy_ = std::move(copy);
    copyOf_ = version;
    return copy_->fileName();
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
