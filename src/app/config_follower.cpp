#include "app/config_follower.h"

#include "config/loader.h"

#include <QFile>

#include <sys/stat.h>

namespace kvapomer {

FileStamp stampOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return {};
    }
    const auto ns = [](const timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    };
    return {true,
            static_cast<std::uint64_t>(st.st_dev),
            static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size),
            ns(st.st_mtim),
            ns(st.st_ctim)};
}

ConfigFollower::Step ConfigFollower::check(const FileStamp& now, bool settingsOpen) const {
    if (now == shown_ || now == refused_) {
        return Step::Nothing;
    }
    // The settings window edits a copy of what is shown; a load under it
    // would be written back over by its save or its "Zpátky".
    return settingsOpen ? Step::Wait : Step::Load;
}

void ConfigFollower::loaded(const FileStamp& stamp) {
    shown_ = stamp;
    refused_.reset();
}

void ConfigFollower::refused(const FileStamp& stamp) {
    refused_ = stamp;
}

void ConfigFollower::wrote(const FileStamp& before, const FileStamp& after) {
    if (before == shown_) {
        shown_ = after;
    } else if (before == refused_) {
        refused_ = after; // still someone else's broken version, with our key in it
    }
}

bool ConfigFollower::loadsCleanly(const LoadResult& result) {
    return result.status == LoadStatus::Loaded && result.messages.isEmpty();
}

} // namespace kvapomer
