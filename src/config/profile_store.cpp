#include "config/profile_store.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <linux/magic.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
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
    int release() { return std::exchange(fd_, -1); }
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
//
// A parse is reused only while the file is known to be unchanged. Two ways
// to know it:
//  - watched: inotify watches on the file, its folder and every folder above
//    it were in place before the bytes were read. The kernel queues an event
//    inside the writer's own system call, so a change that another process
//    has completed is already in the queue when a read looks; a read costs
//    one non-blocking read() of the queue. Used for absolute paths without
//    symbolic links on local file systems (other hosts' changes to a network
//    file system raise no event here);
//  - stamped: otherwise, a stat() per read compares the file's identity,
//    size and times with those of the parse.

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

// One watch an entry relies on: any event of `wd` when `name` is empty,
// otherwise the events about the entry `name` of the watched folder (and
// those about the folder itself).
struct Watch {
    int wd = -1;
    QByteArray name;
};

struct CacheEntry {
    QString path;
    FileStamp stamp;
    QByteArray bytes; // what the document was parsed from
    std::shared_ptr<const ProfileDocument> document;
    std::int64_t verifiedAt = 0; // when `bytes` were last known to be the content
    std::vector<Watch> watches;
    // The watches were in place before `bytes` were read and have reported
    // nothing about the file since.
    bool watched = false;

    bool trusted() const {
        return std::max(stamp.mtime, stamp.ctime) + kTimestampSlackNs < verifiedAt;
    }
};

// Events that may mean another file at the path or other bytes in it.
constexpr std::uint32_t kWatchMask = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM |
                                     IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_DELETE_SELF |
                                     IN_MOVE_SELF;

// File systems on which every change raises an inotify event on this host.
bool reportsEveryChange(const struct statfs& fs) {
    switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case REISERFS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

std::mutex cacheMutex; // guards everything of the read cache

// Set in a child process until its first use of the cache.
bool forkedChild = false;

// A fork from one thread while another holds the cache must not leave the
// child with a lock nobody will release.
void lockForFork() {
    cacheMutex.lock();
}
void unlockInParent() {
    cacheMutex.unlock();
}
void unlockInChild() {
    forkedChild = true;
    cacheMutex.unlock();
}

// The process's inotify instance, shared by every entry. Folders above the
// file are common to most entries, so each watch is counted; it is removed
// when no entry uses it any more.
class ChangeWatcher {
public:
    ChangeWatcher() = default;
    ChangeWatcher(const ChangeWatcher&) = delete;
    ChangeWatcher& operator=(const ChangeWatcher&) = delete;

    // False when inotify cannot be used; tried once per process.
    bool available() {
        if (!tried_) {
            tried_ = true;
            fd_.reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
            static std::once_flag registered;
            std::call_once(registered,
                           [] { ::pthread_atfork(lockForFork, unlockInParent, unlockInChild); });
        }
        return fd_.valid();
    }

    // A forked child shares the parent's queue: reading it would take the
    // parent's events. The child forgets it (without removing the watches,
    // which are the parent's too) and starts its own.
    void forgetInherited() {
        fd_.reset();
        refs_.clear();
        tried_ = false;
    }

    // Watches `path`; -1 (errno set) when it cannot be watched.
    int add(const QByteArray& path, std::uint32_t flags) {
        const int wd = ::inotify_add_watch(fd_.get(), path.constData(), kWatchMask | flags);
        if (wd >= 0) {
            ++refs_[wd];
        }
        return wd;
    }

    void release(const std::vector<Watch>& watches) {
        for (const Watch& watch : watches) {
            const auto pos = refs_.find(watch.wd);
            if (pos != refs_.end() && --pos->second == 0) {
                ::inotify_rm_watch(fd_.get(), watch.wd);
                refs_.erase(pos);
            }
        }
    }

    // Hands every queued event to `onEvent(wd, mask, name)`; `wd` is -1 and
    // the mask IN_Q_OVERFLOW when events were lost.
    template <typename OnEvent> void drain(OnEvent&& onEvent) {
        if (!fd_.valid()) {
            return;
        }
        // Asking for the queue's length is cheaper than a read() that finds
        // it empty, which is what nearly every call finds.
        int queued = 0;
        if (::ioctl(fd_.get(), FIONREAD, &queued) == 0 && queued == 0) {
            return;
        }
        alignas(struct inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return; // EAGAIN: the queue is empty
            }
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
                const QByteArrayView name =
                    event->len > 0
                        ? QByteArrayView(event->name,
                                         static_cast<qsizetype>(::strnlen(event->name, event->len)))
                        : QByteArrayView();
                if ((event->mask & IN_IGNORED) != 0) {
                    refs_.erase(event->wd); // gone with its folder or file
                }
                onEvent(event->wd, event->mask, name);
                at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            }
        }
    }

