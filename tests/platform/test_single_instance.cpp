// One running copy per program folder.

#include "platform/single_instance.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace kvapomer;
using namespace kvapomer::test;

namespace {

// A socket file as a copy that crashed leaves it: bound, then never answered.
void leaveDeadSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

} // namespace

TEST(SingleInstanceTest, LaterCopyAsksTheFirstToComeForwardAndEnds) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("copy.sock"));
    SingleInstance first(path);
    ASSERT_EQ(first.claim(), SingleInstance::Claim::First);
    InstanceRequests requests(first.listener());
    QSignalSpy asked(&requests, &InstanceRequests::activationRequested);

    for (const QByteArray& token : {QByteArray("token-1"), QByteArray()}) {
        SingleInstance later(path);
        EXPECT_EQ(later.claim(token), SingleInstance::Claim::Running);
        EXPECT_EQ(later.listener(), -1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !asked.isEmpty(); }, 10000));
        EXPECT_EQ(asked.takeFirst().at(0).toByteArray(), token);
    }
    EXPECT_TRUE(QFile::exists(path)) << "a later copy leaves the first one's socket alone";
}

TEST(SingleInstanceTest, SocketOfACrashedCopyIsTakenOverAndRemovedAtTheEnd) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("copy.sock"));
    leaveDeadSocket(path);
    {
        SingleInstance next(path);
        EXPECT_EQ(next.claim(), SingleInstance::Claim::First);
        SingleInstance later(path);
        EXPECT_EQ(later.claim(), SingleInstance::Claim::Running);
    }
    EXPECT_FALSE(QFile::exists(path));
}

TEST(SingleInstanceTest, SocketIsNamedByTheRealFolder) {
    TempFolder a;
    TempFolder b;
    ASSERT_TRUE(QFile::link(a.path(), b.file(QStringLiteral("link-to-a"))));
    const QString socket = SingleInstance::socketPathFor(a.path());
    ASSERT_FALSE(socket.isEmpty());
    EXPECT_EQ(SingleInstance::socketPathFor(a.path() + QStringLiteral("/")), socket);
    EXPECT_EQ(SingleInstance::socketPathFor(b.file(QStringLiteral("link-to-a"))), socket);
    EXPECT_NE(SingleInstance::socketPathFor(b.path()), socket);
}
