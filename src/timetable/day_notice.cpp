#include "timetable/day_notice.h"

namespace kvapomer {

namespace {

// 31.3.2027, as dates are written in Czech.
QString czechDate(std::chrono::sys_days date) {
    const QDate d = toQDate(date);
    return QStringLiteral("%1.%2.%3").arg(d.day()).arg(d.month()).arg(d.year());
}

} // namespace

DayNotice dayNotice(const DayFacts& facts) {
    if (!facts.dated) {
        return {};
    }
    switch (facts.period) {
    case PeriodState::Expired:
        return {
            QStringLiteral("Jízdní řád vypršel %1, importujte nový!").arg(czechDate(facts.last)),
            true};
    case PeriodState::NotYet:
        return {QStringLiteral("Jízdní řád platí až od %1!").arg(czechDate(facts.first)), true};
    case PeriodState::Inside:
    case PeriodState::EndingSoon:
        break;
    }
    if (facts.noService) {
        return {QStringLiteral("Dnes tato linka nejede."), false};
    }
    if (facts.period == PeriodState::EndingSoon) {
        return {QStringLiteral("Jízdní řád platí do %1%2.")
                    .arg(czechDate(facts.last),
                         facts.problem ? QStringLiteral(", obnova selhala") : QString()),
                false};
    }
    if (facts.problem) {
        return {*facts.problem, false};
    }
    return {};
}

} // namespace kvapomer
