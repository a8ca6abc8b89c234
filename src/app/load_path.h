#pragma once
// The one road from the configuration file to what the main window shows.
// Every load goes through the day keeper (a dated line gets the list of the
// day) and tells the follower which version the window now shows. A load
// the window asks for shows its messages and is kept unless it failed;
// someone else's change is kept only when it loads without a message. Of a
// version that is not kept nothing is used and nothing is written.

#include "app/config_follower.h"
#include "app/day_keeper.h"
#include "config/config_file.h"
#include "config/loader.h"

#include <QDate>

#include <functional>
#include <optional>

namespace kvapomer {

class LoadPath {
public:
    struct Loaded {
        LoadResult result;      // its messages, in the order they are shown
        bool stayOnTop = false; // the main window's "Vždy navrchu" as stored
        bool trayIcon = true;   // its "Ikona na panelu" as stored
    };

    // The load at start-up, after a save, on request: its messages are the
    // window's to show; a failed load (status other than Loaded) keeps
    // nothing.
    Loaded load(const ConfigFile& file, const QDate& date);

    // The file as it is now, when someone else changed it: loaded when it
    // loads cleanly and the settings window is closed. Nothing when there is
    // nothing to load, or the version was refused (tried once per version).
    std::optional<Loaded> follow(const ConfigFile& file, const QDate& date, bool settingsOpen);

    // A write of the program's own: no news to load again.
    void ownWrite(const QString& path, const std::function<void()>& write);

    DayKeeper& dayKeeper() { return keeper_; }
    const DayKeeper& dayKeeper() const { return keeper_; }

private:
    Loaded adopted(const QString& path, const FileStamp& stamp, DayKeeper::DayLoad&& day);

    DayKeeper keeper_;
    ConfigFollower follower_;
};

} // namespace kvapomer
