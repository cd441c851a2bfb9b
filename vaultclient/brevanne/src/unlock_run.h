// The run of an unlock command: the check-in, or the undo of the check-out,
// of the documents of a plan (unlock_plan.h), told to the caller's callback.
//
// Check-in: a file checked out here gets a new version from its local copy
// in the view folder when the copy differs from the latest version (with
// the comment, the document's state, the latest version's revision and card
// values carried on, and the item links that follow the file moved to it);
// its check-out ends and the history records it. A file whose copy is
// missing or the same only has its check-out ended. An item has no file of
// its own: its check-out covers the files it links to that nobody checked
// out, which are checked in with it, and it ends after them - unless one of
// them stays behind, when the item stays checked out too.
//
// Undo check-out: the local copy of each such file is restored from the
// latest version (as a get writes it), the check-out ends and the history
// records it.
//
// Questions (IUnlockOpCallback::Question): a document checked out
// elsewhere - by another user (check-in, kind 8) or on another computer or
// view (undo, kind 5) - is worked on only when the answer is to go on; a
// local copy that is empty or cannot be read (kind 3) is unlocked without a
// new version when the answer is to go on; the card values of a new version
// (kinds 1 and 2, card_values.h) may be cleared or kept. An answer to skip
// leaves that document as it is; any other answer stops the run.
//
// Each document changes in its own transaction, inside which its lock is
// read again: a document whose check-out changed since the plan was read is
// left as it is, and so is one whose new version or local copy cannot be
// written. A stop leaves every document done or untouched.
#pragma once

#include "unlock_plan.h"

#include "winapi/types.h"

#include <string>
#include <vector>

namespace BrevanneLib {
struct IUnlockOpCallback;
struct UnlockQuestionDetail;
}  // namespace BrevanneLib

namespace vaultdb {
class Database;
}

namespace brevanne {

class UnlockRun {
public:
    // `callback` may be null: a silent run (brevanne/interfaces.h,
    // IUnlockCommand::Run). Every argument must outlive the run.
    UnlockRun(vaultdb::Database& database, const UnlockWorker& worker, bool undo, const std::u16string& comment,
              BrevanneLib::IUnlockOpCallback* callback);

    // Goes over `groups`: S_OK when every document was gone over,
    // E_OXN_CANCELLED_BY_USER when the callback stopped the run. Raises the
    // failures of the database and of the callback, and E_OXN_LOCK_ERRORS
    // (with the files and their reasons) when documents could not be done.
    HRESULT Run(const std::vector<PlannedGroup>& groups);

    LONG Changed() const { return changed_; }

private:
    // How a document went.
    enum class Outcome {
        kChanged,    // checked in, or its check-out undone
        kUnchanged,  // nothing to do: not checked out of its own, its copy the same
        kSkipped,    // left as it is by an answer
        kProblem,    // left as it is: it could not be done (problems_ says why)
        kStop,       // the run stops
    };

    // False when the run is to stop.
    bool RunGroup(const PlannedGroup& group);
    // A file: passed over when neither checked out nor `covered` by its
    // item's check-out; else announced, asked about when checked out
    // elsewhere, and checked in or restored.
    Outcome WorkOn(const PlannedDocument& document, bool covered);
    Outcome CheckIn(const PlannedDocument& document);
    Outcome UndoCheckOut(const PlannedDocument& document);
    // Ends an item's check-out after its files.
    void EndItemCheckOut(const PlannedDocument& item);

    // The callback's progress: false when the run is to stop.
    bool Announce(const PlannedDocument& document);
    bool PassOver();
    // The run stops: what was done stays.
    bool Stop();
    Outcome Stopped();
    // Asks; the silent answer without a callback.
    LONG Ask(LONG kind, const PlannedDocument& document, const BrevanneLib::UnlockQuestionDetail* detail);
    // Asks whether to go on with a document checked out elsewhere.
    LONG AskLockedElsewhere(const PlannedDocument& document);
    // Whether `document` is checked out now as the plan found it (inside the
    // document's transaction).
    bool LockUnchanged(const PlannedDocument& document);
    // Ends the check-out of `document` (if it has one) and writes the
    // history entry, in the open transaction.
    void EndLockAndRecord(const PlannedDocument& document, LONG version);
    // Notes why `document` stays as it is.
    Outcome Problem(const PlannedDocument& document, const std::u16string& reason);

    std::u16string PathOf(const PlannedDocument& document) const;

    vaultdb::Database& database_;  // Not owned.
    const UnlockWorker& worker_;
    const bool undo_;
    const std::u16string& comment_;
    BrevanneLib::IUnlockOpCallback* const callback_;  // Not owned; may be null.
    LONG changed_ = 0;
    bool cancelled_ = false;
    std::vector<std::u16string> problems_;
};

}  // namespace brevanne
