#pragma once
// A line's section as every write makes it, for the settings save and the
// import alike: the section removed and appended anew with its note, the line
// made active (Main/Bus) when asked, the times in list order and their count.

#include "profile/profile_document.h"

#include <QString>
#include <QStringList>

namespace kvapomer {

struct LineContent {
    QString line; // the line number, also the section's name
    QString note;
    QStringList times; // "hh:mm" in list order
};

void applyLineSection(ProfileDocument& doc, const LineContent& content, bool makeActive);

// Whether a file in `doc`'s encoding gives the written line back unchanged:
// the loader must find its count under that name again (and the line through
// Main/Bus when it is made active). That depends on the encoding alone, so a
// small document answers without a copy of the file.
bool lineReadsBack(const ProfileDocument& doc, const LineContent& content, bool makeActive);

} // namespace kvapomer
