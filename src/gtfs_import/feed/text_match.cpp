// Full Unicode case folding is what the standard library lacks; Qt Core,
// which the program already depends on, has it.

#include "gtfs_import/feed/text_match.h"

#include <QString>

namespace kvapomer::gtfs {

namespace {
QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    return fromUtf8(a).compare(fromUtf8(b), Qt::CaseInsensitive) == 0;
}

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    return fromUtf8(text).contains(fromUtf8(part), Qt::CaseInsensitive);
}

} // namespace kvapomer::gtfs
