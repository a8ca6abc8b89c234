#pragma once
// The status icon's picture: a filled rounded badge, green or red, with the
// minutes in white bold figures as large as the badge takes them. It reads on
// light and dark panels alike, at 16 to 64 pixels.

#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>

namespace kvapomer {

enum class BadgeColour { Green, Red };

// The badge colours: white figures read on both at better than 6:1.
QColor badgeFill(BadgeColour colour);

// One picture `pixels` wide and high.
QImage panelBadge(const QString& text, BadgeColour colour, int pixels);

// The sizes the icon carries: the panels' own (16, 22, 24, 32) and their
// double for a panel at twice the scale; a panel picks the nearest.
const QList<int>& panelBadgeSizes();

// The icon with a picture at each of those sizes.
QIcon panelBadgeIcon(const QString& text, BadgeColour colour);

} // namespace kvapomer
