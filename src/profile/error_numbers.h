#pragma once
// The run-time error numbers that the load, the save and the store report,
// with the one description each shows in a message title.

#include "profile/result.h"

#include <QString>

namespace kvapomer {

namespace error {
inline constexpr int kInvalidArgument = 5;
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfRange = 9;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kFileNotFound = 53;
inline constexpr int kDiskFull = 61;
inline constexpr int kAccessDenied = 70;
inline constexpr int kFileAccess = 75;
} // namespace error

// The description of `number`; "Neznámá chyba" for a number not listed.
QString errorDescription(int number);

// The error of that number, with its description.
inline Error errorOf(int number) {
    return {number, errorDescription(number)};
}

// error::kAccessDenied for a file that another copy of the program is
// updating: the description names the cause.
Error errorOfFileInUse();

} // namespace kvapomer
