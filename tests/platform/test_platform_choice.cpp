// The platform plugin the program asks for in each kind of session.

#include "platform/platform_choice.h"

#include <gtest/gtest.h>

namespace kvapomer {
namespace {

TEST(PlatformChoice, WaylandWithXWaylandRunsThroughX11) {
    EXPECT_EQ(chosenPlatform({{}, "wayland-0", ":0"}), QByteArray("xcb;wayland"));
}

TEST(PlatformChoice, WaylandAloneIsAskedForByName) {
    EXPECT_EQ(chosenPlatform({{}, "wayland-0", {}}), QByteArray("wayland"));
}

TEST(PlatformChoice, TheUsersChoiceAndPlainX11AreLeftAlone) {
    EXPECT_EQ(chosenPlatform({"wayland", "wayland-0", ":0"}), QByteArray());
    EXPECT_EQ(chosenPlatform({"offscreen", {}, {}}), QByteArray());
    EXPECT_EQ(chosenPlatform({{}, {}, ":0"}), QByteArray());
    EXPECT_EQ(chosenPlatform({{}, {}, {}}), QByteArray());
}

TEST(PlatformChoice, AppliedToTheEnvironmentOnlyWhenChosen) {
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY"), x11 = qgetenv("DISPLAY"),
                     qpa = qgetenv("QT_QPA_PLATFORM");
    qputenv("WAYLAND_DISPLAY", "wayland-7");
    qputenv("DISPLAY", ":7");
    qunsetenv("QT_QPA_PLATFORM");
    applyPlatformChoice();
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb;wayland"));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    applyPlatformChoice();
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("offscreen"));
    qputenv("WAYLAND_DISPLAY", wayland);
    qputenv("DISPLAY", x11);
    qputenv("QT_QPA_PLATFORM", qpa);
}

} // namespace
} // namespace kvapomer
