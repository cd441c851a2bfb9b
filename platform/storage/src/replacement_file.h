// The new content of a compound file, saved whole beside it and then put in
// its place in one rename (winapi::SaveFile), so that the file at the path is
// always either the old or the new content, whenever the writer dies.
//
// The temporary file is named "<file name>.~commit-<unique>" in the file's
// own folder (a rename only stays atomic inside one file system). It is
// locked exclusively from its creation, so the lock moves with the content
// when it is renamed into place, and a cleaner can tell a live temporary
// file (locked) from one left by a dead writer (not locked).
#pragma once

#include "locked_file.h"
#include "winapi/save_file.h"

#include <string>

namespace storage {

class ReplacementFile {
public:
    ReplacementFile() = default;
    // The temporary file goes with the object unless it was put in place.
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the locked temporary file for `target`, with the permission
    // bits `mode` (before the umask when `applyUmask`).
    HRESULT Create(const std::string& target, unsigned mode, bool applyUmask);

    int fd() const { return save_.fd(); }
    const std::string& path() const { return save_.TemporaryPath(); }

    // Flushes the content and renames it over the target (which may be
    // missing), then flushes the folder. On success `placed` holds the
    // locked descriptor of the file now at the target. On failure the
    // target is as it was, except when only the final flush of the folder
    // failed: the new content is then in place (`placed` set) and the error
    // says that it may not have reached the disk yet.
    HRESULT ReplaceTarget(LockedFile* placed);

    // The same for a target that must not exist: STG_E_FILEALREADYEXISTS
    // when it does, and nothing changes.
    HRESULT PlaceAsNewTarget(LockedFile* placed);

private:
    HRESULT Place(bool mayReplace, LockedFile* placed);

    winapi::SaveFile save_;
};

// Removes the temporary files that dead writers left beside `target`. Only
// the exclusive holder of the target calls this; temporary files still
// locked by a live writer stay.
void RemoveStaleReplacements(const std::string& target);

}  // namespace storage
