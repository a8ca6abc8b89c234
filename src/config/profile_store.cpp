#include "config/profile_store.h"

#include <QByteArray>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvapomer {

namespace {

// ---------------------------------------------------------------------------
// Small POSIX helpers

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

// Seconds and nanoseconds of a file time as one count of nanoseconds.
template <typename FileTime> std::int64_t nanoseconds(const FileTime& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// The present time on the clock that file times are taken from.
std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

// Reads the whole file from its start; false with errno set on failure.
bool readAll(int fd, QByteArray& out, qsizetype sizeHint) {
    out.clear();
    out.reserve(sizeHint > 0 ? sizeHint + 1 : 4096);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return true;
        }
        out.append(buffer, n);
    }
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Read cache

// What identifies one version of the file on disk.
struct FileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    std::int64_t mtime = 0;
    std::int64_t ctime = 0;

    static FileStamp of(const struct stat& st) {
        return {st.st_dev, st.st_ino, st.st_size, nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
    }
    bool operator==(const FileStamp&) const = default;
};

// File times come from a coarse clock: two writes within one tick can leave
// the same size and times behind. A parse is trusted on the stamp alone only
// when the file's last change lies safely before the moment its bytes were
// read; otherwise the next read compares the bytes once more.
constexpr std::int64_t kTimestampSlackNs = 50'000'000;

struct CacheEntry {
    FileStamp stamp;
    QByteArray bytes; // what the document was parsed from
    std::shared_ptr<const ProfileDocument> document;
    std::int64_t verifiedAt = 0; // when `bytes` were last known to be the content

    bool trusted() const {
        return std::max(stamp.mtime, stamp.ctime) + kTimestampSlackNs < verifiedAt;
    }
};

constexpr qsizetype kCacheLimit = 16;

std::mutex cacheMutex;
QHash<QString, CacheEntry>& cache() {
    static QHash<QString, CacheEntry> entries;
    return entries;
}

void storeInCache(const QString& path, CacheEntry entry) {
    std::lock_guard lock(cacheMutex);
    QHash<QString, CacheEntry>& entries = cache();
    if (entries.size() >= kCacheLimit && !entries.contains(path)) {
        entries.clear();
    }
    entries.insert(path, std::move(entry));
}

void dropFromCache(const QString& path) {
    std::lock_guard lock(cacheMutex);
    cache().remove(path);
}

std::shared_ptr<const ProfileDocument> emptyDocument() {
    static const auto empty = std::make_shared<const ProfileDocument>();
    return empty;
}

// ---------------------------------------------------------------------------
// Updates

std::mutex hookMutex;
testing::FaultHook& faultHook() {
    static testing::FaultHook hook;
    return hook;
}

bool passes(testing::UpdateStage stage) {
    testing::FaultHook hook;
    {
        std::lock_guard lock(hookMutex);
        hook = faultHook();
    }
    return !hook || hook(stage);
}

WriteResult failure(int error) {
    WriteResult result;
    result.ok = false;
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        result.number = 70;
        result.description = QStringLiteral("Přístup odepřen");
        break;
    case ENOSPC:
    case EDQUOT:
        result.number = 61;
        result.description = QStringLiteral("Disk je plný");
        break;
    default:
        result.number = 75;
        result.description = QStringLiteral("Chyba přístupu k souboru");
        break;
    }
    return result;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.first(slash);
}

QByteArray baseNameOf(const QByteArray& path) {
    return path.sliced(path.lastIndexOf('/') + 1);
}

// The file a write must replace: the final target when `path` is a symbolic
// link (so the link itself stays), the path itself otherwise.
bool resolveLinks(QByteArray path, QByteArray& target) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            target = path; // absent or not a link: this is the file
            return true;
        }
        QByteArray link(static_cast<qsizetype>(st.st_size > 0 ? st.st_size : 256) + 1,
                        Qt::Uninitialized);
        const ssize_t n =
            ::readlink(path.constData(), link.data(), static_cast<size_t>(link.size()));
        if (n < 0) {
            return false;
        }
        if (n >= link.size()) {
            errno = ENAMETOOLONG; // the link changed under us; give up
            return false;
        }
        link.truncate(n);
        if (link.startsWith('/')) {
            path = link;
        } else {
            path = folderOf(path) + '/' + link;
        }
    }
    errno = ELOOP;
    return false;
}

mode_t newFileMode() {
    static const mode_t mask = [] {
        const mode_t m = ::umask(022);
        ::umask(m);
        return m;
    }();
    return 0644 & ~mask;
}

// The temporary file of one update; removed unless it was renamed.
struct TempFile {
    Fd fd;
    QByteArray path;
    bool renamed = false;
    ~TempFile() {
        if (!path.isEmpty() && !renamed) {
            ::unlink(path.constData());
        }
    }
};

} // namespace

