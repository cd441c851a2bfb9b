// The batch get utility (IOxnBatchGet): files are added, the tree built by
// the tree flags, the vault's dialog asks the user, and the run copies each
// file's version from the archive into the view folder - a check-out also
// locks the files it names for this user, view and computer - telling the
// caller's callback as it goes. The results come back as two lists: done
// (kListDone) and problems (kListProblems).
//
// A file the run copies is replaced whole (written beside, renamed over) and
// carries its version's stored time as its last-write time, so the local
// version rule finds the version it holds. A cancelled run stops between
// files: every file is either got (and locked) or untouched.
//
// A file checked out in this view whose local copy exists is not replaced
// (the copy holds the user's work): it is listed as done and, with a
// message, as a problem. A file locked by another user, or by this user in
// another view, is not checked out and is listed as a problem.
#pragma once

#include "get_tree.h"
#include "utilities.h"

#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "winapi/save_file.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

class COxnBatchGet
    : public CComObjectRootEx<CComSingleThreadModel>,
      public IDispatchImpl<OxnVaultLib::IOxnBatchGet, &OxnVaultLib::IOxnBatchGet::kIid, &OxnVaultLib::LIBID_OxnVaultLib,
                           OxnVaultLib::kLibraryMajorVersion, OxnVaultLib::kLibraryMinorVersion>,
      public ISupportErrorInfoImpl<&OxnVaultLib::IOxnBatchGet::kIid> {
public:
    BEGIN_COM_MAP(COxnBatchGet)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnBatchGet)
    COM_INTERFACE_ENTRY(IDispatch)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    void SetSession(std::shared_ptr<oxnvault::VaultSession> session) { session_ = std::move(session); }

    // Files are added before the tree is built (E_UNEXPECTED after).
    // E_POINTER for a null array; E_INVALIDARG for an array that is not one
    // of OxnSelection records.
    HRESULT STDMETHODCALLTYPE AddSelection(OxnVaultLib::IOxnVault11* vault, SAFEARRAY* selection) override;
    // E_INVALIDARG for file id 0 or a version that is no number above 0.
    HRESULT STDMETHODCALLTYPE AddFileVersion(OxnVaultLib::IOxnVault11* vault, LONG fileId, LONG folderId,
                                             VARIANT version) override;
    // kTreeGetLatest, kTreeCheckOut or kTreeRefreshLocal (which reads no
    // added files); E_INVALIDARG for other flags. Building again rebuilds.
    HRESULT STDMETHODCALLTYPE BuildTree(LONG hWnd, LONG treeFlags) override;
    // An OK/Cancel question through the prompter naming the files.
    // E_UNEXPECTED before the tree.
    HRESULT STDMETHODCALLTYPE ShowDialog(LONG hWnd, VARIANT_BOOL* ok) override;
    // Runs once (E_UNEXPECTED before the tree or after a run).
    // E_OXN_CANCELLED_BY_USER when the callback answered "stop"; the files
    // up to then are got and listed.
    HRESULT STDMETHODCALLTYPE Run(LONG hWnd, OxnVaultLib::IOxnGetOpCallback* callback) override;
    // E_UNEXPECTED before the tree.
    HRESULT STDMETHODCALLTYPE GetFileCount(LONG* count) override;
    // Empty lists before the run. E_INVALIDARG for another kind.
    HRESULT STDMETHODCALLTYPE GetResultList(LONG listKind, OxnVaultLib::IOxnResultList** list) override;

protected:
    COxnBatchGet() = default;
    ~COxnBatchGet() = default;

private:
    // A plain get's copy, written beside its target and placed with the
    // next batch (PlacePending).
    struct PendingCopy {
        std::unique_ptr<winapi::SaveFile> save;
        oxnvault::ResultEntry entry;
        std::string folder;
    };
    // What GetOne answers for a copy left to PlacePending, which lists it.
    static constexpr HRESULT kPlacedWithBatch = 2;

    // Gets one file; S_OK, S_FALSE (done, with a notice in `message`),
    // kPlacedWithBatch, or the problem's code with `message`. Database
    // failures raise.
    HRESULT GetOne(const oxnvault::TreeFile& file, const oxnvault::ResultEntry& entry, std::u16string& message);
    // Writes the version's contents to the entry's path with its stored
    // time: placed and flushed at once (a check-out, whose lock commits
    // after it), or else left in pending_ (kPlacedWithBatch).
    HRESULT WriteLocalCopy(const oxnvault::TreeFile& file, const oxnvault::ResultEntry& entry, bool placeNow,
                           std::u16string& message);
    // Flushes the pending copies' contents with one flush of the file system,
    // then places them and lists each as done or as a problem. False when
    // the callback asked to stop.
    bool PlacePending(OxnVaultLib::IOxnGetOpCallback* told);
    // Lists a problem and tells the callback; false when it asked to stop.
    bool ReportProblem(OxnVaultLib::IOxnGetOpCallback* told, const oxnvault::ResultEntry& entry, HRESULT hr,
                       const std::u16string& message);

    std::shared_ptr<oxnvault::VaultSession> session_;
    std::vector<oxnvault::GetRequest> requests_;
    std::vector<oxnvault::TreeFile> tree_;
    bool built_ = false;
    bool checkOut_ = false;
    bool ran_ = false;
    std::vector<oxnvault::ResultEntry> done_;
    std::vector<oxnvault::ResultEntry> problems_;
    std::set<std::string> foldersToFlush_;
    std::vector<PendingCopy> pending_;
};
