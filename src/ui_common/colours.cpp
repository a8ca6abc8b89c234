#include "ui_common/colours.h"

#include <algorithm>
#include <cmath>

namespace kvapomer {

namespace {

double linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

double relativeLuminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.red()) + 0.7152 * linear(rgb.green()) + 0.0722 * linear(rgb.blue());
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& wanted, const QColor& background, double minRatio) {
    const QColor from = wanted.toRgb();
    // Towards whichever end of the scale lies farther from the background.
    const int end = relativeLuminance(background) < 0.18 ? 255 : 0;
    QColor mixed = from;
    for (int step = 1; step <= 20 && contrastRatio(mixed, background) < minRatio; ++step) {
        const double t = step / 20.0;
        const auto mix = [&](int c) { return static_cast<int>(std::lround(c + (end - c) * t)); };
        mixed = QColor(mix(from.red()), mix(from.green()), mix(from.blue()));
    }
    return mixed;
}

bool isDarkPalette(const QPalette& palette) {
    return relativeLuminance(palette.color(QPalette::Window)) <
           relativeLuminance(palette.color(QPalette::WindowText));
}

QColor textColourFor(const QColor& designed, const QPalette& palette) {
    if (!isDarkPalette(palette)) {
        return designed;
    }
    return readableOn(designed, palette.color(QPalette::Window), kTextContrastGoal);
}

QPalette darkPalette() {
    const QColor window(0x35, 0x35, 0x35);
    const QColor base(0x24, 0x24, 0x24);
    const QColor text(0xf0, 0xf0, 0xf0);
    const QColor disabled(0xa0, 0xa0, 0xa0);
    QPalette p(window);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(0xff, 0x80, 0x80));
    p.setColor(QPalette::Light, QColor(0x5a, 0x5a, 0x5a));
    p.setColor(QPalette::Midlight, QColor(0x48, 0x48, 0x48));
    p.setColor(QPalette::Dark, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::Mid, QColor(0x2a, 0x2a, 0x2a));
    p.setColor(QPalette::Shadow, QColor(0x10, 0x10, 0x10));
    p.setColor(QPalette::Highlight, QColor(0x4c, 0x9b, 0xea));
    p.setColor(QPalette::HighlightedText, QColor(0x10, 0x10, 0x10));
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    p.setColor(QPalette::PlaceholderText, disabled);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, disabled);
    }
    p.setColor(QPalette::Disabled, QPalette::Light, window);
    return p;
}

} // namespace kvapomer
