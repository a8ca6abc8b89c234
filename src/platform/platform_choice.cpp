#include "platform/platform_choice.h"

#include <QtGlobal>

namespace kvapomer {

QByteArray chosenPlatform(const SessionDisplays& session) {
    if (!session.qpaPlatform.isEmpty() || session.waylandDisplay.isEmpty()) {
        return {};
    }
    if (!session.x11Display.isEmpty()) {
        return QByteArrayLiteral("xcb;wayland");
    }
    return QByteArrayLiteral("wayland");
}

void applyPlatformChoice() {
    const QByteArray choice = chosenPlatform(
        {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY")});
    if (!choice.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", choice);
    }
}

} // namespace kvapomer
