#include "unlock_run.h"

#include "card_values.h"

#include "brevanne/ids.h"
#include "brevanne/interfaces.h"
#include "com/ccom_bstr.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "oxnvault/vault_time.h"
#include "oxnvault/view_copy.h"
#include "vaultdb/archive.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "vennacle/sp_query.h"
#include "winapi/path_mapping.h"
#include "winapi/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace brevanne {

using namespace BrevanneLib;
using vennacle::SpQuery;

namespace {

// The local copy of a file as a check-in finds it.
struct LocalCopy {
    enum class State { kMissing, kUnreadable, kEmpty, kSame, kChanged };
    State state = State::kMissing;
    winapi::UniqueFd fd;     // open while it is to be stored
    double modifiedUtc = 0;  // its last-write time, the new version's stored time
};

bool ReadAll(int fd, std::vector<uint8_t>& data, size_t size) {
    data.resize(size);
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, data.data() + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

LocalCopy ExamineLocalCopy(vaultdb::Database& database, const PlannedDocument& document, const std::u16string& path) {
    LocalCopy copy;
    const std::string posixPath = winapi::ToPosixPath(path);
    struct stat status {};
    if (::stat(posixPath.c_str(), &status) != 0) {
        copy.state = errno == ENOENT || errno == ENOTDIR ? LocalCopy::State::kMissing : LocalCopy::State::kUnreadable;
        return copy;
    }
    copy.state = LocalCopy::State::kUnreadable;
    if (!S_ISREG(status.st_mode)) return copy;
    copy.fd.Reset(::open(posixPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!copy.fd || ::fstat(copy.fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return copy;
    copy.modifiedUtc = oxnvault::UnixSecondsUtcDate(status.st_mtim.tv_sec);
    const auto size = static_cast<int64_t>(status.st_size);
    if (size == 0) {
        copy.state = document.hasContents && document.size == 0 ? LocalCopy::State::kSame : LocalCopy::State::kEmpty;
        return copy;
    }
    copy.state = LocalCopy::State::kChanged;
    if (!document.hasContents || size != document.size) return copy;
    std::vector<uint8_t> local;
    if (!ReadAll(copy.fd.Get(), local, static_cast<size_t>(size))) {
        copy.state = LocalCopy::State::kUnreadable;
        return copy;
    }
    std::vector<uint8_t> stored;
    // Contents the archive lost are replaced by the new version.
    if (SUCCEEDED(vaultdb::ReadDocumentVersion(database, document.id, document.latestVersion, stored)) &&
        stored == local)
        copy.state = LocalCopy::State::kSame;
    return copy;
}

void CheckStep(HRESULT hr, const char16_t* what) {
    if (FAILED(hr)) gvRaiseComError(hr, what);
}

}  // namespace

UnlockRun::UnlockRun(vaultdb::Database& database, const UnlockWorker& worker, bool undo, const std::u16string& comment,
                     IUnlockOpCallback* callback)
    : database_(database), worker_(worker), undo_(undo), comment_(comment), callback_(callback) {}

HRESULT UnlockRun::Run(const std::vector<PlannedGroup>& groups) {
    const LONG total = CountDocuments(groups);
    if (callback_) {
        const HRESULT hr = callback_->Start(0, total);
        if (hr == E_OXN_CANCELLED_BY_USER) return hr;
        if (FAILED(hr)) gvRaiseFailedCall(hr, u"The progress of the run could not be shown.");
    }
    for (const PlannedGroup& group : groups)
        if (!RunGroup(group)) break;
    if (cancelled_) return E_OXN_CANCELLED_BY_USER;
    if (callback_) callback_->Reset(changed_, total - changed_, total);
    if (!problems_.empty()) {
        std::u16string text = undo_ ? u"Some check-outs could not be undone; those files stay checked out:"
                                    : u"Some files could not be checked in; they stay checked out:";
        for (const std::u16string& problem : problems_) text += u"\n" + problem;
        gvRaiseComError(E_OXN_LOCK_ERRORS, text.c_str());
    }
    return S_OK;
}

bool UnlockRun::RunGroup(const PlannedGroup& group) {
    const PlannedDocument& head = group.head;
    if (head.docType != vaultdb::kObjectItem) return WorkOn(head, false) != Outcome::kStop;

    // An item has no file of its own: its check-out decides which of its
    // files come along, and ends after them.
    bool covers = false;
    if (head.lock == LockPlace::kNone) {
        if (!PassOver()) return false;
    } else {
        if (!Announce(head)) return false;
        covers = true;
        if (head.lock == LockPlace::kElsewhere) {
            const LONG reply = AskLockedElsewhere(head);
            if (reply == kReplySkipFile)
                covers = false;
            else if (reply != kReplyGoOn)
                return Stop();
        }
    }
    bool behind = false;
    for (const PlannedDocument& file : group.files) {
        const Outcome outcome = WorkOn(file, covers);
        if (outcome == Outcome::kStop) return false;
        // A file that only the item's check-out covered and that stays as it
        // was keeps the item checked out.
        if (file.lock == LockPlace::kNone && (outcome == Outcome::kSkipped || outcome == Outcome::kProblem))
            behind = true;
    }
    if (covers && !behind) EndItemCheckOut(head);
    return true;
}

UnlockRun::Outcome UnlockRun::WorkOn(const PlannedDocument& document, bool covered) {
    if (document.lock == LockPlace::kNone && !covered) return PassOver() ? Outcome::kUnchanged : Outcome::kStop;
    if (!Announce(document)) return Outcome::kStop;
    if (document.lock == LockPlace::kElsewhere) {
        const LONG reply = AskLockedElsewhere(document);
        if (reply == kReplySkipFile) return Outcome::kSkipped;
        if (reply != kReplyGoOn) return Stopped();
    }
    const Outcome outcome = undo_ ? UndoCheckOut(document) : CheckIn(document);
    if (outcome == Outcome::kChanged) ++changed_;
    return outcome;
}

UnlockRun::Outcome UnlockRun::CheckIn(const PlannedDocument& document) {
    const bool ownLock = document.lock != LockPlace::kNone;
    LocalCopy local = ExamineLocalCopy(database_, document, PathOf(document));
    bool newVersion = false;
    std::vector<ClearedValue> cleared;
    switch (local.state) {
    case LocalCopy::State::kMissing:
    case LocalCopy::State::kSame:
        break;
    case LocalCopy::State::kUnreadable:
    case LocalCopy::State::kEmpty: {
        // Unlocked as it is in the vault, or left checked out.
        const LONG reply = Ask(kQuestionUnknownFormat, document, nullptr);
        if (reply == kReplySkipFile) return Outcome::kSkipped;
        if (reply != kReplyGoOn) return Stopped();
        break;
    }
    case LocalCopy::State::kChanged:
        newVersion = true;
        for (const CardQuestion& question : ReadCardQuestions(database_, document.id, document.latestVersion)) {
            UnlockQuestionDetail detail{question.kind, 0, question.configuration.c_str(), question.variable.c_str()};
            const LONG reply = Ask(question.kind, document, &detail);
            if (question.kind == kQuestionDuplicatedUnique && reply == kReplyClearValue)
                cleared.push_back({question.configurationId, question.variableId});
            else if (reply != kReplyGoOn)
                return Stopped();
        }
        break;
    }
    if (!newVersion && !ownLock) return Outcome::kUnchanged;

    vaultdb::Transaction transaction(database_);
    CheckStep(transaction.Begin(), u"The vault database could not be written.");
    if (!LockUnchanged(document)) return Problem(document, u"its check-out changed meanwhile");
    SpQuery latest(database_, "SELECT latest_version FROM documents WHERE id = ?");
    latest.Bind(int32_t{document.id});
    LONG version = latest.Next() ? latest.Int(0) : 0;
    latest.Reset();
    if (newVersion) {
        const LONG previous = version;
        version = previous + 1;
        if (::lseek(local.fd.Get(), 0, SEEK_SET) != 0) return Problem(document, u"its local copy could not be read");
        const vaultdb::NewDocumentVersion stored{document.id, version, local.modifiedUtc, comment_, worker_.userId};
        if (FAILED(vaultdb::StoreDocumentVersionFrom(database_, stored, local.fd.Get())))
            return Problem(document, u"its new version could not be stored in the archive");
        // The new version carries on the document's state, the revision and
        // the card values of the one before.
        SpQuery carry(database_,
                      "UPDATE document_versions SET state_id = (SELECT state_id FROM documents WHERE id = ?1), "
                      "revision = COALESCE((SELECT revision FROM document_versions WHERE document_id = ?1 AND "
                      "version = ?2), '') WHERE document_id = ?1 AND version = ?3");
        carry.Bind(int32_t{document.id}).Bind(int32_t{previous}).Bind(int32_t{version});
        carry.Run();
        if (previous > 0) CarryCardValues(database_, document.id, previous, version, cleared);
        SpQuery update(database_, "UPDATE documents SET latest_version = ? WHERE id = ?");
        update.Bind(int32_t{version}).Bind(int32_t{document.id});
        update.Run();
        // A dynamic link follows its file.
        SpQuery links(database_,
                      "UPDATE links SET attached_version = ? WHERE child_type = 6 AND child_id = ? AND link_type = 1");
        links.Bind(int32_t{version}).Bind(int32_t{document.id});
        links.Run();
    }
    EndLockAndRecord(document, version);
    CheckStep(transaction.Commit(), u"The check-in could not be written to the vault database.");
    return Outcome::kChanged;
}

UnlockRun::Outcome UnlockRun::UndoCheckOut(const PlannedDocument& document) {
    vaultdb::Transaction transaction(database_);
    CheckStep(transaction.Begin(), u"The vault database could not be written.");
    if (!LockUnchanged(document)) return Problem(document, u"its check-out changed meanwhile");
    const std::u16string path = PathOf(document);
    bool restored = false;
    if (document.latestVersion > 0 && document.hasContents) {
        // Placed before the check-out ends: a failed copy leaves it checked out.
        std::u16string message;
        const oxnvault::StoredVersion version{document.id, document.docType, document.latestVersion,
                                              document.modifiedUtc, true};
        if (FAILED(oxnvault::CopyVersionToView(database_, version, path, message))) return Problem(document, message);
        restored = true;
    } else {
        struct stat status {};
        if (::stat(winapi::ToPosixPath(path).c_str(), &status) == 0)
            return Problem(document, u"the vault holds no contents to restore its local copy from");
    }
    if (document.lock == LockPlace::kNone) return restored ? Outcome::kChanged : Outcome::kUnchanged;
    EndLockAndRecord(document, document.latestVersion);
    CheckStep(transaction.Commit(), u"The undo of the check-out could not be written to the vault database.");
    return Outcome::kChanged;
}

void UnlockRun::EndItemCheckOut(const PlannedDocument& item) {
    vaultdb::Transaction transaction(database_);
    CheckStep(transaction.Begin(), u"The vault database could not be written.");
    if (!LockUnchanged(item)) {
        Problem(item, u"its check-out changed meanwhile");
        return;
    }
    EndLockAndRecord(item, item.latestVersion);
    CheckStep(transaction.Commit(), u"The check-in could not be written to the vault database.");
    ++changed_;
}

bool UnlockRun::Announce(const PlannedDocument& document) {
    if (!callback_) return true;
    CComBSTR path(PathOf(document).c_str());
    const HRESULT hr = callback_->NextFile(path);
    if (hr == E_OXN_CANCELLED_BY_USER) return Stop();
    if (FAILED(hr)) gvRaiseFailedCall(hr, u"The progress of the run failed.");
    return true;
}

bool UnlockRun::PassOver() {
    if (!callback_) return true;
    const HRESULT hr = callback_->Step();
    if (hr == E_OXN_CANCELLED_BY_USER) return Stop();
    if (FAILED(hr)) gvRaiseFailedCall(hr, u"The progress of the run failed.");
    return true;
}

bool UnlockRun::Stop() {
    cancelled_ = true;
    return false;
}

UnlockRun::Outcome UnlockRun::Stopped() {
    cancelled_ = true;
    return Outcome::kStop;
}

LONG UnlockRun::Ask(LONG kind, const PlannedDocument& document, const UnlockQuestionDetail* detail) {
    if (!callback_) {
        // Silent: nothing is taken over from elsewhere, nothing unreadable
        // unlocked; card values stay as they are.
        return kind == kQuestionDuplicatedUnique || kind == kQuestionMandatoryMissing ? kReplyGoOn : kReplySkipFile;
    }
    CComBSTR path(PathOf(document).c_str());
    UnlockQuestionDetail asked{};
    if (detail) asked = *detail;
    LONG reply = kReplyCancel;
    const HRESULT hr =
        callback_->Question(kind, document.id, document.latestVersion, path, detail ? &asked : nullptr, &reply);
    if (FAILED(hr)) gvRaiseFailedCall(hr, u"The question of the run could not be asked.");
    return reply;
}

LONG UnlockRun::AskLockedElsewhere(const PlannedDocument& document) {
    const LONG kind = undo_ ? kQuestionElsewhereUndo : kQuestionOtherUserCheckIn;
    UnlockQuestionDetail detail{kind, 0, document.lockUserName.c_str(), document.lockComputer.c_str()};
    return Ask(kind, document, &detail);
}

bool UnlockRun::LockUnchanged(const PlannedDocument& document) {
    SpQuery lock(database_, "SELECT user_id, view_guid FROM locks WHERE document_id = ?");
    lock.Bind(int32_t{document.id});
    if (!lock.Next()) return document.lockUserId == 0;
    return lock.Int(0) == document.lockUserId &&
           vaultdb::FoldKey(lock.Text(1)) == vaultdb::FoldKey(document.lockViewGuid);
}

void UnlockRun::EndLockAndRecord(const PlannedDocument& document, LONG version) {
    if (document.lock != LockPlace::kNone) {
        SpQuery unlock(database_, "DELETE FROM locks WHERE document_id = ?");
        unlock.Bind(int32_t{document.id});
        unlock.Run();
    }
    SpQuery history(database_,
                    "INSERT INTO history (action, object_type, object_id, version, user_id, time_utc, comment) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?)");
    history.Bind(int32_t{undo_ ? vaultdb::kHistoryUndoCheckOut : vaultdb::kHistoryCheckIn});
    history.Bind(int32_t{document.docType}).Bind(int32_t{document.id}).Bind(int32_t{version});
    history.Bind(int32_t{worker_.userId}).Bind(oxnvault::NowUtcDate());
    history.Bind(undo_ ? std::u16string_view() : std::u16string_view(comment_));
    history.Run();
}

UnlockRun::Outcome UnlockRun::Problem(const PlannedDocument& document, const std::u16string& reason) {
    problems_.push_back(PathOf(document) + u": " + reason);
    return Outcome::kProblem;
}

std::u16string UnlockRun::PathOf(const PlannedDocument& document) const {
    return oxnvault::ViewFilePath(worker_.viewPath, document.folderPath, document.name);
}

}  // namespace brevanne
