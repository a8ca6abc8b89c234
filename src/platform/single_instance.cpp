#include "platform/single_instance.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kvapomer {

namespace {

constexpr qsizetype kMaxRequestBytes = 512;
constexpr std::size_t kMaxConnections = 8;

bool toAddress(const QString& path, sockaddr_un& address) {
    const QByteArray native = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (native.isEmpty() || native.size() >= qsizetype(sizeof address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    return true;
}

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// A folder of this user's that others cannot write into.
bool privateFolder(const QByteArray& folder) {
    struct stat st {};
    return !folder.isEmpty() && folder.startsWith('/') && ::stat(folder.constData(), &st) == 0 &&
           S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
}

} // namespace

QString SingleInstance::socketPathFor(const QString& folder) {
    char* real = ::realpath(QFile::encodeName(folder).constData(), nullptr);
    if (real == nullptr) {
        return {};
    }
    const QByteArray canonical(real);
    std::free(real);
    const QByteArray hash =
        QCryptographicHash::hash(canonical, QCryptographicHash::Sha256).toHex().left(32);
    const QByteArray uid = QByteArray::number(::geteuid());
    QByteArray base = qgetenv("XDG_RUNTIME_DIR");
    if (!privateFolder(base)) {
        // The shared temporary folder: the user id keeps users apart, and
        // claim() uses only files that belong to this user.
        base = qgetenv("TMPDIR");
        if (base.isEmpty() || !base.startsWith('/')) {
            base = "/tmp";
        }
    }
    while (base.size() > 1 && base.endsWith('/')) {
        base.chop(1);
    }
    const QString path = QFile::decodeName(base + "/kvapomer-" + uid + '-' + hash + ".sock");
    sockaddr_un address{};
    return toAddress(path, address) ? path : QString();
}

SingleInstance::SingleInstance(QString socketPath) : path_(std::move(socketPath)) {}

SingleInstance::~SingleInstance() {
    if (listener_ < 0) {
        return;
    }
    closeFd(listener_);
    // Only the socket this copy made: a later copy may have put its own there.
    const QByteArray native = QFile::encodeName(path_);
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && st.st_ino == inode_) {
        ::unlink(native.constData());
    }
}

SingleInstance::Claim SingleInstance::claim(const QByteArray& token) {
    sockaddr_un address{};
    if (listener_ >= 0) {
        return Claim::First;
    }
    if (!toAddress(path_, address)) {
        return Claim::Unguarded;
    }
    const QByteArray native = QFile::encodeName(path_);
    // Two copies started together must not both take a stale socket for
    // theirs: the test and the takeover run under a lock.
    int lock = ::open((native + ".lock").constData(),
                      O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    struct stat lockStat {};
    if (lock < 0 || ::fstat(lock, &lockStat) != 0 || lockStat.st_uid != ::geteuid() ||
        !S_ISREG(lockStat.st_mode)) {
        closeFd(lock);
        return Claim::Unguarded;
    }
    while (::flock(lock, LOCK_EX) != 0 && errno == EINTR) {
    }
    const auto listenHere = [&]() -> bool {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) {
            return false;
        }
        const mode_t old = ::umask(077);
        const bool bound =
            ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        const int bindError = errno;
        ::umask(old);
        struct stat st {};
        if (!bound || ::listen(fd, 8) != 0 || ::lstat(native.constData(), &st) != 0) {
            closeFd(fd);
            errno = bound ? EIO : bindError;
            return false;
        }
        listener_ = fd;
        inode_ = st.st_ino;
        return true;
    };

    Claim claim = Claim::Unguarded;
    if (listenHere()) {
        claim = Claim::First;
    } else if (errno == EADDRINUSE) {
        struct stat st {};
        int fd = -1;
        if (::lstat(native.constData(), &st) == 0 && S_ISSOCK(st.st_mode) &&
            st.st_uid == ::geteuid()) {
            fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        }
        if (fd >= 0) {
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
                const QByteArray request = "activate " + token.left(kMaxRequestBytes - 16) + '\n';
                [[maybe_unused]] const ssize_t sent =
                    ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
                claim = Claim::Running;
            } else if (errno == EAGAIN) {
                claim = Claim::Running; // alive, only too busy to take the request
            } else if (errno == ECONNREFUSED && ::unlink(native.constData()) == 0 && listenHere()) {
                claim = Claim::First; // the copy that made it has ended
            }
            closeFd(fd);
        }
    }
    ::flock(lock, LOCK_UN);
    closeFd(lock);
    return claim;
}

struct InstanceRequests::Connection {
    int fd = -1;
    QByteArray received;
    QSocketNotifier* notifier = nullptr;
    ~Connection() {
        // Its signal may be under way: the notifier goes when control is back.
        notifier->setEnabled(false);
        notifier->deleteLater();
        closeFd(fd);
    }
};

InstanceRequests::InstanceRequests(int listener, QObject* parent) : QObject(parent) {
    if (listener < 0) {
        return;
    }
    notifier_ = new QSocketNotifier(listener, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &InstanceRequests::acceptAll);
}

InstanceRequests::~InstanceRequests() = default;

void InstanceRequests::acceptAll() {
    const int listener = int(notifier_->socket());
    for (;;) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (connections_.size() >= kMaxConnections) {
            // A flood: this one is answered as a bare request.
            ::close(fd);
            Q_EMIT activationRequested({});
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(connection->notifier, &QSocketNotifier::activated, this,
                [this, fd] { readFrom(fd); });
        connections_.push_back(std::move(connection));
        readFrom(fd); // the request is usually there already
    }
}

void InstanceRequests::readFrom(int fd) {
    auto it = std::find_if(connections_.begin(), connections_.end(),
                           [fd](const auto& c) { return c->fd == fd; });
    if (it == connections_.end()) {
        return;
    }
    Connection& c = **it;
    char buffer[kMaxRequestBytes];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) < 0 && errno == EINTR) {
    }
    if (n < 0 && errno == EAGAIN) {
        return; // wait for the notifier
    }
    if (n > 0) {
        c.received.append(buffer, n);
    }
    const qsizetype end = c.received.indexOf('\n');
    if (n > 0 && end < 0 && c.received.size() < kMaxRequestBytes) {
        return;
    }
    QByteArray line = end < 0 ? c.received : c.received.left(end);
    connections_.erase(it);
    if (line.startsWith("activate")) {
        Q_EMIT activationRequested(line.mid(9).trimmed());
    }
}

} // namespace kvapomer
