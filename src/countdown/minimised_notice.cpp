#include "countdown/minimised_notice.h"

#include "countdown/sound_request.h"
#include "countdown/spoken.h"

namespace kvapomer {

bool redByTime(const Remaining& left, const AlertSettings& settings) {
    return left.hours <= 0 && left.minutes < settings.RedAlertMin;
}

bool MinimisedNotice::step(const Remaining& left, bool windowNormal,
                           const AlertSettings& settings) {
    const bool red = redByTime(left, settings);
    const bool spanOpens = red && !inRedSpan_;
    inRedSpan_ = red;
    return spanOpens && !windowNormal && soundSwitchedOn(settings.AlertON);
}

NoticeText busNotice(const QString& bus, const QString& slot0, const Remaining& left) {
    NoticeText text;
    text.summary = QStringLiteral("Linka ") + bus + QStringLiteral(" odjíždí v ") + slot0;
    text.body = minutesLeftPhrase(left);
    return text;
}

NoticeText leaveNotice(const QString& bus, const QString& slot, const Remaining& left) {
    NoticeText text;
    text.summary = QStringLiteral("Vyrazte ") + minutesLeftPhrase(left);
    text.body = QStringLiteral("Linka ") + bus + QStringLiteral(" odjíždí v ") + slot;
    return text;
}

} // namespace kvapomer
