#include "ui_common/fonts.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QWidget>

#include <fontconfig/fontconfig.h>

#include <cmath>

namespace kvapomer {

namespace {

bool installedScalable(const QString& family) {
    return QFontDatabase::hasFamily(family) && QFontDatabase::isSmoothlyScalable(family);
}

} // namespace

FontSetupAhead::FontSetupAhead() : thread_([] { FcInit(); }) {}

FontSetupAhead::~FontSetupAhead() {
    thread_.join();
}

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

void shrinkToFit(QWidget* widget, const QString& widest, int width) {
    QFont font = widget->font();
    if (font.pixelSize() <= 0) {
        return;
    }
    // Trailing blanks are not drawn.
    QString drawn = widest;
    while (drawn.endsWith(u' ')) {
        drawn.chop(1);
    }
    bool changed = false;
    while (font.pixelSize() > 6 && QFontMetrics(font).horizontalAdvance(drawn) > width) {
        font.setPixelSize(font.pixelSize() - 1);
        changed = true;
    }
    if (changed) {
        widget->setFont(font);
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
