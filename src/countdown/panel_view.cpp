#include "countdown/panel_view.h"

#include "countdown/minimised_notice.h"

#include <algorithm>

namespace kvapomer {

namespace {
constexpr int kMostMinutes = 99;
}

QString panelText(const Remaining& left) {
    if (!left.any) {
        return QStringLiteral("–");
    }
    const int seconds = left.hours * 3600 + left.minutes * 60 + left.seconds;
    const int minutes = (seconds + 59) / 60;
    if (minutes <= kMostMinutes) {
        return QString::number(std::max(minutes, 1));
    }
    return QString::number(minutes / 60) + u'h';
}

PanelView panelView(const TickView& tick, const AlertSettings& alerts, const QString& dayNotice) {
    PanelView view;
    view.text = panelText(tick.left);
    view.colour =
        tick.left.any && redByTime(tick.left, alerts) ? PanelColour::Red : PanelColour::Green;
    view.toolTip = dayNotice.isEmpty() ? tick.sentence : tick.sentence + u'\n' + dayNotice;
    return view;
}

} // namespace kvapomer
