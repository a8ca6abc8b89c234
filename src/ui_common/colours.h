#pragma once
// Text colours that stay readable: the designed colours on a light desktop,
// lighter ones where the desktop's palette is dark.

#include <QColor>
#include <QPalette>

namespace kvapomer {

// WCAG relative luminance (0 black … 1 white) and contrast ratio (1 … 21).
double relativeLuminance(const QColor& colour);
double contrastRatio(const QColor& a, const QColor& b);

// The least ratio text keeps against what lies behind it, and the ratio
// aimed at when a colour is lightened: small anti-aliased type shows its
// colour only in the cores of its strokes, a little below the drawn one.
inline constexpr double kMinTextContrast = 4.5;
inline constexpr double kTextContrastGoal = 5.0;

// `wanted`, or `wanted` mixed towards white (or black, on a light background)
// in small steps until it reads at `minRatio` on `background`.
QColor readableOn(const QColor& wanted, const QColor& background,
                  double minRatio = kMinTextContrast);

// A palette is dark when its window colour is darker than its text colour.
bool isDarkPalette(const QPalette& palette);

// The colour to draw designed text with on `palette`'s window colour: the
// designed colour itself wherever the palette is light.
QColor textColourFor(const QColor& designed, const QPalette& palette);

// A dark palette for the Fusion style, to check the windows with.
QPalette darkPalette();

} // namespace kvapomer
