#include "batch_get.h"

#include "batch_files.h"
#include "ui/window_value.h"

#include "com/ccom_bstr.h"
#include "com/ccom_ptr.h"
#include "com/method_boundary.h"
#include "com/safearray.h"
#include "com/server/com_object.h"
#include "com/variant.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "oxnvault/selection.h"
#include "oxnvault/view_copy.h"
#include "ui/message_box.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "vaultdb/transaction.h"
#include "vennacle/database_failure.h"
#include "winapi/path_mapping.h"
#include "winapi/save_file.h"
#include "winapi/text.h"

#include <sys/stat.h>

#include <filesystem>

using namespace OxnVaultLib;
using oxnvault::ResultEntry;
using oxnvault::TreeFile;
using vennacle::CheckDatabase;

namespace {

// Plain copies are placed in batches of this many: one flush of the file
// system for the batch instead of one per file, and few open files.
constexpr size_t kPlacementBatch = 64;

bool SameGuidText(std::u16string_view a, std::u16string_view b) { return vaultdb::FoldKey(a) == vaultdb::FoldKey(b); }

}  // namespace

HRESULT COxnBatchGet::AddSelection(IOxnVault11* /*vault*/, SAFEARRAY* selection) {
    if (!selection) return E_POINTER;
    if (built_) return E_UNEXPECTED;
    VARTYPE type = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(selection, &type)) || type != VT_RECORD ||
        SafeArrayGetElemsize(selection) != sizeof(OxnSelection) || SafeArrayGetDim(selection) != 1)
        return E_INVALIDARG;
    return com::Boundary([&] {
        LONG lower = 0;
        LONG upper = -1;
        if (FAILED(SafeArrayGetLBound(selection, 1, &lower)) || FAILED(SafeArrayGetUBound(selection, 1, &upper)))
            return E_INVALIDARG;
        OxnSelection* records = nullptr;
        const HRESULT hr = SafeArrayAccessData(selection, reinterpret_cast<void**>(&records));
        if (FAILED(hr)) return hr;
        std::vector<oxnvault::GetRequest> added;
        try {
            for (LONG i = 0; i <= upper - lower; ++i) added.push_back({records[i].fileId, records[i].folderId, 0});
        } catch (...) {
            SafeArrayUnaccessData(selection);
            throw;
        }
        SafeArrayUnaccessData(selection);
        requests_.insert(requests_.end(), added.begin(), added.end());
        return S_OK;
    });
}

HRESULT COxnBatchGet::AddFileVersion(IOxnVault11* /*vault*/, LONG fileId, LONG folderId, VARIANT version) {
    if (built_) return E_UNEXPECTED;
    VARIANT number;
    VariantInit(&number);
    if (fileId == 0 || FAILED(VariantChangeType(&number, &version, 0, VT_I4)) || number.lVal <= 0) return E_INVALIDARG;
    return com::Boundary([&] {
        requests_.push_back({fileId, folderId, number.lVal});
        return S_OK;
    });
}

HRESULT COxnBatchGet::BuildTree(LONG /*hWnd*/, LONG treeFlags) {
    if (treeFlags != kTreeGetLatest && treeFlags != kTreeCheckOut && treeFlags != kTreeRefreshLocal)
        return E_INVALIDARG;
    if (ran_) return E_UNEXPECTED;
    return com::Boundary([&] {
        tree_ = oxnvault::BuildGetTree(*session_, requests_, treeFlags == kTreeRefreshLocal);
        checkOut_ = treeFlags == kTreeCheckOut;
        built_ = true;
        return S_OK;
    });
}

