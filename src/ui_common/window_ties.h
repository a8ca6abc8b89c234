#pragma once
// How a secondary window belongs to the main window on the desktop.

class QWidget;

namespace kvapomer {

// Makes `window` a transient window of `owner`: window managers keep it above
// its owner and offer no minimise button for it.
void makeTransientFor(QWidget* window, QWidget* owner);

// Brings back a window that the window manager minimised and raises it.
void restoreMinimised(QWidget* window);

} // namespace kvapomer
