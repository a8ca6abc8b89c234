#include "ui_common/window_icon.h"

#include "window_icons.h"

#include <QImage>
#include <QPixmap>

namespace kvapomer {

QIcon loadWindowIcon(const QString& name) {
    QIcon icon;
    for (const drawn_icons::Drawn& drawn : drawn_icons::kAll) {
        if (name == QLatin1String(drawn.name)) {
            const QImage image(drawn.argb, drawn.size, drawn.size,
                               QImage::Format_ARGB32_Premultiplied);
            icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    return icon;
}

} // namespace kvapomer
