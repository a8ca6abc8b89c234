#include "ui_common/focus_ring.h"

#include <QFocusEvent>
#include <QPainter>
#include <QRegion>

namespace kvapomer {

FocusRing::FocusRing(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("FocusRing"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w != this && (w->focusPolicy() & Qt::TabFocus)) {
            w->installEventFilter(this);
        }
    }
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    auto* control = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::ShortcutFocusReason) {
            keyboard_ = true;
        } else if (reason == Qt::MouseFocusReason) {
            keyboard_ = false;
        }
        surround(control);
        break;
    }
    case QEvent::FocusOut:
        if (control == target_) {
            hide();
        }
        break;
    case QEvent::KeyPress:
        keyboard_ = true;
        surround(control);
        break;
    case QEvent::MouseButtonPress:
        keyboard_ = false;
        hide();
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Hide:
    case QEvent::EnabledChange:
        if (control == target_) {
            surround(control);
        }
        break;
    default:
        break;
    }
    return false;
}

void FocusRing::surround(QWidget* control) {
    target_ = control;
    if (!keyboard_ || !control->hasFocus() || !control->isVisible()) {
        hide();
        return;
    }
    const QRect around = QRect(control->mapTo(parentWidget(), QPoint(0, 0)), control->size())
                             .adjusted(-kWidth, -kWidth, kWidth, kWidth);
    setGeometry(around);
    const QRect inside = rect().adjusted(kWidth, kWidth, -kWidth, -kWidth);
    setMask(QRegion(rect()) - QRegion(inside));
    raise();
    show();
    update();
}

void FocusRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Active, QPalette::Highlight));
}

} // namespace kvapomer
