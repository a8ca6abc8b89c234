// The sound switch, the wave-file path and the play request.

#include "countdown/sound_request.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

namespace kvapomer {
namespace {

struct SwitchCase {
    const char* alertOn;
    bool plays;
};

class SoundSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(SoundSwitch, PlaysOnlyForOnInAnyCase) {
    const SwitchCase& c = GetParam();
    EXPECT_EQ(soundSwitchedOn(QString::fromUtf8(c.alertOn)), c.plays);

    AlertSettings settings;
    settings.AlertON = QString::fromUtf8(c.alertOn);
    settings.AlertWav = "alarm.wav";
    test::FakeSound sound;
    PlayAlertSound(settings, "/opt/kvapomer", sound);
    if (c.plays) {
        EXPECT_EQ(sound.played, QStringList{"/opt/kvapomer/alarm.wav"});
    } else {
        EXPECT_TRUE(sound.played.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Values, SoundSwitch,
                         ::testing::Values(SwitchCase{"ON", true}, SwitchCase{"On", true},
                                           SwitchCase{"on", true}, SwitchCase{"oN", true},
                                           SwitchCase{"OFF", false}, SwitchCase{"YES", false},
                                           SwitchCase{"", false},
                                           SwitchCase{"unknown value", false},
                                           SwitchCase{" ON", false}, SwitchCase{"ON ", false},
                                           SwitchCase{"ONE", false}));

struct PathCase {
    const char* folder;
    const char* wav;
    const char* path;
};

class SoundPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(SoundPath, FolderThenSeparatorThenNameAsLoaded) {
    const PathCase& c = GetParam();
    EXPECT_EQ(alertSoundPath(QString::fromUtf8(c.folder), QString::fromUtf8(c.wav)),
              QString::fromUtf8(c.path));
}

INSTANTIATE_TEST_SUITE_P(
    Values, SoundPath,
    ::testing::Values(PathCase{"/opt/kvapomer", "alarm.wav", "/opt/kvapomer/alarm.wav"},
                      PathCase{"/opt/kvapomer", "/tmp/x.wav", "/opt/kvapomer//tmp/x.wav"},
                      PathCase{"/opt/kvapomer", "", "/opt/kvapomer/"},
                      PathCase{"/opt/kvapomer", " alarm.wav ", "/opt/kvapomer/ alarm.wav "},
                      PathCase{"/home/jan/Autobus", "zvuky/pípání.wav",
                               "/home/jan/Autobus/zvuky/pípání.wav"}));

TEST(PlayAlertSound, EachCallPlaysOnceAndPassesTheBuiltPath) {
    AlertSettings settings;
    settings.AlertON = "on";
    settings.AlertWav = "";
    test::FakeSound sound;
    PlayAlertSound(settings, "/srv/k", sound);
    PlayAlertSound(settings, "/srv/k", sound);
    EXPECT_EQ(sound.played, (QStringList{"/srv/k/", "/srv/k/"}));
}

} // namespace
} // namespace kvapomer
