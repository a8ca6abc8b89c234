#pragma once
// Following the configuration file while the program runs: someone else (an
// import, an editor, a copy of the file) may change it, and the window loads
// the new version when it would load without a single message. Plain logic:
// the window stamps the file and asks what to do.

#include <QString>

#include <cstdint>
#include <optional>

namespace kvapomer {

struct LoadResult;

// What identifies one version of the file without reading it. A write in
// place changes the size or the modification time, a replacement by rename
// the inode as well.
struct FileStamp {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path` as it is now (following symbolic links).
FileStamp stampOf(const QString& path);

class ConfigFollower {
public:
    enum class Step {
        Nothing, // the window shows this version, or it was tried already
        Wait,    // a new version, to load once the settings window has closed
        Load,    // a new version: load it, then report loaded() or refused()
    };

    // What to do about the file as `now` finds it.
    Step check(const FileStamp& now, bool settingsOpen) const;

    // The window now shows the version stamped `stamp` (taken before it was read).
    void loaded(const FileStamp& stamp);
    // The version stamped `stamp` would not load cleanly: the window keeps
    // what it shows until the file changes again.
    void refused(const FileStamp& stamp);
    // The program itself changed the file from `before` to `after`. When the
    // window showed `before`, `after` is no news; a change of someone else's
    // that came first still counts.
    void wrote(const FileStamp& before, const FileStamp& after);

    // Whether a load may replace what the window shows: it loaded with no
    // message at all (no missing file, no bad value, no mended time).
    static bool loadsCleanly(const LoadResult& result);

private:
    std::optional<FileStamp> shown_;
    std::optional<FileStamp> refused_;
};

} // namespace kvapomer
