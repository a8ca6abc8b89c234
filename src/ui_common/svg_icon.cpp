#include "ui_common/svg_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The resources live in a static library: register them before first use.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace kvapomer {

QIcon svgIcon(const QString& resource) {
    static const bool registered = (initResources(), true);
    Q_UNUSED(registered);
    QSvgRenderer renderer(resource);
    QIcon icon;
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
