#include "state_changes.h"

#include "common/error_codes.h"
#include "vaultdb/database.h"
#include "vennacle/revisions.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "vaultdb/transaction.h"

#include <memory>

namespace oxnvault {

namespace {

// Prepares `sql`, binds the integers in order and steps once: S_OK with a
// row, S_FALSE without one, or the failure.
HRESULT QueryRow(vaultdb::Database& database, const char* sql, std::initializer_list<LONG> values,
                 std::unique_ptr<vaultdb::Statement>& row) {
    HRESULT hr = database.Prepare(sql, row);
    if (FAILED(hr)) return hr;
    int index = 1;
    for (LONG value : values) row->BindInt32(index++, value);
    return row->Step();
}

}  // namespace

HRESULT StateChanges::Add(LONG fileId, LONG folderId) {
    HRESULT hr = AddBatchFiles(database_, fileId, folderId, files_);
    if (hr != E_OXN_FILE_NOT_FOUND || folderId == 0) return hr;
    std::unique_ptr<vaultdb::Statement> bom;
    const HRESULT found =
        QueryRow(database_, "SELECT 1 FROM boms WHERE id = ? AND folder_id = ?", {fileId, folderId}, bom);
    return FAILED(found) ? found : found == S_OK ? S_OK : hr;
}

bool StateChanges::SetTransition(std::u16string_view name, bool revoke, HRESULT& hr) {
    hr = S_OK;
    steps_.clear();
    planned_ = false;
    const std::u16string key = vaultdb::FoldKey(name);
    std::unique_ptr<vaultdb::Statement> state, transitions;
    if (FAILED(hr = database_.Prepare("SELECT state_id FROM documents WHERE id = ?", state))) return false;
    // Forward: the transition of that name leaving the state. Revoke: the
    // transitions of that name arriving in it, read back to where they came
    // from; more than one such way back is ambiguous and refused.
    hr = database_.Prepare(revoke ? "SELECT from_state_id, 0 FROM workflow_transitions WHERE to_state_id = ? AND "
                                    "name_key = ?"
                                  : "SELECT to_state_id, increments_revision FROM workflow_transitions WHERE "
                                    "from_state_id = ? AND name_key = ?",
                           transitions);
    if (FAILED(hr)) return false;

    std::vector<Step> steps;
    bool any = false;
    for (const BatchFile& file : files_) {
        Step step{file};
        state->Reset();
        state->BindInt32(1, file.id);
        if (FAILED(hr = state->Step())) return false;
        step.fromState = hr == S_OK ? state->ColumnInt32(0) : 0;
        transitions->Reset();
        transitions->BindInt32(1, step.fromState);
        transitions->BindText(2, key);
        int found = 0;
        while ((hr = transitions->Step()) == S_OK) {
            ++found;
            step.toState = transitions->ColumnInt32(0);
            step.incrementsRevision = transitions->ColumnInt32(1) != 0;
        }
        if (FAILED(hr)) return false;
        if (found == 1) {
            any = true;
            if (FAILED(hr = CheckLock(file.id, step.refusal))) return false;
        } else {
            step.refusal = E_OXN_STATE_NOT_FOUND;
        }
        steps.push_back(std::move(step));
    }
    hr = S_OK;
    if (!any) return false;
    steps_ = std::move(steps);
    transitionName_ = name;
    revoke_ = revoke;
    planned_ = true;
    return true;
}

std::vector<BatchFile> StateChanges::PlannedFiles() const {
    std::vector<BatchFile> files;
    for (const Step& step : steps_)
        if (step.refusal == S_OK) files.push_back(step.file);
    return files;
}

size_t StateChanges::PlannedCount() const {
    size_t count = 0;
    for (const Step& step : steps_) count += step.refusal == S_OK;
    return count;
}

HRESULT StateChanges::CheckLock(LONG fileId, HRESULT& refusal) {
    std::unique_ptr<vaultdb::Statement> lock;
    HRESULT hr = QueryRow(database_, "SELECT user_id FROM locks WHERE document_id = ?", {fileId}, lock);
    if (FAILED(hr)) return hr;
    refusal = hr == S_OK && lock->ColumnInt32(0) != userId_ ? E_OXN_LOCKED_BY_ANOTHER_USER : S_OK;
    return S_OK;
}

HRESULT StateChanges::Run() {
    if (!planned_) return E_OXN_NOT_INITIALIZED;
    changed_.clear();
    refused_.clear();
    vaultdb::Transaction transaction(database_);
    HRESULT hr = transaction.Begin();
    if (FAILED(hr)) return hr;
    std::vector<BatchFile> changed;
    std::vector<RefusedFile> refused;
    for (Step& step : steps_) {
        if (step.refusal == S_OK) {
            // Another user may have moved or checked out the file since the
            // plan was made: read both again under the write lock.
            std::unique_ptr<vaultdb::Statement> now;
            hr =
                QueryRow(database_, "SELECT state_id FROM documents WHERE id = ? AND deleted = 0", {step.file.id}, now);
            if (FAILED(hr)) return hr;
            if (hr != S_OK || now->ColumnInt32(0) != step.fromState)
                step.refusal = E_OXN_STATE_NOT_FOUND;
            else if (FAILED(hr = CheckLock(step.file.id, step.refusal)))
                return hr;
        }
        if (step.refusal != S_OK) {
            refused.push_back({step.file, step.refusal});
            continue;
        }
        if (FAILED(hr = Apply(step))) return hr;
        changed.push_back(step.file);
    }
    if (!refused.empty() && !skipRefused_) {
        refused_ = std::move(refused);
        return E_OXN_STATE_NOT_FOUND;  // the transaction rolls back as it ends
    }
    if (FAILED(hr = transaction.Commit())) return hr;
    changed_ = std::move(changed);
    refused_ = std::move(refused);
    // The files are in their new states now: a second run starts again from there.
    planned_ = false;
    return S_OK;
}

HRESULT StateChanges::Apply(const Step& step) {
    std::unique_ptr<vaultdb::Statement> latest;
    HRESULT hr = QueryRow(database_, "SELECT latest_version FROM documents WHERE id = ?", {step.file.id}, latest);
    if (FAILED(hr)) return hr;
    const LONG version = hr == S_OK ? latest->ColumnInt32(0) : 0;

    std::unique_ptr<vaultdb::Statement> update;
    if (FAILED(hr = database_.Prepare("UPDATE documents SET state_id = ? WHERE id = ?", update))) return hr;
    update->BindInt32(1, step.toState);
    update->BindInt32(2, step.file.id);
    if (FAILED(hr = update->Execute())) return hr;

    // The latest version carries the state (and a new revision when the
    // transition gives one), as the version list shows them.
    if (step.incrementsRevision) {
        std::unique_ptr<vaultdb::Statement> revision;
        hr = QueryRow(database_, "SELECT revision FROM document_versions WHERE document_id = ? AND version = ?",
                      {step.file.id, version}, revision);
        if (FAILED(hr)) return hr;
        const std::u16string next = vennacle::NextRevision(hr == S_OK ? revision->ColumnText(0) : std::u16string());
        revision.reset();
        if (FAILED(hr = database_.Prepare(
                       "UPDATE document_versions SET revision = ? WHERE document_id = ? AND version = ?", update)))
            return hr;
        update->BindText(1, next);
        update->BindInt32(2, step.file.id);
        update->BindInt32(3, version);
        if (FAILED(hr = update->Execute())) return hr;
        if (FAILED(hr = database_.Prepare("UPDATE items SET revision = ? WHERE document_id = ?", update))) return hr;
        update->BindText(1, next);
        update->BindInt32(2, step.file.id);
        if (FAILED(hr = update->Execute())) return hr;
    }
    if (FAILED(hr = database_.Prepare("UPDATE document_versions SET state_id = ? WHERE document_id = ? AND version = ?",
                                      update)))
        return hr;
    update->BindInt32(1, step.toState);
    update->BindInt32(2, step.file.id);
    update->BindInt32(3, version);
    if (FAILED(hr = update->Execute())) return hr;

    if (FAILED(hr = database_.Prepare("INSERT INTO history (action, object_type, object_id, version, user_id, "
                                      "time_utc, comment) VALUES (?, ?, ?, ?, ?, ?, ?)",
                                      update)))
        return hr;
    update->BindInt32(1, vaultdb::kHistoryChangeState);
    update->BindInt32(2, step.file.type);
    update->BindInt32(3, step.file.id);
    update->BindInt32(4, version);
    update->BindInt32(5, userId_);
    update->BindDouble(6, NowUtcDate());
    update->BindText(7, revoke_ ? u"Revoked: " + transitionName_ : transitionName_);
    return update->Execute();
}

}  // namespace oxnvault
