#pragma once
// File-level access to a profile (INI) file: one bounded read of the whole
// file, serialised read-modify-write updates, and the three operations of
// Windows' profile functions built on them. Every operation reads the file as
// it is at that moment; updates are atomic where the folder allows it and
// serialised between processes.

#include "profile/profile_document.h"
#include "profile/result.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace kvapomer {

// The largest file that is read; a bigger one reads as unreadable.
inline constexpr qsizetype kMaxProfileBytes = 64 * 1024 * 1024;
// How long an update waits for another process's update to finish.
inline constexpr int kLockTimeoutMs = 2000;
// A read returns at most this many characters minus one.
inline constexpr int kReadBufferSize = 700;
// What a read gives for an absent file, section or key.
inline constexpr const char* kUnknownValue = "unknown value";

// The file's bytes at this moment, from one open. Anything but a regular
// file (a FIFO, a device, a folder) is refused without opening it for long
// enough to block. Where the file may be written in place, the read waits
// (within kLockTimeoutMs) for an update in progress; a lock held longer
// never fails it. The error tells why there are none: error::kFileNotFound
// (absent), error::kFileAccess (not a regular file) or error::kAccessDenied
// (there but unreadable, or larger than kMaxProfileBytes).
Result<QByteArray> readProfileBytes(const QString& path);

// Read-modify-write under an exclusive lock on the file's folder: `edit`
// receives the current file (empty when absent) and changes it. When the
// bytes changed they replace the file: atomically (unnamed temporary file in
// the same folder, flushed, linked and renamed over the original with its
// mode and owner) when the folder can be written, otherwise in place when
// the file can. Nothing is written when the bytes did not change. On
// failure the file is left as it was; a lock not had within kLockTimeoutMs
// gives errorOfFileInUse(). Temporary files that an earlier crash left are removed.
Result<void> updateProfile(const QString& path, const std::function<void(ProfileDocument&)>& edit);

// Value of `key` in `section`: "unknown value" when the file, section or key
// is absent, `fallback` when the value is empty, at most 699 characters.
QString ReadIniValue(const QString& path, const QString& section, const QString& key,
                     const QString& fallback);

// The same, taken from a file already read: one parse serves every value of
// a load, so that all of them come from one version of the file.
QString ReadIniValue(const ProfileDocument& file, const QString& section, const QString& key,
                     const QString& fallback);

// Sets `key` in `section`, creating the file, section or key as needed.
Result<void> WriteIniValue(const QString& path, const QString& section, const QString& key,
                           const QString& value);

// Removes `section` with every line up to the next section header.
Result<void> DeleteIniSection(const QString& path, const QString& section);

namespace testing {
// Lets tests fail an update at a chosen point, as a crash or a full disk would.
enum class UpdateStage { TempWritten, BeforeRename };
using FaultHook = std::function<bool(UpdateStage)>; // return false to fail there
void setFaultHook(FaultHook hook);
} // namespace testing

} // namespace kvapomer
