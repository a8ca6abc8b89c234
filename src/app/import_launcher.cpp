#include "app/import_launcher.h"

#include "app/import_link.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace kvapomer {

QString ImportLauncher::programName() {
    return QString::fromLatin1(import_link::kProgram);
}

QString ImportLauncher::programIn(const QString& folder) {
    return QDir(folder).filePath(programName());
}

bool ImportLauncher::open(const QString& folder, const QString& ini, const QString& feed,
                          bool settingsOpen) {
    if (child_.running()) {
        return true;
    }
    const QString program = programIn(folder);
    QStringList arguments{QString::fromLatin1(import_link::kWindowOption),
                          QString::fromLatin1(import_link::kIniOption), ini};
    if (!feed.isEmpty()) {
        arguments << QString::fromLatin1(import_link::kFeedOption) << feed;
    }
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable() || !child_.start(program, arguments)) {
        return false;
    }
    settingsWereOpen_ = settingsOpen;
    child_.send(import_link::settingsLine(settingsOpen));
    return true;
}

QString ImportLauncher::missingMessage(const QString& folder) {
    return QStringLiteral("Nebyl nalezen program ") + programName() +
           QStringLiteral(", který načítá linky z jízdního řádu. "
                          "Patří do složky programu:\n") +
           QDir::toNativeSeparators(folder);
}

bool ImportLauncher::settingsChanged(bool open) {
    if (open == settingsWereOpen_) {
        return false;
    }
    settingsWereOpen_ = open;
    if (child_.running()) {
        child_.send(import_link::settingsLine(open));
    }
    return true;
}

QString ImportLauncher::droppedFeed(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1) {
        return {};
    }
    const QUrl url = mime->urls().constFirst();
    const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
    return path.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive) && QFileInfo(path).isFile()
               ? path
               : QString();
}

} // namespace kvapomer
