#pragma once
// Whether and what to play when the countdown turns red.

#include "config/records.h"
#include "platform/platform.h"

#include <QString>

namespace kvapomer {

// The sound switch is on exactly when its upper-case form is "ON".
bool soundSwitchedOn(const QString& alertOn);

// The executable's folder, the separator, then the file name exactly as loaded.
QString alertSoundPath(const QString& exeFolder, const QString& alertWav);

// Plays the configured wave file once, when the switch is on.
void PlayAlertSound(const AlertSettings& settings, const QString& exeFolder, SoundOutput& sound);

} // namespace kvapomer
