#include "config/dated_day.h"

#include "config/line_section.h"

#include <QDir>
#include <QFileInfo>

namespace kvapomer {

void writeLineSection(ProfileDocument& doc, const QString& line, const QString& note,
                      const QStringList& times, const DatedLine* dated) {
    applyLineSection(doc, line, note, times);
    if (dated) {
        for (const auto& [key, value] : datedKeys(*dated)) {
            doc.setValue(line, key, value);
        }
    }
}

std::optional<DatedLine> readDatedSection(const ProfileDocument& doc, const QString& line) {
    return readDatedLine([&](const QString& key) { return doc.value(line, key); });
}

DaySync syncDatedLine(ProfileDocument& doc, const QString& line, std::chrono::sys_days date) {
    DaySync sync;
    sync.dated = readDatedSection(doc, line);
    if (!sync.dated) {
        return sync;
    }
    DatedLine& dated = *sync.dated;
    const KeyReader value = [&](const QString& key) { return doc.value(line, key); };
    if (!timesKeysHoldWritten(value, dated)) {
        doc.removeKeys(line, isDatedKey);
        sync.dated.reset();
        sync.changed = sync.madePlain = true;
        return sync;
    }
    const DayChoice choice = chooseDay(dated, date);
    sync.today = choice.list;
    sync.period = choice.period;
    const int wanted = listToWrite(dated, date);
    if (wanted != dated.written) {
        dated.written = wanted;
        const QString note = doc.value(line, QStringLiteral("Description")).value_or(QString());
        writeLineSection(doc, line, note, timesText(dated.lists[static_cast<std::size_t>(wanted)]),
                         &dated);
        sync.changed = true;
    }
    return sync;
}

std::optional<DatedLine> datedKeptBySave(const ProfileDocument& doc, const QString& line,
                                         const QStringList& times, const QString& filledLine,
                                         const QStringList& filledTimes) {
    if (line != filledLine || times != filledTimes) {
        return std::nullopt;
    }
    std::optional<DatedLine> dated = readDatedSection(doc, line);
    if (!dated) {
        return std::nullopt;
    }
    const auto holds = [&](int list) {
        return holdsList(times, dated->lists[static_cast<std::size_t>(list)]);
    };
    if (holds(dated->written)) {
        return dated;
    }
    for (int list = 0; list < static_cast<int>(dated->lists.size()); ++list) {
        if (!dated->lists[static_cast<std::size_t>(list)].empty() && holds(list)) {
            dated->written = list;
            return dated;
        }
    }
    return std::nullopt;
}

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
