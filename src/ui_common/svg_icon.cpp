#include "ui_common/svg_icon.h"

#include "window_icons.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The resources live in a static library: register them before first use.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace kvapomer {

QIcon svgIcon(const QString& resource) {
    // The windows' own icons were drawn when the program was built.
    QIcon icon;
    for (const drawn_icons::Drawn& drawn : drawn_icons::kAll) {
        if (resource == QLatin1String(drawn.resource)) {
            icon.addPixmap(QPixmap::fromImage(
                QImage(drawn.argb, drawn.size, drawn.size, QImage::Format_ARGB32_Premultiplied)));
        }
    }
    if (!icon.isNull()) {
        return icon;
    }
    static const bool registered = (initResources(), true);
    Q_UNUSED(registered);
    QSvgRenderer renderer(resource);
    if (!renderer.isValid()) {
        return icon;
    }
    for (const int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace kvapomer
