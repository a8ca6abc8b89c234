#pragma once
// The configuration file kvapomern.ini beside the executable.

#include "config/records.h"

#include <QString>

namespace kvapomer {

inline constexpr const char* kConfigFileName = "kvapomern.ini";

// The configuration file in `folder` (the executable's folder).
QString ConfigFilePath(const QString& folder);

} // namespace kvapomer
