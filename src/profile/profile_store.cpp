#include "profile/profile_store.h"

#include "profile/error_numbers.h"

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace kvapomer {

namespace {

// How often a read that could not have the lock reads the file again to
// have two reads in a row agree.
constexpr int kMaxUnlockedReads = 20;

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(-1); }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

// Reads at most `limit` + 1 bytes from the start; false with errno set on failure.
bool readAll(int fd, QByteArray& out, qsizetype sizeHint, qsizetype limit) {
    out.clear();
    out.reserve(qMin(sizeHint, limit) + 1);
    char buffer[65536];
    while (out.size() <= limit) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        out.append(buffer, n);
    }
    return true;
}

bool writeAll(int fd, const QByteArray& bytes, off_t offset = -1) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n =
            offset < 0 ? ::write(fd, data, size_t(left)) : ::pwrite(fd, data, size_t(left), offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        data += n;
        left -= n;
        offset = offset < 0 ? offset : offset + n;
    }
    return true;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.first(slash);
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
        QByteArray link(qsizetype(st.st_size > 0 ? st.st_size : 256) + 1, Qt::Uninitialized);
        const ssize_t n = ::readlink(path.constData(), link.data(), size_t(link.size()));
        if (n < 0 || n >= link.size()) {
            errno = n < 0 ? errno : ENAMETOOLONG; // the link changed under us
            return false;
        }
        link.truncate(n);
        path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    }
    errno = ELOOP;
    return false;
}

timespec monotonicNow() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

bool reached(const timespec& now, const timespec& deadline) {
    return now.tv_sec > deadline.tv_sec ||
           (now.tv_sec == deadline.tv_sec && now.tv_nsec >= deadline.tv_nsec);
}

void doNothing(int) {}

// The signal that ends a wait for a lock, or 0 when it cannot be had. Its
// handler does nothing and is installed without SA_RESTART, so a blocking
// flock() that it interrupts returns EINTR. A signal that the process
// already handles otherwise is left alone.
int wakeSignal() {
    static const int number = [] {
        const int candidate = SIGRTMIN + 4;
        struct sigaction current {};
        if (candidate > SIGRTMAX || ::sigaction(candidate, nullptr, &current) != 0 ||
            (current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) {
            return 0;
        }
        struct sigaction action {};
        action.sa_handler = doNothing;
        sigemptyset(&action.sa_mask);
        return ::sigaction(candidate, &action, nullptr) == 0 ? candidate : 0;
    }();
    return number;
}

// A one-shot timer that sends wakeSignal() to the calling thread at
// `deadline`, with that signal unblocked in this thread while it lives.
class WakeTimer {
public:
    explicit WakeTimer(const timespec& deadline) {
        const int signal = wakeSignal();
        if (signal == 0) {
            return;
        }
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, signal);
        if (::pthread_sigmask(SIG_UNBLOCK, &set, &oldMask_) != 0) {
            return;
        }
        sigevent event{};
        event.sigev_notify = SIGEV_THREAD_ID;
        event.sigev_signo = signal;
        event._sigev_un._tid = ::gettid();
        itimerspec when{};
        when.it_value = deadline;
        armed_ = ::timer_create(CLOCK_MONOTONIC, &event, &timer_) == 0;
        if (armed_ && ::timer_settime(timer_, TIMER_ABSTIME, &when, nullptr) != 0) {
            ::timer_delete(timer_);
            armed_ = false;
        }
        if (!armed_) {
            ::pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
        }
    }
    WakeTimer(const WakeTimer&) = delete;
    WakeTimer& operator=(const WakeTimer&) = delete;
    // A signal already sent is delivered, to the empty handler, as this
    // returns from timer_delete(), while it is still unblocked.
    ~WakeTimer() {
        if (armed_) {
            ::timer_delete(timer_);
            ::pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
        }
    }
    bool armed() const { return armed_; }

private:
    timer_t timer_{};
    sigset_t oldMask_{};
    bool armed_ = false;
};

