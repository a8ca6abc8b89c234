#pragma once
// The status icon on the desktop's panel: the minutes to the bus, the
// countdown's sentence as its tooltip, a click that brings the window or puts
// it away, and the window's own context menu. Qt speaks StatusNotifierItem
// where the desktop runs a watcher for it, and the XEmbed tray elsewhere; a
// desktop with neither gets no icon and nothing is said.

#include "countdown/panel_view.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QWidget;

namespace kvapomer {

class PanelIcon : public QObject {
    Q_OBJECT
public:
    using MenuSource = std::function<QMenu*()>;
    using Store = std::function<void(bool)>;
    using Availability = std::function<bool()>;

    // `menu` gives the window's context menu when the icon first needs it;
    // `store` keeps the user's choice; `available` tells whether the desktop
    // has a panel that takes the icon (Qt's own test unless a test gives one).
    PanelIcon(QWidget* window, MenuSource menu, Store store, Availability available = {});
    ~PanelIcon() override;

    // "Ikona na panelu", as the file holds it (no store) or as the user
    // chose it in the menu (stored).
    bool chosen() const { return chosen_; }
    void setChosen(bool on);
    void choose(bool on);

    // Adds the choice to the window's context menu.
    void addMenuAction(QMenu* menu);

    // What the window says about the day, for the tooltip.
    void setDayNotice(const QString& notice) { dayNotice_ = notice; }

    // The icon after a tick; the panel is told only what changed.
    void show(const TickView& tick, const AlertSettings& alerts);
    void show(const PanelView& view);

    // In place of Qt's own test whether the desktop has a panel that takes
    // the icon.
    void setAvailability(Availability available) { available_ = std::move(available); }

    // The icon on the panel; null while there is none.
    QSystemTrayIcon* trayIcon() const { return tray_; }

    // How often the panel was given a new picture, and a new tooltip.
    int iconUpdates() const { return iconUpdates_; }
    int toolTipUpdates() const { return toolTipUpdates_; }

    // A left click on the icon: a minimised window, or one behind others,
    // comes to the front; the window in front is minimised.
    void click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();
    bool windowInFront() const;

    QWidget* window_;
    MenuSource menu_;
    Store store_;
    Availability available_;
    bool chosen_ = true;
    QString dayNotice_;
    std::optional<PanelView> latest_; // what the last tick wanted shown
    std::optional<PanelView> shown_;  // what the panel shows
    QPointer<QSystemTrayIcon> tray_;
    QPointer<QAction> action_;
    QElapsedTimer sinceActive_; // since the window was last the active one
    int iconUpdates_ = 0;
    int toolTipUpdates_ = 0;
};

} // namespace kvapomer
