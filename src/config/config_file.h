#pragma once
// The configuration file kvapomern.ini beside the executable, and everything
// the windows and the import do with it. Each call reads the file as it is at
// that moment; each write is one atomic update that leaves the file as it was
// when it fails.

#include "config/dated_day.h"
#include "config/loader.h"
#include "config/records.h"
#include "config/settings_save.h"
#include "profile/result.h"

#include <QString>

#include <chrono>
#include <functional>
#include <vector>

namespace kvapomer {

inline constexpr const char* kConfigFileName = keys::kFileName;

// The configuration file in `folder` (the executable's folder).
QString ConfigFilePath(const QString& folder);

class ConfigFile {
public:
    explicit ConfigFile(QString path) : path_(std::move(path)) {}
    const QString& path() const { return path_; }

    // The active line's timetable and the alert settings, with the messages
    // a bad file gives the user.
    LoadResult load() const;

    // Whether typing `line` in the settings window switches to it (see
    // canSwitchToLine in the loader).
    bool canSwitchToLine(const QString& line) const;
    // Makes `line` the active line: Main/Bus, nothing else.
    Result<void> activateLine(const QString& line) const;
    // Stores the view the program leaves: Set/Stav 1 (expanded) or 0.
    Result<void> storeViewState(bool expanded) const;
    // The main window's "Vždy navrchu": read from a snapshot of the file,
    // stored as "1" or "0" with every other byte as it was.
    static bool stayOnTopIn(const ConfigSnapshot& snapshot);
    Result<void> storeStayOnTop(bool on) const;
    // The main window's "Ikona na panelu": on unless the file holds "0";
    // stored as "1" or "0".
    static bool trayIconIn(const ConfigSnapshot& snapshot);
    Result<void> storeTrayIcon(bool on) const;
    // The feed the import window read last (empty when none is stored), and
    // storing it when the file can give it back unchanged (otherwise error
    // 5 and nothing written).
    QString lastFeed() const;
    Result<void> storeLastFeed(const QString& feed) const;

    // The walk from home to the stop of `line` in a snapshot of the file, in
    // minutes; 0 when it has none (see walkMinutesOf).
    static int walkMinIn(const ConfigSnapshot& snapshot, const QString& line);
    // The walk from home to the stop of `line`: set to `minutes`, or removed
    // for 0; only that key changes. Outside 0..kMaxWalkMin: error 5, nothing
    // written.
    Result<void> storeWalkMin(const QString& line, int minutes) const;

    // The settings window's save: the line's section and the alert settings.
    Result<void> saveSettings(const SettingsInput& input) const;

    // An imported line: its section written as a save writes it, and Main/Bus
    // when `makeActive`. The caller has checked `content` (checkSettings).
    // error::kInvalidArgument: the file would not give the line back
    // unchanged, nothing written; any other error: the update failed.
    Result<void> writeLine(const LineContent& content, bool makeActive) const;

    // The active line brought to `date` when it is a dated line (see
    // syncDatedLine), in one update when needed: its times to the list of the
    // day, or its dated keys removed when the times hold the user's own list.
    // `snapshot` receives the file as it then is, to load from. `accept`,
    // when given, sees the planned result and the file as it would be, and
    // may refuse the version: then nothing is written.
    struct DaySyncResult {
        QString line; // the active line
        DaySync sync;
        bool written = true;  // false: the update failed; the file is as it was
        bool accepted = true; // false: `accept` refused the version, nothing written
    };
    using DayAccept =
        std::function<bool(const DaySyncResult& planned, const ConfigSnapshot& synced)>;
    DaySyncResult syncToDate(std::chrono::sys_days date, ConfigSnapshot& snapshot,
                             const DayAccept& accept = {}) const;

    // The dated lines of the file as it is now.
    std::vector<DatedSection> datedLines() const;

    // Whether the file is there as a regular file.
    bool exists() const;

private:
    QString path_;
};

} // namespace kvapomer
