#pragma once

#include <QIcon>
#include <QString>

namespace kvapomer {

// A window icon drawn from an SVG resource at 16 × 16 and 32 × 32 pixels
// (and larger, for desktops that ask for it). The windows' own icons come
// drawn at build time; any other resource is drawn when asked for.
QIcon svgIcon(const QString& resource);

} // namespace kvapomer
