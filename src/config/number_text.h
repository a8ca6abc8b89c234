#pragma once
// Numbers as the user and the file write them: a decimal number with an
// optional sign and blanks around it, rounded half to even.

#include "profile/result.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace kvapomer {

// The value of `text` as a decimal number, or nothing when it is not one. A
// whole part too long for a double comes out as an infinity of its sign.
std::optional<double> parseDecimal(const QString& text);

// `value` rounded to the nearest whole number, a half to the even neighbour.
double roundHalfEven(double value);

// Text to a whole number in [min, max]: not a number gives the error
// error::kTypeMismatch, a rounded value out of range error::kOverflow.
Result<int> toWholeNumber(const QString& text, int min, int max);

inline Result<int> toInt16(const QString& text) {
    return toWholeNumber(text, -32768, 32767);
}
inline Result<int> toUInt8(const QString& text) {
    return toWholeNumber(text, 0, 255);
}

} // namespace kvapomer
