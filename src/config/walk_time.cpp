#include "config/walk_time.h"

#include "config/keys.h"

namespace kvapomer {

int walkMinutesOf(const QString& text) {
    qsizetype first = 0;
    while (first < text.size() && text[first] == u'0') {
        ++first;
    }
    const qsizetype digits = text.size() - first;
    // Three digits at most: "0000000007" is 7, a long number is off without overflow.
    if (digits < 1 || digits > 3) {
        return 0;
    }
    int value = 0;
    for (qsizetype i = first; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') {
            return 0;
        }
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return value <= keys::kMaxWalkMin ? value : 0;
}

bool isWalkSetting(int minutes) {
    return minutes >= 0 && minutes <= keys::kMaxWalkMin;
}

std::optional<QString> storedWalk(const ProfileDocument& doc, const QString& line) {
    return doc.value(line, keys::kWalkMin);
}

void setWalk(ProfileDocument& doc, const QString& line, int minutes) {
    if (minutes > 0) {
        doc.setValue(line, keys::kWalkMin, QString::number(minutes));
        return;
    }
    doc.removeKeys(line, [](const QString& key) {
        return key.compare(keys::kWalkMin, Qt::CaseInsensitive) == 0;
    });
}

} // namespace kvapomer