private:
    Fd fd_;
    bool tried_ = false;
    std::unordered_map<int, int> refs_;
};

constexpr std::size_t kCacheLimit = 16;

ChangeWatcher watcher;
std::vector<std::unique_ptr<CacheEntry>> entries;
CacheEntry* lastUsed = nullptr;

CacheEntry* findEntry(const QString& path) {
    // Callers ask again and again with the same string: a shared buffer is
    // the same path without comparing it.
    if (lastUsed != nullptr &&
        ((lastUsed->path.constData() == path.constData() && lastUsed->path.size() == path.size()) ||
         lastUsed->path == path)) {
        return lastUsed;
    }
    for (const auto& entry : entries) {
        if (entry->path == path) {
            lastUsed = entry.get();
            return lastUsed;
        }
    }
    return nullptr;
}

void dropEntry(const QString& path) {
    const auto pos = std::find_if(entries.begin(), entries.end(),
                                  [&](const auto& entry) { return entry->path == path; });
    if (pos == entries.end()) {
        return;
    }
    watcher.release((*pos)->watches);
    if (lastUsed == pos->get()) {
        lastUsed = nullptr;
    }
    entries.erase(pos);
}

// Takes over `entry` (its watches included) as the cached state of its path.
void storeEntry(std::unique_ptr<CacheEntry> entry) {
    dropEntry(entry->path);
    if (entries.size() >= kCacheLimit) {
        for (const auto& old : entries) {
            watcher.release(old->watches);
        }
        entries.clear();
    }
    lastUsed = entry.get();
    entries.push_back(std::move(entry));
}

void handleFork() {
    if (forkedChild) {
        forkedChild = false;
        watcher.forgetInherited();
        for (const auto& entry : entries) {
            entry->watches.clear();
            entry->watched = false;
        }
    }
}

// Marks every entry whose file an event may concern as no longer watched.
void takeEvents() {
    watcher.drain([](int wd, std::uint32_t mask, QByteArrayView name) {
        for (const auto& entry : entries) {
            if (!entry->watched) {
                continue;
            }
            if ((mask & IN_Q_OVERFLOW) != 0) {
                entry->watched = false;
                continue;
            }
            for (const Watch& watch : entry->watches) {
                if (watch.wd == wd &&
                    (watch.name.isEmpty() || name.isEmpty() || name == watch.name)) {
                    entry->watched = false;
                    break;
                }
            }
        }
    });
}

bool onLocalFileSystem(const QByteArray& path) {
    struct statfs fs {};
    return ::statfs(path.constData(), &fs) == 0 && reportsEveryChange(fs);
}