std::shared_ptr<const ProfileDocument> loadProfile(const QString& path) {
    const QByteArray native = nativePath(path);
    struct stat st {};
    // The common case, an unchanged file, costs one stat().
    if (::stat(native.constData(), &st) == 0) {
        std::lock_guard lock(cacheMutex);
        const auto pos = cache().constFind(path);
        if (pos != cache().cend() && pos->stamp == FileStamp::of(st) && pos->trusted()) {
            return pos->document;
        }
    }

    Fd fd(::open(native.constData(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        dropFromCache(path);
        return emptyDocument();
    }
    const FileStamp stamp = FileStamp::of(st);
    CacheEntry cached;
    {
        std::lock_guard lock(cacheMutex);
        const auto pos = cache().constFind(path);
        if (pos != cache().cend() && pos->stamp == stamp) {
            if (pos->trusted()) {
                return pos->document;
            }
            cached = *pos;
        }
    }

    const std::int64_t readAt = nowNs();
    QByteArray bytes;
    if (!readAll(fd.get(), bytes, st.st_size)) {
        dropFromCache(path);
        return emptyDocument();
    }
    struct stat after {};
    const bool steady = ::fstat(fd.get(), &after) == 0 && FileStamp::of(after) == stamp;

    CacheEntry entry;
    entry.stamp = stamp;
    entry.verifiedAt = readAt;
    if (cached.document && cached.bytes == bytes) {
        entry.document = cached.document; // same content, only confirmed again
    } else {
        entry.document = std::make_shared<const ProfileDocument>(bytes);
    }
    entry.bytes = std::move(bytes);
    std::shared_ptr<const ProfileDocument> document = entry.document;
    if (steady) {
        storeInCache(path, std::move(entry));
    } else {
        dropFromCache(path); // changed while being read
    }
    return document;
}

WriteResult updateProfile(const QString& path, const std::function<void(ProfileDocument&)>& edit) {
    QByteArray target;
    if (!resolveLinks(nativePath(path), target)) {
        return failure(errno);
    }

    // Serialise read-modify-write between processes (and threads, since
    // each call opens the lock file anew). The lock file stays in place:
    // removing it would let two updaters lock different files.
    const QByteArray lockPath = target + ".lock";
    Fd lock(::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, newFileMode()));
    // In a folder we may not write to, an edit that changes nothing must
    // still succeed (as it does on Windows); any other edit fails below.
    int lockError = 0;
    if (!lock.valid()) {
        lockError = errno;
        if (lockError != EACCES && lockError != EPERM && lockError != EROFS) {
            return failure(lockError);
        }
    }
    while (lock.valid() && ::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            return failure(errno);
        }
    }

    QByteArray oldBytes;
    bool existed = false;
    struct stat oldStat {};
    {
        Fd in(::open(target.constData(), O_RDONLY | O_CLOEXEC));
        if (in.valid()) {
            if (::fstat(in.get(), &oldStat) != 0) {
                return failure(errno);
            }
            if (!S_ISREG(oldStat.st_mode)) {
                return failure(S_ISDIR(oldStat.st_mode) ? EISDIR : EINVAL);
            }
            if (!readAll(in.get(), oldBytes, oldStat.st_size)) {
                return failure(errno);
            }
            existed = true;
        } else if (errno != ENOENT) {
            return failure(errno);
        }
    }

    ProfileDocument document(oldBytes);
    edit(document);
    QByteArray newBytes = document.bytes();
    if (newBytes == oldBytes) {
        return {};
    }
    if (lockError != 0) {
        return failure(lockError);
    }
    // The file is replaced, not written in place, so its own permissions
    // would not stop the update; honour them as a write in place would.
    if (existed && ::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0) {
        return failure(errno);
    }

    TempFile temp;
    temp.path = folderOf(target) + "/." + baseNameOf(target) + ".XXXXXX.tmp";
    temp.fd.reset(::mkstemps(temp.path.data(), 4));
    if (!temp.fd.valid()) {
        const int error = errno;
        temp.path.clear(); // nothing was created
        return failure(error);
    }
    if (!writeAll(temp.fd.get(), newBytes) || ::fsync(temp.fd.get()) != 0) {
        return failure(errno);
    }
    if (!passes(testing::UpdateStage::TempWritten)) {
        return failure(EIO);
    }
    if (existed) {
        if (oldStat.st_uid != ::geteuid() || oldStat.st_gid != ::getegid()) {
            // Best effort: only a privileged process may give a file away.
            [[maybe_unused]] const int ignored =
                ::fchown(temp.fd.get(), oldStat.st_uid, oldStat.st_gid);
        }
        if (::fchmod(temp.fd.get(), oldStat.st_mode & 07777) != 0) {
            return failure(errno);
        }
    } else if (::fchmod(temp.fd.get(), newFileMode()) != 0) {
        return failure(errno);
    }
    if (!passes(testing::UpdateStage::BeforeRename)) {
        return failure(EIO);
    }
    if (::rename(temp.path.constData(), target.constData()) != 0) {
        return failure(errno);
    }
    temp.renamed = true;

    // Make the rename itself durable. The new content is in place whatever
    // this reports, so a failure here does not fail the update.
    {
        Fd folder(::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.valid()) {
            ::fsync(folder.get());
        }
    }

    struct stat newStat {};
    if (::fstat(temp.fd.get(), &newStat) == 0) {
        CacheEntry entry;
        entry.stamp = FileStamp::of(newStat);
        entry.verifiedAt = nowNs();
        entry.bytes = std::move(newBytes);
        entry.document = std::make_shared<const ProfileDocument>(std::move(document));
        storeInCache(path, std::move(entry));
    } else {
        dropFromCache(path);
    }
    return {};
}

namespace testing {
void setFaultHook(FaultHook hook) {
    std::lock_guard lock(hookMutex);
    faultHook() = std::move(hook);
}
} // namespace testing

} // namespace kvapomer
