// The main window's context menu: opened by the mouse, the Menu key and
// Shift+F10.

#include "main_window/form1.h"

#include "main_window/panel_icon.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

namespace kvapomer {

QMenu* Form1::contextMenu() {
    if (menu_) {
        return menu_;
    }
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("ContextMenu"));
    importAction_ = menu_->addAction(QStringLiteral("Načíst linku z jízdního řádu…"), this,
                                     [this] { openImport(); });
    importAction_->setObjectName(QStringLiteral("MenuImport"));
    menu_->addAction(QStringLiteral("Cesta na zastávku…"), this, &Form1::openWalkDialog)
        ->setObjectName(QStringLiteral("MenuWalk"));
    stayOnTopAction_ = menu_->addAction(QStringLiteral("Vždy navrchu"));
    stayOnTopAction_->setObjectName(QStringLiteral("MenuStayOnTop"));
    stayOnTopAction_->setCheckable(true);
    stayOnTopAction_->setChecked(stayOnTop_);
    connect(stayOnTopAction_, &QAction::triggered, this, &Form1::setStayOnTop);
    panelIcon_->addMenuAction(menu_);
    QAction* settings = menu_->addAction(QStringLiteral("Nastavení"), this, &Form1::openSettings);
    settings->setObjectName(QStringLiteral("MenuSettings"));
    menu_->addSeparator();
    QAction* exit = menu_->addAction(QStringLiteral("Konec"), this, [this] { close(); });
    exit->setObjectName(QStringLiteral("MenuExit"));
    // One import window at a time.
    connect(menu_, &QMenu::aboutToShow, this,
            [this] { importAction_->setEnabled(!import_.running()); });
    return menu_;
}

void Form1::showContextMenu(const QPoint& globalPos) {
    contextMenu()->popup(globalPos);
}

// Where a menu opened from the keyboard appears: on the focused button.
QPoint Form1::keyboardMenuPoint() const {
    const QWidget* focus = focusWidget();
    return mapToGlobal(focus && isAncestorOf(focus) ? focus->mapTo(this, focus->rect().center())
                                                    : QPoint(width() / 4, height() / 2));
}

void Form1::contextMenuEvent(QContextMenuEvent* event) {
    showContextMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                                : keyboardMenuPoint());
    event->accept();
}

void Form1::keyPressEvent(QKeyEvent* event) {
    // Shift+F10 opens the context menu as the Menu key does.
    if ((event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) ||
        (event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier)) {
        showContextMenu(keyboardMenuPoint());
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kvapomer
