#include "config/config_file.h"

#include "config/keys.h"
#include "config/walk_time.h"
#include "profile/error_numbers.h"
#include "profile/profile_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

LoadResult ConfigFile::load() const {
    return loadConfiguration(path_);
}

bool ConfigFile::canSwitchToLine(const QString& line) const {
    return kvapomer::canSwitchToLine(path_, line);
}

Result<void> ConfigFile::activateLine(const QString& line) const {
    return WriteIniValue(path_, keys::kMain, keys::kBus, line);
}

Result<void> ConfigFile::storeViewState(bool expanded) const {
    return WriteIniValue(path_, keys::kSet, keys::kStav,
                         expanded ? QStringLiteral("1") : QStringLiteral("0"));
}

bool ConfigFile::stayOnTopIn(const ConfigSnapshot& snapshot) {
    return snapshot.file.value(keys::kSet, keys::kStayOnTop) == u"1";
}

Result<void> ConfigFile::storeStayOnTop(bool on) const {
    return WriteIniValue(path_, keys::kSet, keys::kStayOnTop,
                         on ? QStringLiteral("1") : QStringLiteral("0"));
}

bool ConfigFile::trayIconIn(const ConfigSnapshot& snapshot) {
    return snapshot.file.value(keys::kSet, keys::kTrayIcon) != u"0";
}

Result<void> ConfigFile::storeTrayIcon(bool on) const {
    return WriteIniValue(path_, keys::kSet, keys::kTrayIcon,
                         on ? QStringLiteral("1") : QStringLiteral("0"));
}

QString ConfigFile::lastFeed() const {
    return takeSnapshot(path_).file.value(keys::kSet, keys::kLastFeed).value_or(QString());
}

Result<void> ConfigFile::storeLastFeed(const QString& feed) const {
    bool fits = true;
    const Result<void> result = updateProfile(path_, [&](ProfileDocument& document) {
        // As with a line: a value the file would not give back whole is not
        // written at all.
        ProfileDocument probe = document.emptyAlike();
        probe.setValue(keys::kSet, keys::kLastFeed, feed);
        fits = !feed.contains(u'\n') && !feed.contains(u'\r') &&
               probe.value(keys::kSet, keys::kLastFeed) == feed;
        if (fits) {
            document.setValue(keys::kSet, keys::kLastFeed, feed);
        }
    });
    if (!fits) {
        return errorOf(error::kInvalidArgument);
    }
    return result;
}

int ConfigFile::walkMinIn(const ConfigSnapshot& snapshot, const QString& line) {
    return walkMinutesOf(storedWalk(snapshot.file, line).value_or(QString()));
}

Result<void> ConfigFile::storeWalkMin(const QString& line, int minutes) const {
    if (!isWalkSetting(minutes)) {
        return errorOf(error::kInvalidArgument);
    }
    return updateProfile(path_, [&](ProfileDocument& doc) { setWalk(doc, line, minutes); });
}

Result<void> ConfigFile::saveSettings(const SettingsInput& input) const {
    return kvapomer::saveSettings(path_, input);
}

Result<void> ConfigFile::writeLine(const LineContent& content, bool makeActive) const {
    bool readsBack = true;
    Result<void> result = updateProfile(path_, [&](ProfileDocument& doc) {
        readsBack = lineReadsBack(doc, content, makeActive);
        if (readsBack) {
            applyLineSection(doc, content, makeActive);
        }
    });
    if (!readsBack) {
        return errorOf(error::kInvalidArgument);
    }
    return result;
}

ConfigFile::DaySyncResult ConfigFile::syncToDate(std::chrono::sys_days date,
                                                 ConfigSnapshot& snapshot,
                                                 const DayAccept& accept) const {
    snapshot = takeSnapshot(path_);
    const bool found = snapshot.found;
    // The day's edit of `doc`, made only when `accept` takes the result.
    const auto plan = [&](ProfileDocument& doc) {
        DaySyncResult planned;
        planned.line = ReadIniValue(doc, keys::kMain, keys::kBus, QString());
        ProfileDocument edited = doc;
        planned.sync = syncDatedLine(edited, planned.line, date);
        planned.accepted = !accept || accept(planned, ConfigSnapshot{found, edited});
        if (planned.accepted && planned.sync.changed) {
            doc = std::move(edited);
        }
        return planned;
    };
    // Decided on a copy first: most loads find the times as they should be
    // and write nothing.
    ProfileDocument probe = snapshot.file;
    DaySyncResult out = plan(probe);
    if (!out.accepted || !out.sync.changed || !found) {
        return out;
    }
    DaySyncResult inFile;
    ProfileDocument after;
    const Result<void> result = updateProfile(path_, [&](ProfileDocument& doc) {
        inFile = plan(doc);
        after = doc;
    });
    if (!result) {
        out.written = false;
        return out;
    }
    snapshot.file = std::move(after);
    return inFile;
}

std::vector<DatedSection> ConfigFile::datedLines() const {
    return datedSections(takeSnapshot(path_).file);
}

bool ConfigFile::exists() const {
    return QFileInfo(path_).isFile();
}

} // namespace kvapomer
