#pragma once
// Records the desktop notices a window asks for.

#include "platform/desktop_notice.h"

#include <vector>

namespace kvapomer::test {

struct ShownNotice {
    QString summary;
    QString body;
};

class FakeDesktopNotice final : public DesktopNotice {
public:
    void show(const QString& summary, const QString& body) override {
        shown.push_back({summary, body});
    }
    std::vector<ShownNotice> shown;
};

} // namespace kvapomer::test
