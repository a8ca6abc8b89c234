#include "countdown/minimised_notice.h"

#include "countdown/sound_request.h"

namespace kvapomer {

bool MinimisedNotice::step(const Remaining& left, bool windowNormal,
                           const AlertSettings& settings) {
    const bool redByTime = left.hours <= 0 && left.minutes < settings.RedAlertMin;
    const bool spanOpens = redByTime && !inRedSpan_;
    inRedSpan_ = redByTime;
    return spanOpens && !windowNormal && soundSwitchedOn(settings.AlertON);
}

NoticeText busNotice(const QString& bus, const QString& countdown, const QString& note) {
    NoticeText text;
    text.summary = QStringLiteral("Autobus ") + bus;
    text.body = note.isEmpty() ? countdown : countdown + u' ' + note;
    return text;
}

} // namespace kvapomer
