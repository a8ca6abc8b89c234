#include "config/line_section.h"

#include "config/keys.h"

namespace kvapomer {

void applyLineSection(ProfileDocument& doc, const LineContent& content, bool makeActive) {
    const QString& line = content.line;
    doc.removeSection(line);
    doc.setValue(line, keys::kDescription, content.note);
    if (makeActive) {
        doc.setValue(keys::kMain, keys::kBus, line);
    }
    for (qsizetype i = 0; i < content.times.size(); ++i) {
        doc.setValue(line, keys::timeKey(int(i)), content.times[i]);
    }
    doc.setValue(line, keys::kNumberOfTimes, QString::number(content.times.size()));
}

bool lineReadsBack(const ProfileDocument& doc, const LineContent& content, bool makeActive) {
    ProfileDocument probe = doc.emptyAlike();
    applyLineSection(probe, content, makeActive);
    return probe.value(content.line, keys::kNumberOfTimes) ==
               QString::number(content.times.size()) &&
           (!makeActive || probe.value(keys::kMain, keys::kBus) == content.line);
}

} // namespace kvapomer
