#pragma once
// File-level access to a profile file: one bounded read of the whole file,
// and serialised read-modify-write updates.

#include "config/config_store.h"
#include "config/profile_document.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace kvapomer {

// The largest file that is read; a bigger one reads as unreadable.
inline constexpr qsizetype kMaxProfileBytes = 64 * 1024 * 1024;
// How long an update waits for another process's update to finish.
inline constexpr int kLockTimeoutMs = 2000;

enum class ReadStatus { Read, Missing, NotRegular, Unreadable };

struct [[nodiscard]] ProfileBytes {
    ReadStatus status = ReadStatus::Missing;
    QByteArray bytes; // the whole file when Read, empty otherwise
};

// The file's bytes at this moment, from one open. Anything but a regular
// file (a FIFO, a device, a folder) is refused without opening it for long
// enough to block.
ProfileBytes readProfileBytes(const QString& path);

// Read-modify-write under an exclusive lock on the file's folder: `edit`
// receives the current file (empty when absent) and changes it. When the
// bytes changed they replace the file: atomically (unnamed temporary file in
// the same folder, flushed, linked and renamed over the original with its
// mode and owner) when the folder can be written, otherwise in place when
// the file can. Nothing is written when the bytes did not change. On
// failure, including a lock not had within kLockTimeoutMs, the file is left
// as it was. Temporary files that an earlier crash left are removed.
WriteResult updateProfile(const QString& path, const std::function<void(ProfileDocument&)>& edit);

namespace testing {
// Lets tests fail an update at a chosen point, as a crash or a full disk would.
enum class UpdateStage { TempWritten, BeforeRename };
using FaultHook = std::function<bool(UpdateStage)>; // return false to fail there
void setFaultHook(FaultHook hook);
} // namespace testing

} // namespace kvapomer
