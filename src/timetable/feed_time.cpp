#include "timetable/feed_time.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kvapomer {

std::optional<QDateTime> feedModified(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return std::nullopt;
    }
    QDateTime latest = info.lastModified();
    if (info.isDir()) {
        for (const QFileInfo& entry : QDir(path).entryInfoList(QDir::Files)) {
            latest = std::max(latest, entry.lastModified());
        }
    }
    return QDateTime::fromSecsSinceEpoch(latest.toSecsSinceEpoch(), Qt::UTC);
}

} // namespace kvapomer
