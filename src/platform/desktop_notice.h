#pragma once
// A notice that the desktop shows outside the program's windows.

#include <QString>

namespace kvapomer {

class DesktopNotice {
public:
    virtual ~DesktopNotice() = default;
    // Shows the notice in place of the one this program showed before.
    // Returns at once; where the desktop shows no notices, nothing happens.
    virtual void show(const QString& summary, const QString& body) = 0;
};

} // namespace kvapomer
