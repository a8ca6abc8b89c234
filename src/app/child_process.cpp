#include "app/child_process.h"

#include <QFile>

#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kvapomer {

ChildProcess::~ChildProcess() {
    release();
}

void ChildProcess::release() {
    if (input_ >= 0) {
        ::close(input_);
        input_ = -1;
    }
    pid_ = -1;
}

bool ChildProcess::start(const QString& program, const QStringList& arguments) {
    if (running()) {
        return false;
    }
    release();
    // A socket rather than a pipe: a send to a child that has ended then
    // fails instead of raising SIGPIPE.
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return false;
    }
    ::shutdown(ends[0], SHUT_RD);
    ::shutdown(ends[1], SHUT_WR);
    std::vector<QByteArray> strings;
    strings.push_back(QFile::encodeName(program));
    for (const QString& argument : arguments) {
        strings.push_back(argument.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& s : strings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (error != 0) {
        ::close(ends[0]);
        errno = error;
        return false;
    }
    ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
    pid_ = pid;
    input_ = ends[0];
    return true;
}

bool ChildProcess::running() {
    if (pid_ <= 0) {
        return false;
    }
    int status = 0;
    pid_t result = 0;
    while ((result = ::waitpid(pid_, &status, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (result == 0) {
        return true;
    }
    release(); // ended (or, should someone else have collected it, gone)
    return false;
}

bool ChildProcess::send(const QByteArray& bytes) {
    if (input_ < 0) {
        return false;
    }
    ssize_t n = 0;
    while ((n = ::send(input_, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL)) < 0 &&
           errno == EINTR) {
    }
    return n == bytes.size();
}

} // namespace kvapomer
