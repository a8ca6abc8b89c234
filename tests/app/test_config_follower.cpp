// Following the configuration file: which version the window shows, what
// it tried, and what the program wrote itself.

#include "app/config_follower.h"

#include <gtest/gtest.h>

using namespace kvapomer;

namespace {

TEST(ConfigFollowerTest, OwnWriteOverSomeoneElsesUnseenChangeStillLoadsIt) {
    ConfigFollower follower;
    const FileStamp shown{true, 1, 10, 100, 1, 1};
    const FileStamp theirs{true, 1, 11, 120, 2, 2};
    const FileStamp ours{true, 1, 12, 130, 3, 3};
    follower.loaded(shown);
    follower.wrote(theirs, ours);
    EXPECT_EQ(follower.check(ours, false), ConfigFollower::Step::Load);
    EXPECT_EQ(follower.check(ours, true), ConfigFollower::Step::Wait);
    follower.refused(ours);
    EXPECT_EQ(follower.check(ours, false), ConfigFollower::Step::Nothing);
}

} // namespace
