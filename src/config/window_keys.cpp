#include "config/window_keys.h"

#include "config/error_numbers.h"
#include "config/profile_store.h"

namespace kvapomer {

namespace {

QString setSection() {
    return QString::fromLatin1(keys::kSet);
}

} // namespace

bool readStayOnTop(const ProfileDocument& file) {
    return file.value(setSection(), QString::fromLatin1(keys::kStayOnTop)) == u"1";
}

bool readStayOnTop(const QString& path) {
    return readStayOnTop(ProfileDocument(readProfileBytes(path).bytes));
}

WriteResult writeStayOnTop(const QString& path, bool on) {
    return WriteIniValue(path, setSection(), QString::fromLatin1(keys::kStayOnTop),
                         on ? QStringLiteral("1") : QStringLiteral("0"));
}

QString readLastFeed(const QString& path) {
    const ProfileDocument file(readProfileBytes(path).bytes);
    return file.value(setSection(), QString::fromLatin1(keys::kLastFeed)).value_or(QString());
}

WriteResult writeLastFeed(const QString& path, const QString& feed) {
    const QString section = setSection();
    const QString key = QString::fromLatin1(keys::kLastFeed);
    bool fits = true;
    const WriteResult result = updateProfile(path, [&](ProfileDocument& document) {
        ProfileDocument probe = document.emptyAlike();
        probe.setValue(section, key, feed);
        fits = !feed.contains(u'\n') && !feed.contains(u'\r') && probe.value(section, key) == feed;
        if (fits) {
            document.setValue(section, key, feed);
        }
    });
    if (!fits) {
        return {false, error::kInvalidArgument, errorDescription(error::kInvalidArgument)};
    }
    return result;
}

} // namespace kvapomer
