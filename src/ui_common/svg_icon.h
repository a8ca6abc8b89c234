#pragma once

#include <QIcon>
#include <QString>

namespace kvapomer {

// A window icon drawn from an SVG resource at 16 × 16 and 32 × 32 pixels
// (and larger, for desktops that ask for it).
QIcon svgIcon(const QString& resource);

} // namespace kvapomer
