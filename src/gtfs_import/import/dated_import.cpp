#include "gtfs_import/import/dated_import.h"

#include "config/dated_day.h"
#include "timetable/feed_time.h"

#include <QFileInfo>

#include <algorithm>

namespace kvapomer::gtfs {

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

FeedStamp stampFeed(const std::string& feedPath) {
    FeedStamp stamp;
    stamp.path = QFileInfo(qt(feedPath)).absoluteFilePath();
    stamp.modified = feedModified(stamp.path).value_or(QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
    return stamp;
}

std::optional<DatedLine> datedLineOf(const DatedDepartures& found, const DatedSource& source,
                                     std::chrono::sys_days today) {
    DatedLine line;
    static_cast<DatedLists&>(line) = found;
    line.source = source;
    if (!fitToLimits(line)) {
        return std::nullopt;
    }
    const std::optional<int> written = firstListToWrite(line, today);
    if (!written) {
        return std::nullopt;
    }
    line.written = *written;
    return line;
}

QString periodSummary(const DatedLine& line) {
    // Days without service have a list of their own, which is no timetable.
    const auto count = static_cast<int>(std::count_if(line.lists.begin(), line.lists.end(),
                                                      [](const DayList& l) { return !l.empty(); }));
    const bool idleDays = count < static_cast<int>(line.lists.size());
    // Czech counts: 1 jízdní řád, 2 až 4 různé jízdní řády, 5 a více různých jízdních řádů.
    const QString lists = count == 1  ? QStringLiteral("1 jízdní řád")
                          : count < 5 ? QStringLiteral("%1 různé jízdní řády").arg(count)
                                      : QStringLiteral("%1 různých jízdních řádů").arg(count);
    return QStringLiteral("%1%2, platí %3 až %4")
        .arg(lists, idleDays ? QStringLiteral(" a dny bez spojů") : QString(),
             toQDate(line.first).toString(Qt::ISODate), toQDate(line.last()).toString(Qt::ISODate));
}

} // namespace kvapomer::gtfs
