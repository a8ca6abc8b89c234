#pragma once
// File-level access to a profile file: reads through a cache that is valid
// only while the file is unchanged on disk, and atomic, serialised updates.

#include "config/config_store.h"
#include "config/profile_document.h"

#include <QString>

#include <functional>
#include <memory>

namespace kvapomer {

// The parsed file as it is now on disk; an empty document when it is absent
// or unreadable. Reuses the previous parse while the file's identity, size
// and modification time are unchanged.
std::shared_ptr<const ProfileDocument> loadProfile(const QString& path);

// Read-modify-write under an exclusive lock: `edit` receives the current file
// (empty when absent) and changes it; when the bytes changed they replace the
// file atomically (temporary file in the same folder, flushed, renamed over
// the original with its permissions). Nothing is written when the bytes did
// not change. On failure the file is left exactly as it was.
WriteResult updateProfile(const QString& path, const std::function<void(ProfileDocument&)>& edit);

namespace testing {
// Lets tests fail an update at a chosen point, as a crash or a full disk would.
enum class UpdateStage { TempWritten, BeforeRename };
using FaultHook = std::function<bool(UpdateStage)>; // return false to fail there
void setFaultHook(FaultHook hook);
} // namespace testing

} // namespace kvapomer
