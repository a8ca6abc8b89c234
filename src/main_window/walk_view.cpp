#include "main_window/walk_view.h"

#include "countdown/alert.h"
#include "ui_common/colours.h"

#include <QGroupBox>
#include <QLabel>

namespace kvapomer {

namespace {

// The green of the departure counted down to (a platform colour 0x00BBGGRR).
QColor green() {
    const auto bgr = static_cast<std::uint32_t>(AlertColour::Green);
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

void setOwnTextColour(QWidget* w, const QColor& colour) {
    QPalette own;
    own.setResolveMask(0);
    own.setColor(QPalette::WindowText, colour);
    w->setPalette(own);
}

// The window's background behind `w`.
QColor backgroundOf(const QWidget* w) {
    return w->window()->palette().color(QPalette::Window);
}

void setToolTipIfChanged(QWidget* w, const QString& tip) {
    if (w->toolTip() != tip) {
        w->setToolTip(tip);
    }
}

} // namespace

QColor WalkView::lateColour(const QColor& background) {
    // Plain (not bold) small type shows only the cores of its strokes at the
    // colour drawn: a grey that reads well above the least ratio even so.
    constexpr double kLateContrast = 7.0;
    return readableOn(QColor(128, 128, 128), background, kLateContrast);
}

void WalkView::take(const Controls& c) {
    if (!layout_.taken) {
        layout_.taken = true;
        layout_.caption = c.frame1->title();
        layout_.frameName = c.frame1->accessibleName();
        layout_.countdownTip = c.label5->toolTip();
        layout_.countedTip = c.slots[0]->toolTip();
        layout_.nextTip = c.slots[1]->toolTip();
        layout_.countedFont = c.slots[0]->font();
        layout_.nextFont = c.slots[1]->font();
    }
    if (!layout_.largeTaken && c.label8 && c.label9) {
        layout_.largeTaken = true;
        layout_.largeTip = c.label8->toolTip();
        layout_.message = c.label9->text();
    }
}

void WalkView::paint(const TickView& view, const Controls& c) {
    if (!view.walking && !walking_) {
        return;
    }
    take(c);
    if (view.walking != walking_) {
        walking_ = view.walking;
        c.frame1->setTitle(walking_ ? caption() : layout_.caption);
        c.frame1->setAccessibleName(walking_ ? countdownTip() : layout_.frameName);
        if (!walking_) {
            c.label5->setToolTip(layout_.countdownTip);
            message_.clear();
        }
    }
    if (walking_) {
        setToolTipIfChanged(c.label5, view.busSentence);
        if (view.busInStationStarts) {
            message_ = view.leaveMessage ? leaveMessage() : layout_.message;
        }
    }
    if (view.lateSlot != late_) {
        late_ = view.lateSlot;
        styleSlots(c, late_);
    }
    if (layout_.largeTaken) {
        setToolTipIfChanged(c.label8, walking_ ? countdownTip() : layout_.largeTip);
        showMessage(c);
    }
}

void WalkView::showMessage(const Controls& c) {
    const QString text = message_.isEmpty() ? layout_.message : message_;
    if (c.label9->text() != text) {
        c.label9->setText(text);
    }
}

void WalkView::styleSlots(const Controls& c, bool late) {
    QLabel* first = c.slots[0];
    QLabel* second = c.slots[1];
    if (late) {
        first->setFont(layout_.nextFont);
        first->setToolTip(lateTip());
        setOwnTextColour(first, lateColour(backgroundOf(first)));
        second->setFont(layout_.countedFont);
        second->setToolTip(layout_.countedTip);
        setOwnTextColour(second, textColourFor(green(), second->window()->palette()));
    } else {
        first->setFont(layout_.countedFont);
        first->setToolTip(layout_.countedTip);
        setOwnTextColour(first, textColourFor(green(), first->window()->palette()));
        second->setFont(layout_.nextFont);
        second->setToolTip(layout_.nextTip);
        QPalette none;
        none.setResolveMask(0);
        second->setPalette(none);
    }
}

void WalkView::recolour(const Controls& c) {
    if (late_) {
        styleSlots(c, true);
    }
}

} // namespace kvapomer
