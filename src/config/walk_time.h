#pragma once
// The walk from home to the stop that a line may carry (WalkMin in its
// section): what its text means, and how a write sets, removes or keeps it.

#include "profile/profile_document.h"

#include <QString>

#include <optional>

namespace kvapomer {

// The minutes `text` stands for: a whole decimal number 1..kMaxWalkMin,
// digits only, leading zeros allowed ("07" is 7). Anything else is 0: no
// walk ("7.0", "abc", "0", "500", an empty or absent value).
int walkMinutesOf(const QString& text);

// Whether a writer may ask for `minutes`: 0 (the key removed) up to kMaxWalkMin.
bool isWalkSetting(int minutes);

// The walk key of `line` in `doc` as stored, whatever it says.
std::optional<QString> storedWalk(const ProfileDocument& doc, const QString& line);

// Sets the walk of `line` to `minutes` (isWalkSetting), or removes the key
// for 0; nothing else changes.
void setWalk(ProfileDocument& doc, const QString& line, int minutes);

} // namespace kvapomer
