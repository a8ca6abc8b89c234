#pragma once
// Numbers as the user and the file write them: a decimal number with an
// optional sign and blanks around it, rounded half to even.

#include <QString>

#include <cstdint>
#include <optional>

namespace kvapomer {

// The value of `text` as a decimal number, or nothing when it is not one. A
// whole part too long for a double comes out as an infinity of its sign.
std::optional<double> parseDecimal(const QString& text);

// `value` rounded to the nearest whole number, a half to the even neighbour.
double roundHalfEven(double value);

enum class NumberError { None, TypeMismatch, Overflow };

struct [[nodiscard]] ConvertedInt {
    NumberError error = NumberError::None;
    int value = 0;
};

// Text to a whole number in [min, max]: not a number gives TypeMismatch, a
// rounded value out of range gives Overflow.
ConvertedInt toWholeNumber(const QString& text, int min, int max);

inline ConvertedInt toInt16(const QString& text) {
    return toWholeNumber(text, -32768, 32767);
}
inline ConvertedInt toUInt8(const QString& text) {
    return toWholeNumber(text, 0, 255);
}

} // namespace kvapomer
