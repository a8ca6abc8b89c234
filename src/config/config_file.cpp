#include "config/config_file.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace kvapomer {

QString ConfigFilePath(const QString& folder) {
    QString base = folder;
    while (base.size() > 1 && base.endsWith(u'/')) {
        base.chop(1);
    }
    const QString exact = base.endsWith(u'/') ? base + QLatin1String(kConfigFileName)
                                              : base + u'/' + QLatin1String(kConfigFileName);
    struct stat st {};
    if (::lstat(QFile::encodeName(exact).constData(), &st) == 0) {
        return exact;
    }
    // A file brought over from Windows may carry the name in other letter
    // case; Windows would open it all the same. Sorted, so the choice among
    // several such files does not depend on the order of the folder.
    const QStringList names =
        QDir(base).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (name.compare(QLatin1String(kConfigFileName), Qt::CaseInsensitive) == 0) {
            return QDir(base).filePath(name);
        }
    }
    return exact;
}

} // namespace kvapomer
