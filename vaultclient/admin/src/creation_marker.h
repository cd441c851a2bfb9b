// The mark an unfinished vault creation leaves: "<database>.creating" beside
// the database, holding the new vault's id and view folder while the creation
// runs and locked (flock) by the creating process. A creation that was killed
// leaves the mark unlocked, and the next creation of the same vault knows from
// it which database, archive and desktop.ini were its own and removes them;
// without a mark nothing is ever removed, so a user's vault is never touched.
#pragma once

#include "winapi/types.h"
#include "winapi/unique_fd.h"

#include <filesystem>
#include <optional>

namespace vaultadmin {

// What an unfinished creation had started to make.
struct UnfinishedCreation {
    GUID vaultId{};
    std::filesystem::path viewFolder;
};

class CreationMarker {
public:
    // Opens (making it when missing) and locks the mark of `databaseFile`.
    // Throws AdminError when another process holds it (a creation of the
    // same vault is running) or it cannot be made. One open and one flock.
    explicit CreationMarker(const std::filesystem::path& databaseFile);
    CreationMarker(const CreationMarker&) = delete;
    CreationMarker& operator=(const CreationMarker&) = delete;

    // What a killed creation recorded in the mark, nullopt when the mark was
    // new or empty (or unreadable: then nothing is taken for ours).
    const std::optional<UnfinishedCreation>& Unfinished() const { return unfinished_; }

    // Records what this creation is about to make, flushed to disk before it
    // returns, so a kill after it still finds the record. Throws AdminError.
    void Record(const UnfinishedCreation& creation);

    // Removes the mark (the creation finished, or undid its steps). Keeps
    // the lock until the object goes.
    void Remove();

    const std::filesystem::path& File() const { return file_; }

private:
    std::filesystem::path file_;
    winapi::UniqueFd fd_;
    std::optional<UnfinishedCreation> unfinished_;
};

// "<database>.creating".
std::filesystem::path CreationMarkerFile(const std::filesystem::path& databaseFile);

}  // namespace vaultadmin
