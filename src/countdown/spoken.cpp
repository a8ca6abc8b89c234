#include "countdown/spoken.h"

namespace kvapomer {

QString minutesLeftPhrase(const Remaining& left) {
    const int total = left.hours * 3600 + left.minutes * 60 + left.seconds;
    if (total < 60) {
        return QStringLiteral("za méně než minutu");
    }
    const int minutes = (total + 59) / 60;
    const QString number = QString::number(minutes);
    if (minutes == 1) {
        return QStringLiteral("za 1 minutu");
    }
    if (minutes <= 4) {
        return QStringLiteral("za ") + number + QStringLiteral(" minuty");
    }
    return QStringLiteral("za ") + number + QStringLiteral(" minut");
}

QString countdownSentence(const QString& bus, const QString& slot0, const Remaining& left) {
    if (!left.any) {
        return QStringLiteral("Dnes už žádný autobus nejede.");
    }
    return QStringLiteral("Autobus ") + bus + QStringLiteral(" odjíždí v ") + slot0 +
           QStringLiteral(", ") + minutesLeftPhrase(left) + u'.';
}

QString redWarningSentence(const QString& bus, const QString& slot0, const Remaining& left) {
    return QStringLiteral("Pozor, autobus ") + bus + QStringLiteral(" odjíždí v ") + slot0 +
           QStringLiteral(", ") + minutesLeftPhrase(left) + u'.';
}

QString busInStationSentence(const QString& bus) {
    return QStringLiteral("Autobus ") + bus + QStringLiteral(" je ve stanici.");
}

QString leaveSentence(const QString& bus, const QString& slot, const Remaining& left,
                      bool anyLeft) {
    if (!left.any) {
        return anyLeft ? QStringLiteral("Žádný další autobus už pěšky nestihnete.")
                       : QStringLiteral("Dnes už žádný autobus nejede.");
    }
    return QStringLiteral("Autobus ") + bus + QStringLiteral(" odjíždí v ") + slot +
           QStringLiteral(", vyrazte ") + minutesLeftPhrase(left) + u'.';
}

QString leaveNowSentence(const QString& bus, const QString& slot) {
    return QStringLiteral("Je čas vyrazit na autobus ") + bus + QStringLiteral(" v ") + slot + u'.';
}

QString departureSlotName(int number, const QString& slot) {
    const QString prefix = QString::number(number) + QStringLiteral(". ");
    return slot.isEmpty() ? prefix + QStringLiteral("žádný další odjezd") : prefix + slot;
}

} // namespace kvapomer
