#include "countdown/sound_request.h"

namespace kvapomer {

bool soundSwitchedOn(const QString& alertOn) {
    return alertOn.toUpper() == QLatin1String("ON");
}

QString alertSoundPath(const QString& exeFolder, const QString& alertWav) {
    // The folder always goes in front, even of an absolute or empty name.
    return exeFolder + u'/' + alertWav;
}

void PlayAlertSound(const AlertSettings& settings, const QString& exeFolder, SoundOutput& sound) {
    if (!soundSwitchedOn(settings.AlertON)) {
        return;
    }
    sound.play(alertSoundPath(exeFolder, settings.AlertWav));
}

} // namespace kvapomer
