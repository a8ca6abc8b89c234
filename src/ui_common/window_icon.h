#pragma once

#include <QIcon>
#include <QString>

namespace kvapomer {

// A window's icon, `name` being "clock" or "settings": its SVG source drawn at
// 16 × 16 and 32 × 32 pixels (and larger, for desktops that ask for it) when
// the program was built.
QIcon loadWindowIcon(const QString& name);

} // namespace kvapomer
