// The main window's live departures: the child follows the active line, the
// slots show expected times in a colour of their own, and the band below
// says how fresh the data is. A line without a live address shows and does
// exactly what it always did.

#include "main_window/form1.h"
#include "main_window/main_look.h"

#include <QDir>
#include <QLabel>

#include "countdown/spoken.h"
#include "ui_common/accessibility.h"

namespace kvapomer {

using namespace main_look;

namespace {

// Expected times other than the timetable's; readable on light and dark desktops.
const QColor kLiveColour(160, 0, 160);

} // namespace

void Form1::followLive() {
    if (!live_) {
        live_ = std::make_unique<LiveLink>(
            QDir(platform_.exeFolder.path()).filePath(QStringLiteral("kvapomer-live")));
        connect(live_.get(), &LiveLink::updated, this, [this] {
            if (loads_.dayKeeper().noticeText().isEmpty()) {
                showBand(platform_.clock.current());
            }
        });
    }
    live_->follow(configFile().path(), state_.timetable.Bus,
                  loads_.dayKeeper().datedLine().has_value());
}

void Form1::showBand(const QDateTime& now) {
    if (!creditTip_) {
        creditTip_ = label6_->toolTip();
    }
    const QString band = creditOrLive(now);
    // Why there is no live data may be longer than the band: it is cut
    // there, and said whole by the tool tip and to the screen reader.
    const bool credit = band == creditLine();
    const QString shown = credit ? band
                                 : label6_->fontMetrics().elidedText(
                                       band, Qt::ElideRight, label6_->contentsRect().width());
    if (label6_->text() != shown) {
        label6_->setText(shown);
    }
    const QString tip = credit || shown == band ? *creditTip_ : band;
    if (label6_->toolTip() != tip) {
        label6_->setToolTip(tip);
    }
    const QString description =
        band.startsWith(QStringLiteral("Bez aktuálních údajů: ")) ? band : QString();
    if (label6_->accessibleDescription() != description) {
        label6_->setAccessibleDescription(description);
    }
}

QString Form1::creditOrLive(const QDateTime& now) const {
    const QString band = live_ ? live_->band(now) : QString();
    return band.isEmpty() ? creditLine() : band;
}

std::optional<std::vector<LiveDeparture>> Form1::liveDepartures(const QDateTime& now) const {
    return live_ ? live_->departures(now) : std::nullopt;
}

void Form1::paintLive(const TickView& view, const QDateTime& now) {
    if (!view.live && !liveSlotsShown_ && !wasLive_ && !(live_ && live_->active())) {
        return; // no live address: nothing of this touches the window
    }
    if (slotsLate_ != view.lateSlot) {
        slotsLate_ = view.lateSlot; // the walk styled the first two slots again
        slotLooks_.fill(-1);
    }
    enum Look { Plain, Counted, Expected, Late };
    for (std::size_t k = 0; k < label3_.size(); ++k) {
        QLabel* label = label3_[k];
        const LiveSlot slot = view.live ? (*view.live)[k] : LiveSlot{};
        // The departure counted down to stays green, whatever its time; the
        // one the walk can no longer reach keeps the walk's grey and words.
        const Look look = view.lateSlot && k == 0                     ? Late
                          : static_cast<int>(k) == view.countedSlot() ? Counted
                          : slot.differs                              ? Expected
                                                                      : Plain;
        // Only what changed is set: the tick comes every second.
        if (slotLooks_[k] != look) {
            slotLooks_[k] = look;
            if (look == Expected) {
                setTextColour(label, kLiveColour);
            } else if (look == Counted) {
                setTextColour(label, platformColour(AlertColour::Green));
            } else if (look == Plain) {
                label->setPalette(QPalette());
            }
        }
        const bool struck = slot.state == LiveCall::Cancelled || slot.state == LiveCall::Skipped;
        if (label->font().strikeOut() != struck) {
            QFont font = label->font();
            font.setStrikeOut(struck);
            label->setFont(font);
        }
    }
    liveSlotsShown_ = view.live.has_value();

    if (!live_ || !live_->active()) {
        wasLive_.reset();
        if (!label6_->accessibleName().isEmpty()) {
            label6_->setAccessibleName(QString()); // the credit line or notice reads as itself
        }
        return;
    }
    const bool isLive = view.live.has_value();
    if (wasLive_ && *wasLive_ != isLive) {
        announcer_->announce(isLive ? QStringLiteral("Aktuální údaje")
                                    : QStringLiteral("Bez aktuálních údajů"));
    }
    wasLive_ = isLive;
    // The band's time changes with every poll; its name only with live or not.
    const bool noNotice = loads_.dayKeeper().noticeText().isEmpty();
    const QString name = !noNotice ? QString()
                         : isLive  ? QStringLiteral("Aktuální údaje")
                                   : QStringLiteral("Bez aktuálních údajů");
    if (label6_->accessibleName() != name) {
        label6_->setAccessibleName(name);
    }
    if (noNotice) {
        showBand(now);
    }
}

} // namespace kvapomer
