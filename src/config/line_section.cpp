#include "config/line_section.h"

namespace kvapomer {

void applyLineSection(ProfileDocument& doc, const QString& line, const QString& note,
                      const QStringList& times) {
    doc.removeSection(line);
    doc.setValue(line, QStringLiteral("Description"), note);
    for (qsizetype i = 0; i < times.size(); ++i) {
        doc.setValue(line, QStringLiteral("t") + QString::number(i), times[i]);
    }
    doc.setValue(line, QStringLiteral("NumberOfTimes"), QString::number(times.size()));
}

} // namespace kvapomer