// Takes flock() on `fd` within the lock timeout; on failure errno is
// EWOULDBLOCK when the lock was not had in time. flock() has no timeout of
// its own, and polling loses almost every time against a process that saves
// in a loop, so the wait is one blocking flock() in the kernel's queue,
// made by the calling thread itself and cut off at the deadline by a timer
// signal. The wait thus leaves nothing behind: no thread, no descriptor, no
// pending lock request. Should the signal not be available, it polls.
bool lockWithin(int fd, int operation) {
    if (::flock(fd, operation | LOCK_NB) == 0) {
        return true;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
        return false;
    }
    timespec deadline = monotonicNow();
    deadline.tv_sec += kLockTimeoutMs / 1000;
    deadline.tv_nsec += long(kLockTimeoutMs % 1000) * 1000000;
    if (deadline.tv_nsec >= 1000000000) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000;
    }
    const WakeTimer timer(deadline);
    const int wait = timer.armed() ? operation : operation | LOCK_NB;
    while (::flock(fd, wait) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        if (reached(monotonicNow(), deadline)) {
            errno = EWOULDBLOCK;
            return false;
        }
        if (!timer.armed()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return true;
}

bool folderWritable(const QByteArray& folder) {
    return ::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

// Whether an update may write `file` in place, which only a writer that
// cannot write the folder does. When the file's owner alone may write it
// and can write the folder, and this process can too, every change is a
// rename (root writes through any permission). Group and other write bits,
// or an access list's mask, count as writers that might not.
bool mayBeWrittenInPlace(const QByteArray& file) {
    const QByteArray folder = folderOf(file);
    struct stat fileStat {};
    struct stat folderStat {};
    if (::stat(file.constData(), &fileStat) != 0 || !S_ISREG(fileStat.st_mode)) {
        return false; // nothing there to tear
    }
    if (::stat(folder.constData(), &folderStat) != 0 || !folderWritable(folder) ||
        (fileStat.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return true;
    }
    const bool ownerCanReplace = folderStat.st_uid == fileStat.st_uid &&
                                 (folderStat.st_mode & (S_IWUSR | S_IXUSR)) == (S_IWUSR | S_IXUSR);
    return (fileStat.st_mode & S_IWUSR) != 0 && !ownerCanReplace;
}

Error failure(int error) {
    int number = error::kFileAccess;
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EWOULDBLOCK:
        number = error::kAccessDenied;
        break;
    case ENOSPC:
    case EDQUOT:
        number = error::kDiskFull;
        break;
    default:
        break;
    }
    return errorOf(number);
}

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

mode_t newFileMode() {
    static const mode_t mask = [] {
        const mode_t m = ::umask(022);
        ::umask(m);
        return m;
    }();
    return 0644 & ~mask;
}

// ".kvapomern.ini.Ab3dEf.tmp": the name a temporary file has while it is
// linked into the folder, just before the rename.
QByteArray tempName(const QByteArray& base) {
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = '.' + base + '.';
    for (int i = 0; i < 6; ++i) {
        name += kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))];
    }
    return name + ".tmp";
}