// Watches every folder from the root down to the file, and the file itself
// (which another hard link may change without an event in this folder).
// False, with nothing left watched, when the path does not qualify.
bool watchPath(const QByteArray& native, std::vector<Watch>& watches) {
    watches.clear();
    if (!native.startsWith('/') || !watcher.available()) {
        return false;
    }
    const auto fail = [&] {
        watcher.release(watches);
        watches.clear();
        return false;
    };
    QByteArray folder = "/";
    qsizetype begin = 1;
    for (;;) {
        while (begin < native.size() && native[begin] == '/') {
            ++begin;
        }
        qsizetype end = native.indexOf('/', begin);
        if (end < 0) {
            end = native.size();
        }
        const QByteArray part = native.sliced(begin, end - begin);
        if (part.isEmpty() || part == "." || part == "..") {
            return fail(); // a trailing slash, or a path to resolve first
        }
        // A symbolic link among the folders is not followed: the watch then
        // fails and the entry falls back to stat().
        const int wd = watcher.add(folder, IN_ONLYDIR | IN_DONT_FOLLOW);
        if (wd < 0 || !onLocalFileSystem(folder)) {
            if (wd >= 0) {
                watches.push_back({wd, {}});
            }
            return fail();
        }
        watches.push_back({wd, part});
        if (folder.size() > 1) {
            folder += '/';
        }
        folder += part;
        begin = end;
        if (end == native.size()) {
            break;
        }
    }
    struct stat st {};
    if (::lstat(folder.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return fail();
    }
    const int wd = watcher.add(folder, IN_DONT_FOLLOW);
    if (wd < 0) {
        return fail();
    }
    watches.push_back({wd, {}});
    return true;
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
    std::lock_guard lock(cacheMutex);
    handleFork();
    CacheEntry* cached = findEntry(path);
    // The common case, an unchanged watched file, costs one read() of an
    // empty event queue.
    if (cached != nullptr && cached->watched) {
        takeEvents();
        if (cached->watched) {
            return cached->document;
        }
    }

    const QByteArray native = nativePath(path);
    struct stat st {};
    if (cached != nullptr && cached->watches.empty()) {
        if (::stat(native.constData(), &st) == 0 && cached->stamp == FileStamp::of(st) &&
            cached->trusted()) {
            return cached->document;
        }
    }

    // Watches first, then the bytes: a change after this point is reported.
    auto entry = std::make_unique<CacheEntry>();
    entry->path = path;
    takeEvents(); // what is queued now predates the new watches
    const bool watching = watchPath(native, entry->watches);
    entry->watched = watching;

    const auto fail = [&] {
        watcher.release(entry->watches);
        dropEntry(path);
        return emptyDocument();
    };
    Fd fd(::open(native.constData(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return fail();
    }
    if (watching) {
        struct statfs fs {};
        if (::fstatfs(fd.get(), &fs) != 0 || !reportsEveryChange(fs)) {
            watcher.release(entry->watches);
            entry->watches.clear();
            entry->watched = false;
        }
    }
    entry->stamp = FileStamp::of(st);
    if (cached != nullptr && cached->stamp == entry->stamp && cached->trusted()) {
        // Unchanged since a read long after its last change.
        entry->bytes = cached->bytes;
        entry->document = cached->document;
        entry->verifiedAt = cached->verifiedAt;
        std::shared_ptr<const ProfileDocument> document = entry->document;
        storeEntry(std::move(entry));
        return document;
    }

    entry->verifiedAt = nowNs();
    if (!readAll(fd.get(), entry->bytes, st.st_size)) {
        return fail();
    }
    struct stat after {};
    const bool steady = ::fstat(fd.get(), &after) == 0 && FileStamp::of(after) == entry->stamp;
    if (cached != nullptr && cached->document && cached->bytes == entry->bytes) {
        entry->document = cached->document; // same content, only confirmed again
    } else {
        entry->document = std::make_shared<const ProfileDocument>(entry->bytes);
    }
    std::shared_ptr<const ProfileDocument> document = entry->document;
    if (steady) {
        storeEntry(std::move(entry));
    } else {
        fail(); // changed while being read
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
    std::lock_guard cacheLock(cacheMutex);
    handleFork();
    if (::fstat(temp.fd.get(), &newStat) == 0) {
        // Not watched: the next read confirms the bytes with watches in place.
        auto entry = std::make_unique<CacheEntry>();
        entry->path = path;
        entry->stamp = FileStamp::of(newStat);
        entry->verifiedAt = nowNs();
        entry->bytes = std::move(newBytes);
        entry->document = std::make_shared<const ProfileDocument>(std::move(document));
        storeEntry(std::move(entry));
    } else {
        dropEntry(path);
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
