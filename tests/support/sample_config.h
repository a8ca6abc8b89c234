#pragma once
// Configuration files for tests: line 150 with its note, the alert settings
// and the stored view, in Windows-1250 with CRLF line ends.

#include "support/temp_folder.h"

#include <QStringList>

namespace kvapomer::test {

inline QStringList
lineConfig(const QStringList& times = {"06:15", "06:45", "07:10", "07:40", "08:05", "08:30"},
           const QString& stav = QStringLiteral("0"), const QStringList& extra = {}) {
    QStringList lines{"[Main]",
                      "Bus=150",
                      "AlertON=ON",
                      "AlertWav=alarm.wav",
                      "RedAlertMin=5",
                      "BlinkAlert=30",
                      "BlinkAlertM=1",
                      "[Set]",
                      "Stav=" + stav,
                      "[150]",
                      "Description=(směr Kačerov)"};
    for (int i = 0; i < times.size(); ++i) {
        lines << QStringLiteral("t%1=%2").arg(i).arg(times[i]);
    }
    lines << QStringLiteral("NumberOfTimes=%1").arg(times.size()) << extra;
    return lines;
}

inline QByteArray fileBytes(const QStringList& lines) {
    return cp1250(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

} // namespace kvapomer::test
