#pragma once
// How the main window shows a countdown to the moment to set off: the
// countdown's caption and tooltips, the bus that can only be caught by
// running drawn grey in front of the departure counted down to, and the
// message to set off. Without a walk to the stop it touches nothing.

#include "countdown/countdown_tick.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

#include <array>

class QGroupBox;
class QLabel;

namespace kvapomer {

class WalkView {
public:
    // The main window's controls it paints; `label8` and `label9` are there
    // once the expanded view has been built.
    struct Controls {
        std::array<QLabel*, 4> slots{}; // Label3 0..3
        QGroupBox* frame1 = nullptr;
        QLabel* label5 = nullptr;
        QLabel* label8 = nullptr;
        QLabel* label9 = nullptr;
    };

    // After the window has painted the tick the usual way.
    void paint(const TickView& view, const Controls& controls);
    // The grey and the green again, after the desktop's palette changed.
    void recolour(const Controls& controls);

    // The grey of a bus one can only catch by running, readable on `background`.
    static QColor lateColour(const QColor& background);

    static QString caption() { return QStringLiteral("Vyrazit za :"); }
    static QString countdownTip() { return QStringLiteral("Vyrazit za"); }
    static QString lateTip() { return QStringLiteral("Tento autobus už pěšky nestihnete"); }
    static QString leaveMessage() { return QStringLiteral("Je čas vyrazit !!!"); }

private:
    // The layout's own texts and look, taken before they are first changed.
    struct Layout {
        QString caption;
        QString frameName;
        QString countdownTip;
        QString largeTip;
        QString message;
        QString countedTip;
        QString nextTip;
        QFont countedFont;
        QFont nextFont;
        bool taken = false;
        bool largeTaken = false;
    };
    void take(const Controls& c);
    void styleSlots(const Controls& c, bool late);
    void showMessage(const Controls& c);

    Layout layout_;
    bool walking_ = false;
    bool late_ = false;
    QString message_; // the text of Label9 while walking
};

} // namespace kvapomer
