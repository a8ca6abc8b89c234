#include "config/dated_day.h"

#include "config/keys.h"
#include "config/settings_save.h"

namespace kvapomer {

std::optional<DatedLine> readDatedSection(const ProfileDocument& doc, const QString& line) {
    return readDatedLine([&](const QString& key) { return doc.value(line, key); });
}

std::vector<DatedSection> datedSections(const ProfileDocument& doc) {
    std::vector<DatedSection> found;
    for (const QString& line : doc.sections()) {
        if (keys::isFixedSection(line)) {
            continue;
        }
        if (std::optional<DatedLine> dated = readDatedSection(doc, line)) {
            found.push_back(
                {line, doc.value(line, keys::kDescription).value_or(QString()), std::move(*dated)});
        }
    }
    return found;
}

DaySync syncDatedLine(ProfileDocument& doc, const QString& line, std::chrono::sys_days date) {
    DaySync sync;
    sync.dated = readDatedSection(doc, line);
    if (!sync.dated) {
        sync.lines = readDepartureLines([&](const QString& key) { return doc.value(line, key); });
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
        const QString note = doc.value(line, keys::kDescription).value_or(QString());
        applyLineSection(
            doc, {line, note, timesText(dated.lists[static_cast<std::size_t>(wanted)]), dated, {}},
            false);
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

DepartureLines linesKeptBySave(const ProfileDocument& doc, const QString& line,
                               const QStringList& times, const QString& filledLine,
                               const QStringList& filledTimes) {
    if (line != filledLine || times != filledTimes) {
        return {};
    }
    return readDepartureLines([&](const QString& key) { return doc.value(line, key); });
}

} // namespace kvapomer