HRESULT COxnBatchGet::ShowDialog(LONG hWnd, VARIANT_BOOL* ok) {
    if (!ok) return E_POINTER;
    *ok = VARIANT_FALSE;
    if (!built_) return E_UNEXPECTED;
    return com::Boundary([&] {
        constexpr size_t kNamesShown = 10;
        std::u16string text = checkOut_ ? u"Check out " : u"Get ";
        text += winapi::ToUtf16(std::to_string(tree_.size()));
        text += tree_.size() == 1 ? u" file into " : u" files into ";
        text += session_->viewPath + u"?\n";
        for (size_t i = 0; i < tree_.size() && i < kNamesShown; ++i)
            text += u"\n" + tree_[i].folderVaultPath + tree_[i].name;
        if (tree_.size() > kNamesShown)
            text += u"\n... and " + winapi::ToUtf16(std::to_string(tree_.size() - kNamesShown)) + u" more";
        const int answer = MessageBoxW(ui::WindowFromValue(hWnd), text.c_str(), checkOut_ ? u"Check Out" : u"Get",
                                       MB_OKCANCEL | MB_ICONQUESTION);
        *ok = answer == IDOK ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT COxnBatchGet::GetFileCount(LONG* count) {
    if (!count) return E_POINTER;
    *count = 0;
    if (!built_) return E_UNEXPECTED;
    *count = static_cast<LONG>(tree_.size());
    return S_OK;
}

HRESULT COxnBatchGet::GetResultList(LONG listKind, IOxnResultList** list) {
    if (!list) return E_POINTER;
    *list = nullptr;
    if (listKind != kListDone && listKind != kListProblems) return E_INVALIDARG;
    return com::Boundary([&] { return oxnvault::CreateResultList(listKind == kListDone ? done_ : problems_, list); });
}

HRESULT COxnBatchGet::Run(LONG /*hWnd*/, IOxnGetOpCallback* callback) {
    if (!built_ || ran_) return E_UNEXPECTED;
    ran_ = true;
    return com::Boundary([&] {
        CComPtr<IOxnGetOpCallback> told(callback);
        const LONG total = static_cast<LONG>(tree_.size());
        bool cancelled = false;
        if (told) told->BeginPhase(kPhaseFiles, total);
        for (LONG i = 0; i < total && !cancelled; ++i) {
            const TreeFile& file = tree_[i];
            const ResultEntry entry{session_->ViewFilePath(file.folderVaultPath, file.name), file.fileId,
                                    file.folderId};
            VARIANT_BOOL goOn = VARIANT_TRUE;
            if (told) {
                CComBSTR text(entry.path.c_str());
                told->Step(kPhaseFiles, text, i, &goOn);
                if (goOn == VARIANT_FALSE) {
                    cancelled = true;
                    break;
                }
            }
            std::u16string message;
            const HRESULT hr = GetOne(file, entry, message);
            if (hr == kPlacedWithBatch) {
                if (pending_.size() >= kPlacementBatch && !PlacePending(told)) cancelled = true;
                continue;
            }
            if (SUCCEEDED(hr)) done_.push_back(entry);
            if (hr != S_OK && !ReportProblem(told, entry, SUCCEEDED(hr) ? E_OXN_FILE_IS_LOCKED : hr, message))
                cancelled = true;
        }
        // What was written is placed, also after a cancel: every copy is
        // whole or absent.
        if (!PlacePending(told)) cancelled = true;
        // The plain gets left their folders' flushes to the end: one per folder.
        for (const std::string& folder : foldersToFlush_) winapi::FlushFolder(folder);
        foldersToFlush_.clear();
        if (told) {
            told->EndPhase(kPhaseFiles);
            if (CComQIPtr<IOxnGetOpCallback3> totals(told.GetInterfacePtr()); totals)
                totals->SetTotals(static_cast<LONG>(done_.size()), static_cast<LONG>(problems_.size()), total);
        }
        if (cancelled) gvRaiseComError(E_OXN_CANCELLED_BY_USER, u"The get was cancelled.");
        return S_OK;
    });
}

bool COxnBatchGet::ReportProblem(IOxnGetOpCallback* told, const ResultEntry& entry, HRESULT hr,
                                 const std::u16string& message) {
    problems_.push_back(entry);
    if (!told) return true;
    CComBSTR bsPath(entry.path.c_str());
    CComBSTR bsText(message.c_str());
    VARIANT_BOOL goOn = VARIANT_TRUE;
    told->FileMessage(entry.fileId, bsPath, hr, bsText, &goOn);
    return goOn != VARIANT_FALSE;
}

bool COxnBatchGet::PlacePending(IOxnGetOpCallback* told) {
    std::vector<PendingCopy> pending = std::move(pending_);
    pending_.clear();
    if (pending.empty()) return true;
    const int flushed = winapi::FlushFileSystem(pending.front().save->fd());
    bool goOn = true;
    for (PendingCopy& copy : pending) {
        // Unflushed contents are never placed: their saves are abandoned.
        const int result = flushed != 0 ? flushed : copy.save->Commit();
        if (result == 0) {
            done_.push_back(copy.entry);
            foldersToFlush_.insert(copy.folder);
        } else if (!ReportProblem(told, copy.entry, oxnvault::HresultOfFileError(result),
                                  u"The file could not be written into the view folder.")) {
            goOn = false;
        }
    }
    return goOn;
}

HRESULT COxnBatchGet::GetOne(const TreeFile& file, const ResultEntry& entry, std::u16string& message) {
    const std::u16string& path = entry.path;
    if (!file.versionFound) {
        message = u"The vault has no such version of the file.";
        return E_OXN_FILE_NOT_FOUND;
    }
    const oxnvault::VaultSession& session = *session_;
    const bool lockIt = checkOut_ && file.selected;
    const bool lockedHere = file.lockUserId == session.userId && SameGuidText(file.lockViewGuid, session.viewGuidText);
    if (lockIt && file.lockUserId != 0 && !lockedHere) {
        message = file.lockUserId == session.userId ? u"The file is checked out by you in another view."
                                                    : u"The file is checked out by another user.";
        return file.lockUserId == session.userId ? E_OXN_LOCKED_IN_OTHER_FOLDER : E_OXN_LOCKED_BY_ANOTHER_USER;
    }
    struct stat status {};
    const std::string posixPath = winapi::ToPosixPath(path);
    if (lockedHere && ::stat(posixPath.c_str(), &status) == 0) {
        if (lockIt) return S_OK;  // checked out here already, its copy kept
        message = u"The file is checked out in this view; its local copy is kept.";
        return S_FALSE;
    }
    if (!lockIt) return WriteLocalCopy(file, entry, false, message);

    vaultdb::Database& database = *session.database;
    vaultdb::Transaction transaction(database);
    CheckDatabase(database, transaction.Begin());
    // The lock as it is now, under the write lock: another client may have
    // taken it since the tree was built.
    std::unique_ptr<vaultdb::Statement> lock;
    CheckDatabase(database, database.Prepare("SELECT user_id, view_guid FROM locks WHERE document_id = ?", lock));
    lock->BindInt32(1, file.fileId);
    HRESULT hr = lock->Step();
    CheckDatabase(database, hr);
    const bool locked = hr == S_OK;
    if (locked &&
        (lock->ColumnInt32(0) != session.userId || !SameGuidText(lock->ColumnText(1), session.viewGuidText))) {
        message = u"The file is checked out by another user.";
        return lock->ColumnInt32(0) == session.userId ? E_OXN_LOCKED_IN_OTHER_FOLDER : E_OXN_LOCKED_BY_ANOTHER_USER;
    }
    lock.reset();
    const double now = oxnvault::NowUtcDate();
    if (!locked) {
        std::unique_ptr<vaultdb::Statement> insert;
        CheckDatabase(database, database.Prepare("INSERT INTO locks (document_id, user_id, view_guid, computer, "
                                                 "locked_path, locked_utc) VALUES (?, ?, ?, ?, ?, ?)",
                                                 insert));
        insert->BindInt32(1, file.fileId);
        insert->BindInt32(2, session.userId);
        insert->BindText(3, session.viewGuidText);
        insert->BindText(4, session.computer);
        insert->BindText(5, path);
        insert->BindDouble(6, now);
        CheckDatabase(database, insert->Execute());
        std::unique_ptr<vaultdb::Statement> history;
        CheckDatabase(database, database.Prepare("INSERT INTO history (action, object_type, object_id, version, "
                                                 "user_id, time_utc) VALUES (?, ?, ?, ?, ?, ?)",
                                                 history));
        history->BindInt32(1, vaultdb::kHistoryCheckOut);
        history->BindInt32(2, file.docType);
        history->BindInt32(3, file.fileId);
        history->BindInt32(4, file.version);
        history->BindInt32(5, session.userId);
        history->BindDouble(6, now);
        CheckDatabase(database, history->Execute());
    }
    // The copy is placed (and its folder flushed) before the lock commits; a
    // failed copy takes no lock.
    hr = WriteLocalCopy(file, entry, true, message);
    if (FAILED(hr)) return hr;
    CheckDatabase(database, transaction.Commit());
    return S_OK;
}

HRESULT COxnBatchGet::WriteLocalCopy(const TreeFile& file, const ResultEntry& entry, bool placeNow,
                                     std::u16string& message) {
    const oxnvault::StoredVersion version{file.fileId, file.docType, file.version, file.modifiedUtc, file.hasContents};
    vaultdb::Database& database = *session_->database;
    if (placeNow) {
        const HRESULT hr = oxnvault::CopyVersionToView(database, version, entry.path, message);
        return hr == S_FALSE ? S_OK : hr;  // an item's version has no file: nothing to copy
    }
    std::unique_ptr<winapi::SaveFile> save;
    const HRESULT hr = oxnvault::WriteVersionBeside(database, version, entry.path, false, save, message);
    if (hr != S_OK) return hr == S_FALSE ? S_OK : hr;
    const std::filesystem::path target(winapi::ToPosixPath(entry.path));
    pending_.push_back({std::move(save), entry, target.parent_path().string()});
    return kPlacedWithBatch;
}

namespace oxnvault {

HRESULT CreateBatchGet(const std::shared_ptr<VaultSession>& session, IDispatch** utility) {
    if (!utility) return E_POINTER;
    *utility = nullptr;
    CComObject<COxnBatchGet>* object = nullptr;
    const HRESULT hr = CComObject<COxnBatchGet>::CreateInstance(&object);
    if (FAILED(hr)) return hr;
    object->SetSession(session);
    object->AddRef();
    *utility = static_cast<IOxnBatchGet*>(object);
    return S_OK;
}

}  // namespace oxnvault
