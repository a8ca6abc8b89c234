#include "platform/qt_platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSoundEffect>
#include <QUrl>
#include <QWidget>

namespace kvapomer {

QTime QtClock::now() const {
    return QTime::currentTime();
}

int QtMessageBox::show(const QString& text, const QString& title, int style) {
    QMessageBox box;
    box.setText(text);
    box.setWindowTitle(title);
    // Buttons are labelled here so that they read in Czech whatever
    // translations are installed.
    switch (style) {
    case mb::kQuestionOkCancel: {
        box.setIcon(QMessageBox::Question);
        QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        QPushButton* cancel = box.addButton(QStringLiteral("Storno"), QMessageBox::RejectRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(cancel);
        box.exec();
        return box.clickedButton() == ok ? mb::kOk : mb::kCancel;
    }
    case mb::kQuestionYesNo: {
        box.setIcon(QMessageBox::Question);
        QPushButton* yes = box.addButton(QStringLiteral("Ano"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("Ne"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? mb::kYes : mb::kNo;
    }
    default: {
        box.setIcon(QMessageBox::Critical);
        QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        box.exec();
        return mb::kOk;
    }
    }
}

QtSoundOutput::QtSoundOutput() = default;
QtSoundOutput::~QtSoundOutput() = default;

void QtSoundOutput::play(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        return;
    }
    if (!effect_) {
        effect_ = std::make_unique<QSoundEffect>();
    }
    const QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    if (effect_->source() != url) {
        effect_->setSource(url);
    } else if (effect_->isPlaying()) {
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