bool isTempName(const QByteArray& name, const QByteArray& base) {
    const qsizetype stem = base.size() + 2;
    if (name.size() != stem + 6 + 4 || !name.startsWith('.' + base + '.') ||
        !name.endsWith(".tmp")) {
        return false;
    }
    for (qsizetype i = stem; i < stem + 6; ++i) {
        const char c = name[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

// Removes what interrupted updates left beside the file: temporary files,
// and the lock file of earlier versions when nobody holds it. Called with
// the folder locked, so no update of ours is using them.
void removeLeftovers(int folderFd, const QByteArray& base) {
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (dir == nullptr) {
        if (listFd >= 0) {
            ::close(listFd);
        }
        return;
    }
    const QByteArray oldLock = base + ".lock";
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        struct stat st {};
        if (::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode)) {
            continue;
        }
        if (isTempName(name, base)) {
            ::unlinkat(folderFd, name.constData(), 0);
        } else if (name == oldLock) {
            Fd lock(::openat(folderFd, name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
            if (lock.valid() && ::flock(lock.get(), LOCK_EX | LOCK_NB) == 0) {
                ::unlinkat(folderFd, name.constData(), 0);
            }
        }
    }
    ::closedir(dir);
}

// Replaces `target` with `bytes` through a temporary file in its folder.
Result<void> replaceAtomically(int folderFd, const QByteArray& target, const QByteArray& bytes,
                               const struct stat* old) {
    const QByteArray base = baseNameOf(target);
    // An unnamed file disappears by itself when the process dies; it gets a
    // name only for the moment between linking and renaming.
    Fd temp(::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    QByteArray name;
    if (!temp.valid()) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return failure(errno);
        }
        for (int attempt = 0; attempt < 100 && !temp.valid(); ++attempt) {
            name = tempName(base); // a file system without unnamed files
            temp.reset(::openat(folderFd, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                0600));
            if (!temp.valid() && errno != EEXIST) {
                return failure(errno);
            }
        }
    }
    const auto fail = [&](int error) {
        if (!name.isEmpty()) {
            ::unlinkat(folderFd, name.constData(), 0);
        }
        return failure(error);
    };
    if (!writeAll(temp.get(), bytes) || ::fsync(temp.get()) != 0) {
        return fail(errno);
    }
    if (!passes(testing::UpdateStage::TempWritten)) {
        return fail(EIO);
    }
    if (old != nullptr && (old->st_uid != ::geteuid() || old->st_gid != ::getegid())) {
        // Best effort: only a privileged process may give a file away.
        [[maybe_unused]] const int ignored = ::fchown(temp.get(), old->st_uid, old->st_gid);
    }
    if (::fchmod(temp.get(), old != nullptr ? old->st_mode & 07777 : newFileMode()) != 0) {
        return fail(errno);
    }
    if (!passes(testing::UpdateStage::BeforeRename)) {
        return fail(EIO);
    }
    if (name.isEmpty()) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(temp.get());
        for (int attempt = 0; attempt < 100 && name.isEmpty(); ++attempt) {
            name = tempName(base);
            if (::linkat(AT_FDCWD, self.constData(), folderFd, name.constData(),
                         AT_SYMLINK_FOLLOW) != 0) {
                const int error = errno;
                name.clear();
                if (error != EEXIST) {
                    return failure(error);
                }
            }
        }
    }
    if (::renameat(folderFd, name.constData(), folderFd, base.constData()) != 0) {
        return fail(errno);
    }
    ::fsync(folderFd); // makes the rename durable; the new content is in place either way
    return {};
}

// Writes `bytes` over the file itself, for a folder that cannot be written.
Result<void> writeInPlace(const QByteArray& target, const QByteArray& bytes) {
    Fd file(::open(target.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!file.valid() || ::fstat(file.get(), &st) != 0) {
        return failure(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return failure(EINVAL);
    }
    // Room first, so that a full disk fails before any byte has changed.
    if (bytes.size() > st.st_size &&
        ::fallocate(file.get(), FALLOC_FL_KEEP_SIZE, 0, off_t(bytes.size())) != 0 &&
        errno != EOPNOTSUPP) {
        return failure(errno);
    }
    if (!passes(testing::UpdateStage::TempWritten) || !passes(testing::UpdateStage::BeforeRename)) {
        return failure(EIO);
    }
    if (!writeAll(file.get(), bytes, 0) || ::ftruncate(file.get(), off_t(bytes.size())) != 0 ||
        ::fdatasync(file.get()) != 0) {
        return failure(errno);
    }
    return {};
}

// A shared or exclusive lock on a folder, held while it lives.
class FolderLock {
public:
    explicit FolderLock(const QByteArray& folder)
        : fd_(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    int fd() const { return fd_.get(); }
    bool valid() const { return fd_.valid(); }
    bool lock(int operation) { return lockWithin(fd_.get(), operation); }

private:
    Fd fd_;
};

Result<QByteArray> readFile(const QByteArray& native) {
    const auto unreadable = [](int error) {
        return errorOf(error == ENOENT || error == ENOTDIR ? error::kFileNotFound
                                                           : error::kAccessDenied);
    };
    const Error notRegular = errorOf(error::kFileAccess);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        return unreadable(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return notRegular;
    }
    Fd fd(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        return unreadable(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return notRegular;
    }
    QByteArray bytes;
    if (!readAll(fd.get(), bytes, st.st_size, kMaxProfileBytes)) {
        return unreadable(errno);
    }
    if (bytes.size() > kMaxProfileBytes) {
        return errorOf(error::kAccessDenied);
    }
    return bytes;
}

} // namespace

Result<QByteArray> readProfileBytes(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    QByteArray target;
    if (!resolveLinks(native, target) || !mayBeWrittenInPlace(target)) {
        return readFile(native); // every change is a rename: any read sees one version
    }
    // A write in place holds the exclusive lock; the shared one waits for it.
    FolderLock shared(folderOf(target));
    if (shared.valid() && shared.lock(LOCK_SH)) {
        return readFile(native);
    }
    // Another copy holds the lock for longer than a read may wait, and a
    // failed read would end the program: the file as it stands, once two
    // reads in a row agree.
    Result<QByteArray> last = readFile(native);
    for (int read = 0; read < kMaxUnlockedReads; ++read) {
        Result<QByteArray> next = readFile(native);
        if (next.ok() == last.ok() &&
            (next.ok() ? next.value() == last.value() : next.error() == last.error())) {
            break;
        }
        last = std::move(next);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return last;
}

Result<void> updateProfile(const QString& path, const std::function<void(ProfileDocument&)>& edit) {
    QByteArray target;
    if (!resolveLinks(QFile::encodeName(path), target)) {
        return failure(errno);
    }
    struct stat old {};
    bool existed = ::stat(target.constData(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) {
        return failure(EINVAL); // a FIFO or device would block, a folder cannot be replaced
    }
    if (!existed && errno != ENOENT) {
        return failure(errno);
    }

    // Every update of any file in the folder takes this lock: it serialises
    // two copies of the program, needs no file of its own and goes away with
    // a process that dies holding it.
    const QByteArray folder = folderOf(target);
    FolderLock lock(folder);
    if (!lock.valid()) {
        return failure(errno);
    }
    if (!lock.lock(LOCK_EX)) {
        return errno == EWOULDBLOCK ? errorOfFileInUse() : failure(errno);
    }
    const bool canReplace = folderWritable(folder);
    if (canReplace) {
        removeLeftovers(lock.fd(), baseNameOf(target));
    }

    QByteArray oldBytes;
    {
        Result<QByteArray> current = readFile(target);
        if (!current && current.error().number != error::kFileNotFound) {
            return current.error(); // not a regular file, or unreadable
        }
        existed = current.ok();
        if (existed && ::stat(target.constData(), &old) != 0) {
            return failure(errno);
        }
        oldBytes = std::move(current).valueOr({});
    }

    ProfileDocument document(oldBytes);
    edit(document);
    const QByteArray newBytes = document.bytes();
    if (newBytes == oldBytes) {
        return {};
    }
    // A replaced file would not be stopped by its own permissions; honour
    // them as a write in place would.
    if (existed && ::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0) {
        return failure(errno);
    }
    if (canReplace) {
        return replaceAtomically(lock.fd(), target, newBytes, existed ? &old : nullptr);
    }
    if (!existed) {
        return failure(EACCES);
    }
    return writeInPlace(target, newBytes);
}

QString ReadIniValue(const QString& path, const QString& section, const QString& key,
                     const QString& fallback) {
    return ReadIniValue(ProfileDocument(readProfileBytes(path).valueOr({})), section, key,
                        fallback);
}

QString ReadIniValue(const ProfileDocument& file, const QString& section, const QString& key,
                     const QString& fallback) {
    const std::optional<QString> value = file.value(section, key);
    if (!value) {
        return QString::fromLatin1(kUnknownValue);
    }
    if (value->isEmpty()) {
        return fallback;
    }
    // Every Windows-1250 byte decodes to one character, so this is the
    // 699-byte limit of the profile reader's buffer.
    return value->left(kReadBufferSize - 1);
}

Result<void> WriteIniValue(const QString& path, const QString& section, const QString& key,
                           const QString& value) {
    return updateProfile(
        path, [&](ProfileDocument& document) { document.setValue(section, key, value); });
}

Result<void> DeleteIniSection(const QString& path, const QString& section) {
    return updateProfile(path, [&](ProfileDocument& document) { document.removeSection(section); });
}

namespace testing {
void setFaultHook(FaultHook hook) {
    std::lock_guard lock(hookMutex);
    faultHook() = std::move(hook);
}
} // namespace testing

} // namespace kvapomer
