#include "config/config_store.h"

#include "config/profile_store.h"

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

QString ReadIniValue(const QString& path, const QString& section, const QString& key,
                     const QString& fallback) {
    return ReadIniValue(ProfileDocument(readProfileBytes(path).bytes), section, key, fallback);
}

QString ReadIniValue(const ProfileDocument& file, const QString& section, const QString& key,
                     const QString& fallback) {
    const std::optional<QString> value = file.value(section, key);
    if (!value) {
        return QString::fromLatin1(kUnknownValue);
    }
    if (value->isEmpty()) {
        return fallback;
    }
    // Every Windows-1250 byte decodes to one character, so this is the
    // 699-byte limit of the profile reader's buffer.
    return value->left(kReadBufferSize - 1);
}

WriteResult WriteIniValue(const QString& path, const QString& section, const QString& key,
                          const QString& value) {
    return updateProfile(
        path, [&](ProfileDocument& document) { document.setValue(section, key, value); });
}

WriteResult DeleteIniSection(const QString& path, const QString& section) {
    return updateProfile(path, [&](ProfileDocument& document) { document.removeSection(section); });
}

} // namespace kvapomer
