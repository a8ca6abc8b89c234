#pragma once
// A line's section as a save writes it: the section removed and appended anew
// with its note, the times in list order and their count.

#include "profile/profile_document.h"

#include <QString>
#include <QStringList>

namespace kvapomer {

void applyLineSection(ProfileDocument& doc, const QString& line, const QString& note,
                      const QStringList& times);

} // namespace kvapomer
