#include "app/load_path.h"

namespace kvapomer {

LoadPath::Loaded LoadPath::load(const ConfigFile& file, const QDate& date) {
    // Stamped before the read: a change in between is seen again, never missed.
    const FileStamp stamp = stampOf(file.path());
    DayKeeper::DayLoad day = keeper_.load(
        file, date, [](const LoadResult& result) { return result.status == LoadStatus::Loaded; });
    if (!day.accepted) {
        return {std::move(day.result), false};
    }
    return adopted(file.path(), stamp, std::move(day));
}

std::optional<LoadPath::Loaded> LoadPath::follow(const ConfigFile& file, const QDate& date,
                                                 bool settingsOpen) {
    const FileStamp stamp = stampOf(file.path());
    if (follower_.check(stamp, settingsOpen) != ConfigFollower::Step::Load) {
        return std::nullopt;
    }
    // A half-written edit or a bad value: keep what is shown, say nothing,
    // and try again when the file changes next.
    DayKeeper::DayLoad day = keeper_.load(file, date, ConfigFollower::loadsCleanly);
    if (!day.accepted) {
        follower_.refused(stamp);
        return std::nullopt;
    }
    return adopted(file.path(), stamp, std::move(day));
}

// The window shows the file read after `stamp` was taken; the list of the
// day that the load itself wrote into it is no news to load again.
LoadPath::Loaded LoadPath::adopted(const QString& path, const FileStamp& stamp,
                                   DayKeeper::DayLoad&& day) {
    follower_.loaded(stamp);
    if (day.wrote) {
        follower_.wrote(stamp, stampOf(path));
    }
    return {std::move(day.result), ConfigFile::stayOnTopIn(day.snapshot),
            ConfigFile::trayIconIn(day.snapshot)};
}

void LoadPath::ownWrite(const QString& path, const std::function<void()>& write) {
    const FileStamp before = stampOf(path);
    write();
    follower_.wrote(before, stampOf(path));
}

} // namespace kvapomer
