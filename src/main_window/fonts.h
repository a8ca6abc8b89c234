#pragma once
// The faces the windows were designed with, or metric-compatible substitutes
// where they are not installed.

#include <QFont>
#include <QString>

class QWidget;

namespace kvapomer {

// Registers faces the program ships with or borrows from fonts-wine (Tahoma)
// when the system does not already offer them. Call once after QApplication.
void registerApplicationFonts();

// `face` at `points` (as designed at 96 dots per inch) in the installed face,
// or its substitute. Sizes are set in pixels so the layout does not depend on
// the screen's dots per inch.
QFont designFont(const QString& face, double points, bool bold = false);

// Substitute faces can run a pixel wider than the designed ones: steps the
// widget's font down until `widest` fits `width` pixels.
void shrinkToFit(QWidget* widget, const QString& widest, int width);

// The family actually used for a designed face.
QString substituteFamily(const QString& face);

} // namespace kvapomer
