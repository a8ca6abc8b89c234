#include "ui_common/window_ties.h"

#include <QWidget>
#include <QWindow>

namespace kvapomer {

void makeTransientFor(QWidget* window, QWidget* owner) {
    // X11 ties only secondary kinds of window to an owner (WM_TRANSIENT_FOR):
    // make it a dialog, keeping its title bar and button hints.
    window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    // Both need their native windows for the tie; creating them shows nothing.
    window->winId();
    owner->winId();
    window->windowHandle()->setTransientParent(owner->windowHandle());
}

void restoreMinimised(QWidget* window) {
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace kvapomer
