#include "main_window/panel_icon.h"

#include "ui_common/panel_badge.h"
#include "ui_common/window_ties.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace kvapomer {

namespace {

// A click on the panel may take the focus from the window just before the
// icon hears of it: a window active this little before counts as in front.
constexpr qint64 kFocusTakenByClickMs = 500;

BadgeColour badgeColour(PanelColour colour) {
    return colour == PanelColour::Red ? BadgeColour::Red : BadgeColour::Green;
}

bool qtAvailability() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace

PanelIcon::PanelIcon(QWidget* window, MenuSource menu, Store store, Availability available)
    : QObject(window), window_(window), menu_(std::move(menu)), store_(std::move(store)),
      available_(available ? std::move(available) : qtAvailability) {
    window_->installEventFilter(this);
}

PanelIcon::~PanelIcon() {
    delete tray_.data();
}

void PanelIcon::setChosen(bool on) {
    if (action_) {
        action_->setChecked(on);
    }
    if (chosen_ == on) {
        return;
    }
    chosen_ = on;
    follow();
}

void PanelIcon::choose(bool on) {
    setChosen(on);
    if (store_) {
        store_(on);
    }
}

void PanelIcon::addMenuAction(QMenu* menu) {
    action_ = menu->addAction(QStringLiteral("Ikona na panelu"));
    action_->setObjectName(QStringLiteral("MenuTrayIcon"));
    action_->setCheckable(true);
    action_->setChecked(chosen_);
    connect(action_, &QAction::triggered, this, &PanelIcon::choose);
}

void PanelIcon::show(const TickView& tick, const AlertSettings& alerts) {
    if (chosen_) {
        show(panelView(tick, alerts, dayNotice_));
    }
}

void PanelIcon::show(const PanelView& view) {
    if (latest_ == view) {
        return;
    }
    latest_ = view;
    follow();
}

// Brings the panel to what is chosen and wanted: the icon made or removed,
// and what changed handed over. Whether the desktop has a panel is asked
// only while there is no icon, and only when there is something new to
// show: about once a minute.
void PanelIcon::follow() {
    if (!chosen_ || !latest_) {
        if (tray_) {
            // Later: the choice may come from the icon's own menu, whose
            // call is still on its way back.
            tray_->hide();
            tray_->deleteLater();
            tray_ = nullptr;
        }
        shown_.reset();
        if (!chosen_) {
            latest_.reset();
        }
        return;
    }
    if (!tray_) {
        if (!available_()) {
            return;
        }
        tray_ = new QSystemTrayIcon(this);
        tray_->setObjectName(QStringLiteral("TrayIcon"));
        if (QMenu* menu = menu_ ? menu_() : nullptr) {
            tray_->setContextMenu(menu);
        }
        connect(tray_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger) {
                        click();
                    }
                });
    }
    const PanelView& view = *latest_;
    if (!shown_ || shown_->text != view.text || shown_->colour != view.colour) {
        tray_->setIcon(panelBadgeIcon(view.text, badgeColour(view.colour)));
        ++iconUpdates_;
    }
    if (!shown_ || shown_->toolTip != view.toolTip) {
        tray_->setToolTip(view.toolTip);
        ++toolTipUpdates_;
    }
    const bool first = !shown_;
    shown_ = view;
    if (first) {
        tray_->show();
    }
}

bool PanelIcon::windowInFront() const {
    if (window_->isMinimized() || !window_->isVisible()) {
        return false;
    }
    return window_->isActiveWindow() ||
           (sinceActive_.isValid() && sinceActive_.elapsed() < kFocusTakenByClickMs);
}

void PanelIcon::click() {
    if (windowInFront()) {
        window_->showMinimized();
        sinceActive_.invalidate();
    } else {
        restoreMinimised(window_);
    }
}

bool PanelIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::WindowDeactivate) {
        sinceActive_.start();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kvapomer
