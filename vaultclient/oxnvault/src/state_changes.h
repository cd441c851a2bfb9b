// Changing the workflow state of a batch of documents along a named
// transition, or revoking the transition that led to their current state.
//
// The whole batch changes in one transaction: either every file that can
// take the transition changes (with its history row) or, on any failure of
// the database, none does. A file refused before the run - no such
// transition from its state, checked out by another user, changed meanwhile
// by someone else - is reported, not changed; with `skipRefused` off one
// refused file refuses the whole batch.
#pragma once

#include "batch_files.h"

#include "winapi/errors.h"
#include "winapi/types.h"

#include <string>
#include <vector>

namespace vaultdb {
class Database;
}

namespace oxnvault {

// A file and why the batch left it alone.
struct RefusedFile {
    BatchFile file;
    HRESULT reason = S_OK;
};

class StateChanges {
public:
    StateChanges(vaultdb::Database& database, LONG userId) : database_(database), userId_(userId) {}

    // Adds a file, or every file below a folder (file id 0). A bill of
    // materials (its id and the folder it is listed in) has no state of its
    // own - it follows its document - and adds nothing.
    HRESULT Add(LONG fileId, LONG folderId);
    const std::vector<BatchFile>& Files() const { return files_; }

    // Plans the transition `name` (case-insensitive) from each file's
    // current state, or with `revoke` the way back along the transition of
    // that name that ends in it. False when no file has such a transition
    // (nothing is planned then). A failing read gives its code in `hr`.
    bool SetTransition(std::u16string_view name, bool revoke, HRESULT& hr);
    bool HasTransition() const { return planned_; }
    bool Revoking() const { return revoke_; }
    const std::u16string& TransitionName() const { return transitionName_; }
    // The files the planned transition moves, in the order added.
    std::vector<BatchFile> PlannedFiles() const;
    size_t PlannedCount() const;

    void SetSkipRefused(bool skip) { skipRefused_ = skip; }

    // Moves the planned files in one transaction and writes a history row
    // for each. E_OXN_NOT_INITIALIZED before SetTransition succeeded;
    // E_OXN_STATE_NOT_FOUND when a file is refused and refused files are not
    // skipped (nothing changes then).
    HRESULT Run();

    const std::vector<BatchFile>& Changed() const { return changed_; }
    const std::vector<RefusedFile>& Refused() const { return refused_; }

private:
    struct Step {
        BatchFile file;
        LONG fromState = 0;
        LONG toState = 0;
        bool incrementsRevision = false;
        HRESULT refusal = S_OK;  // a failure: the file is not moved
    };

    HRESULT CheckLock(LONG fileId, HRESULT& refusal);
    HRESULT Apply(const Step& step);

    vaultdb::Database& database_;  // Not owned.
    const LONG userId_;
    std::vector<BatchFile> files_;
    std::vector<Step> steps_;
    std::u16string transitionName_;
    bool revoke_ = false;
    bool planned_ = false;
    bool skipRefused_ = false;
    std::vector<BatchFile> changed_;
    std::vector<RefusedFile> refused_;
};

}  // namespace oxnvault
