#include "ui_common/fonts.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kvapomer {

namespace {

bool installedScalable(const QString& family) {
    return QFontDatabase::hasFamily(family) && QFontDatabase::isSmoothlyScalable(family);
}

} // namespace

void registerApplicationFonts() {
    if (installedScalable(QStringLiteral("Tahoma"))) {
        return;
    }
    for (const char* file :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
        if (QFileInfo::exists(QString::fromLatin1(file))) {
            QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        }
    }
}

QString substituteFamily(const QString& face) {
    if (installedScalable(face)) {
        return face;
    }
    if (face == u"Arial Narrow") {
        return QStringLiteral("Liberation Sans Narrow");
    }
    if (face == u"Courier New") {
        return QStringLiteral("Liberation Mono");
    }
    if (face == u"MS Serif") {
        return QStringLiteral("Liberation Serif");
    }
    // MS Sans Serif, Arial, Small Fonts, Tahoma without fonts-wine.
    return QStringLiteral("Liberation Sans");
}

namespace {

QString withoutTrailingBlanks(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace()) {
        --end;
    }
    return text.left(end);
}

// The largest pixel size, not above the font's own, at which `text` fits.
int fittingPixelSize(QFont font, const QString& text, int width) {
    const QString drawn = withoutTrailingBlanks(text);
    while (font.pixelSize() > 6 && QFontMetrics(font).horizontalAdvance(drawn) > width) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    return font.pixelSize();
}

void setPixelSize(QWidget* widget, int pixels) {
    if (widget->font().pixelSize() != pixels) {
        QFont font = widget->font();
        font.setPixelSize(pixels);
        widget->setFont(font);
    }
}

} // namespace

void shrinkToFit(QWidget* widget, const QString& widest, int width) {
    if (widget->font().pixelSize() <= 0) {
        return;
    }
    setPixelSize(widget, fittingPixelSize(widget->font(), widest, width));
}

void shrinkRowsToFit(const QList<QLabel*>& labels) {
    struct Row {
        const QWidget* parent;
        int top;
        int pixels;
    };
    std::vector<Row> rows;
    const auto rowOf = [&rows](const QLabel* label) -> Row& {
        for (Row& row : rows) {
            if (row.parent == label->parentWidget() && row.top == label->y()) {
                return row;
            }
        }
        return rows.emplace_back(Row{label->parentWidget(), label->y(), label->font().pixelSize()});
    };
    for (const QLabel* label : labels) {
        if (label->font().pixelSize() > 0) {
            Row& row = rowOf(label);
            row.pixels = std::min(row.pixels,
                                  fittingPixelSize(label->font(), label->text(), label->width()));
        }
    }
    for (QLabel* label : labels) {
        if (label->font().pixelSize() > 0) {
            setPixelSize(label, std::min(label->font().pixelSize(), rowOf(label).pixels));
        }
    }
}

QFont designFont(const QString& face, double points, bool bold) {
    QFont font(substituteFamily(face));
    font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace kvapomer
