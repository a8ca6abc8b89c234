#pragma once
// What the main window's files draw with: the designed colours and the
// controls made as the layout table gives them.

#include "countdown/alert.h"

#include <QColor>
#include <QRect>
#include <QString>

#include <cstdint>

class QFont;
class QGroupBox;
class QLabel;
class QObject;
class QTimer;
class QWidget;

namespace kvapomer::main_look {

// Layout colour of the bus-in-station message (0x00BBGGRR).
inline constexpr std::uint32_t kDarkRed = 192;
// The heading, the note and the credit line.
inline const QColor kBlue(0, 0, 255);

QColor platformColour(std::uint32_t bgr);
QColor platformColour(AlertColour colour);

// The designed colour on a light desktop; one that stays readable on a dark
// one. Only the text colour is the control's own: the rest follows the window.
void setTextColour(QWidget* w, const QColor& designed);

QLabel* makeLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text,
                  const QFont& font, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop);
QGroupBox* makeFrame(QWidget* parent, const char* name, const QRect& geometry, const QString& title,
                     const QFont& font);
QTimer* makeTimer(QObject* parent, const char* name, int interval);

} // namespace kvapomer::main_look
