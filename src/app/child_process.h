#pragma once
// A helper program started beside this one, with a connection to its
// standard input over which this program sends it lines. The helper outlives
// the object and the program: it is never killed, and when this program ends
// the helper reads the end of its input.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace kvapomer {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` (a path) with `arguments`; its standard output and
    // error are this program's. False when it could not be started.
    bool start(const QString& program, const QStringList& arguments);

    // Whether the child still runs; an ended child is collected here.
    bool running();

    // Sends `bytes` to the child's standard input. Never waits and never
    // raises a signal; false when the child does not take them (it ended, or
    // it reads nothing and its input is full).
    bool send(const QByteArray& bytes);

private:
    void release();

    pid_t pid_ = -1;
    int input_ = -1; // this program's end of the child's standard input
};

} // namespace kvapomer
