#include "ui_common/panel_badge.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace kvapomer {

namespace {

// The figures' face: a plain bold sans serif; whatever the system gives for
// it, the text is fitted to the badge.
QFont figuresFont(qreal pixelSize) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(std::max(1, static_cast<int>(std::floor(pixelSize))));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// The box of the pixels `image` draws on.
QRect inkOf(const QImage& image) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) > 24) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// `text` in white, as large as fits `width` × `height` pixels: the height
// taken first, a wide text narrowed (to two thirds at most) rather than
// made too small to read, then made smaller.
QImage fittedFigures(const QString& text, qreal width, qreal height) {
    constexpr qreal kNarrowest = 0.66;
    // Whole pixel sizes: the font takes no others.
    qreal pixelSize = std::floor(height * 1.45);
    QRectF box;
    for (; pixelSize > 4; pixelSize -= 1) {
        box = QFontMetricsF(figuresFont(pixelSize)).tightBoundingRect(text);
        if (box.height() <= height && box.width() * kNarrowest <= width) {
            break;
        }
    }
    const qreal squeeze = box.width() > width ? width / box.width() : 1.0;
    const int room = static_cast<int>(std::ceil(std::max(width, height))) * 2 + 8;
    QImage figures(room, room, QImage::Format_ARGB32_Premultiplied);
    figures.fill(Qt::transparent);
    QPainter p(&figures);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(figuresFont(pixelSize));
    p.setPen(Qt::white);
    p.translate(4, room - 4 - box.bottom());
    p.scale(squeeze, 1.0);
    p.drawText(QPointF(-box.left(), 0), text);
    return figures;
}

} // namespace

QColor badgeFill(BadgeColour colour) {
    return colour == BadgeColour::Red ? QColor(200, 0, 0) : QColor(0, 112, 0);
}

QImage panelBadge(const QString& text, BadgeColour colour, int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const qreal size = pixels;
    const qreal radius = size * 0.22;
    p.setPen(Qt::NoPen);
    p.setBrush(badgeFill(colour));
    p.drawRoundedRect(QRectF(0, 0, size, size), radius, radius);
    // A faint light rim, so the badge keeps its edge on a dark panel.
    p.setPen(QPen(QColor(255, 255, 255, 90), std::max(1.0, size / 24.0)));
    p.setBrush(Qt::NoBrush);
    const qreal inset = std::max(0.5, size / 48.0);
    p.drawRoundedRect(QRectF(inset, inset, size - 2 * inset, size - 2 * inset), radius - inset,
                      radius - inset);

    const qreal margin = std::max(1.0, size / 10.0);
    if (text == QStringLiteral("–")) {
        // No departure: a bar, bolder and better centred than the glyph.
        const qreal width = size * 0.5;
        const qreal height = std::max(2.0, std::round(size * 0.14));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        const QRectF bar(std::round((size - width) / 2), std::round((size - height) / 2), width,
                         height);
        p.drawRoundedRect(bar, height / 3, height / 3);
        return image;
    }
    // Less room at the sides than above and below: two or three figures
    // need the width.
    const qreal side = std::max(1.0, size / 12.0);
    const QImage figures = fittedFigures(text, size - 2 * side, size - 2 * margin);
    // The figures' own pixels centred on the badge.
    const QRect ink = inkOf(figures);
    p.drawImage(QPoint(static_cast<int>(std::round((size - ink.width()) / 2.0)),
                       static_cast<int>(std::round((size - ink.height()) / 2.0))),
                figures, ink);
    return image;
}

const QList<int>& panelBadgeSizes() {
    static const QList<int> sizes{16, 22, 24, 32, 44, 48, 64};
    return sizes;
}

QIcon panelBadgeIcon(const QString& text, BadgeColour colour) {
    QIcon icon;
    for (const int pixels : panelBadgeSizes()) {
        icon.addPixmap(QPixmap::fromImage(panelBadge(text, colour, pixels)));
    }
    return icon;
}

} // namespace kvapomer
