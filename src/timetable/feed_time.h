#pragma once
// When the feed a dated line came from was last changed: a feed newer than
// the line's data (DatedSource::feedTime) is imported again.

#include <QDateTime>
#include <QString>

#include <optional>

namespace kvapomer {

// The feed at `path` (UTC, whole seconds): the file's time, or for a folder
// the latest of its own and its files'. Nothing when there is no such file
// or folder.
std::optional<QDateTime> feedModified(const QString& path);

} // namespace kvapomer
