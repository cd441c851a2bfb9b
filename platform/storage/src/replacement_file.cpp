#include "replacement_file.h"

#include "winapi/errors.h"

#include <errno.h>

namespace storage {

namespace {

constexpr char kMarker[] = ".~commit-";

}  // namespace

HRESULT ReplacementFile::Create(const std::string& target, unsigned mode, bool applyUmask) {
    winapi::SaveFile::Options options;
    options.mode = mode;
    options.applyUmask = applyUmask;
    options.marker = kMarker;
    const int err = save_.Create(target, options);
    if (err == 0) return S_OK;
    if (err == ENOENT) return STG_E_PATHNOTFOUND;
    if (err == EWOULDBLOCK) return STG_E_LOCKVIOLATION;
    return StorageErrorFromErrno(err, STG_E_WRITEFAULT);
}

HRESULT ReplacementFile::ReplaceTarget(LockedFile* placed) { return Place(true, placed); }

HRESULT ReplacementFile::PlaceAsNewTarget(LockedFile* placed) { return Place(false, placed); }

HRESULT ReplacementFile::Place(bool mayReplace, LockedFile* placed) {
    if (save_.fd() < 0 || save_.IsPlaced()) return E_UNEXPECTED;
    const int err =
        save_.Commit(mayReplace ? winapi::SaveFile::Placement::kReplace : winapi::SaveFile::Placement::kMustNotExist);
    if (!save_.IsPlaced())
        return err == EEXIST ? STG_E_FILEALREADYEXISTS : StorageErrorFromErrno(err, STG_E_WRITEFAULT);
    // The lock taken at creation moves with the content.
    *placed = LockedFile(save_.TakeDescriptor().Release());
    return err == 0 ? S_OK : StorageErrorFromErrno(err, STG_E_WRITEFAULT);
}

void RemoveStaleReplacements(const std::string& target) { winapi::RemoveStaleSaves(target, kMarker); }

}  // namespace storage
