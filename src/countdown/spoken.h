#pragma once
// The countdown in words: what a screen reader reads and what the desktop
// notice says. Minutes are rounded up, with the Czech forms of the noun.

#include "countdown/departures.h"

#include <QString>

namespace kvapomer {

// "za méně než minutu", "za 1 minutu", "za 3 minuty", "za 5 minut": the time
// left in whole minutes, rounded up.
QString minutesLeftPhrase(const Remaining& left);

// "Autobus 150 odjíždí v 06:20, za 5 minut." for the departure in `slot0`, or
// "Dnes už žádný autobus nejede." when none is left today.
QString countdownSentence(const QString& bus, const QString& slot0, const Remaining& left);

// What is announced once as the countdown turns red.
QString redWarningSentence(const QString& bus, const QString& slot0, const Remaining& left);

// What is announced once at the start of a departure minute.
QString busInStationSentence(const QString& bus);

// With a walk to the stop: "Autobus 150 odjíždí v 06:20, vyrazte za 3 minuty."
// for the departure in `slot`; when none can be reached on foot, "Žádný další
// autobus už pěšky nestihnete." while some has not left (`anyLeft`), and
// otherwise "Dnes už žádný autobus nejede.". Also said as the red warning.
QString leaveSentence(const QString& bus, const QString& slot, const Remaining& left, bool anyLeft);

// What is announced once at the start of the minute to set off.
QString leaveNowSentence(const QString& bus, const QString& slot);

// The next departure read as part of a list: "1. 06:20"; an empty slot reads
// "1. žádný další odjezd".
QString departureSlotName(int number, const QString& slot);

} // namespace kvapomer
