// The vault's public interface, as the item server calls it: by vtable slot,
// QueryInterface being slot 0, so the first own method of a dual interface
// is slot 7 and of an interface derived from IUnknown slot 3. The
// declaration order below is therefore the contract. Entries named
// "Reserved" keep the positions of methods no caller here uses; they answer
// E_UNEXPECTED here, once, and implementations leave them alone.
//
// Window handles are passed as 32-bit values (the platform's handles fit).
// Failures are HRESULTs with error info set (ISupportErrorInfo), codes from
// common/error_codes.def.
#pragma once

#include "com/bstr.h"
#include "com/dispatch.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

struct SAFEARRAY;

namespace OxnVaultLib {

struct IOxnResultList;
struct IOxnGetOpCallback;

// The vault object of a logged-in user: the factory of the batch utilities.
struct IOxnVault11 : IDispatch {
    COM_INTERFACE_ID("B5D65607-3FF0-40EB-8086-54A1C9E2F4AD");
    // Slots 7 to 33: the vault's other methods. Their positions are kept so
    // that CreateUtility sits at slot 34, where callers find it.
    virtual HRESULT STDMETHODCALLTYPE Reserved7() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved8() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved9() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved10() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved11() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved12() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved13() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved14() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved15() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved16() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved17() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved18() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved19() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved20() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved21() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved22() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved23() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved24() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved25() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved26() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved27() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved28() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved29() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved30() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved31() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved32() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved33() { return E_UNEXPECTED; }
    // Slot 34: a new utility of `kind` (kUtilityBatchGet, kUtilityBatchDelete,
    // kUtilityBatchChangeState, ids.h), working in this vault object's
    // session. E_INVALIDARG for another kind.
    virtual HRESULT STDMETHODCALLTYPE CreateUtility(LONG kind, IDispatch** utility) = 0;

protected:
    ~IOxnVault11() = default;
};

// The vault object as a program creates it (CLSID_OxnVault): opened on a
// registered vault by name, it then works as the user logged in to that vault
// in this session (the login table's entry), and answers IOxnVault11 for the
// item server it is handed to.
struct IOxnVault5 : IDispatch {
    COM_INTERFACE_ID("11AD8C69-12EA-4C9D-B20B-8C6D43B735AC");
    // Slot 7: kept for its position.
    virtual HRESULT STDMETHODCALLTYPE Vault5Reserved7() { return E_UNEXPECTED; }
    // Slot 8: opens the vault registered under `vaultName`; `reserved` is 0.
    // E_POINTER for a null name; E_OXN_MISSING_VIEW_INFO when no vault of
    // that name is registered with its database and view folder;
    // E_OXN_CANT_OPEN_DATABASE when its database does not open; E_UNEXPECTED
    // when the object is open already. The user's session starts at once
    // when the vault is logged in to in this session, else at the first call
    // that needs it (after the login).
    virtual HRESULT STDMETHODCALLTYPE Open(BSTR vaultName, LONG reserved) = 0;

protected:
    ~IOxnVault5() = default;
};

// A batch get: which files, then the tree, the dialog, the run, the results.
struct IOxnBatchGet : IDispatch {
    COM_INTERFACE_ID("08A72628-20FA-421C-AAC8-AF9B02C23936");
    // Slot 7: adds SAFEARRAY(VT_RECORD OxnSelection) (oxnvault/selection.h):
    // a file at its latest version, or with file id 0 every file below the
    // folder. `vault` is the vault object the utility came from.
    virtual HRESULT STDMETHODCALLTYPE AddSelection(IOxnVault11* vault, SAFEARRAY* selection) = 0;
    // Slot 8: adds one file at `version` (VT_I4).
    virtual HRESULT STDMETHODCALLTYPE AddFileVersion(IOxnVault11* vault, LONG fileId, LONG folderId,
                                                     VARIANT version) = 0;
    // Slot 9: builds the file tree by `treeFlags` (kTree*, ids.h).
    virtual HRESULT STDMETHODCALLTYPE BuildTree(LONG hWnd, LONG treeFlags) = 0;
    // Slot 10: the vault's dialog over the tree; *ok VARIANT_FALSE when the
    // user cancelled.
    virtual HRESULT STDMETHODCALLTYPE ShowDialog(LONG hWnd, VARIANT_BOOL* ok) = 0;
    // Slot 11: runs the get, telling `callback` (may be null) as it goes.
    virtual HRESULT STDMETHODCALLTYPE Run(LONG hWnd, IOxnGetOpCallback* callback) = 0;
    // Slot 12: the number of files of the tree.
    virtual HRESULT STDMETHODCALLTYPE GetFileCount(LONG* count) = 0;
    // Slot 13: the result list `listKind` (kListDone, kListProblems).
    virtual HRESULT STDMETHODCALLTYPE GetResultList(LONG listKind, IOxnResultList** list) = 0;

protected:
    ~IOxnBatchGet() = default;
};

// A batch change of workflow states.
struct IOxnBatchChangeState : IDispatch {
    COM_INTERFACE_ID("5BC28987-241A-424A-8B43-8F45852A1EE8");
    // Slot 7: adds a file, or with file id 0 every file below the folder.
    virtual HRESULT STDMETHODCALLTYPE AddFile(LONG fileId, LONG folderId) = 0;
    // Slot 8: the transition, by name, from each file's current state;
    // *found VARIANT_FALSE when the name is no transition of the files.
    virtual HRESULT STDMETHODCALLTYPE SetTransition(BSTR name, VARIANT_BOOL* found) = 0;
    // Slot 9: the vault's dialog; *ok VARIANT_FALSE when the user cancelled.
    virtual HRESULT STDMETHODCALLTYPE ShowDialog(LONG hWnd, VARIANT_BOOL* ok) = 0;
    // Slot 10: runs the change.
    virtual HRESULT STDMETHODCALLTYPE Run(LONG hWnd, LONG reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved11() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved12() { return E_UNEXPECTED; }
    // Slot 13: the result list `listKind` (kListDone: the changed files).
    virtual HRESULT STDMETHODCALLTYPE GetResultList(LONG listKind, IOxnResultList** list) = 0;
    // Slot 14: sets an option of the change.
    virtual HRESULT STDMETHODCALLTYPE SetOption(LONG option, LONG value) = 0;

protected:
    ~IOxnBatchChangeState() = default;
};

// The change-state utility's extension: revoking a transition.
struct IOxnBatchChangeState2 : IOxnBatchChangeState {
    COM_INTERFACE_ID("FD316A4D-3FF2-4775-8DF4-8ECBC2F6D882");
    // Slot 15: goes back along the transition `name` that led to each file's
    // current state; *found VARIANT_FALSE when it did not.
    virtual HRESULT STDMETHODCALLTYPE SetRevokeTransition(BSTR name, VARIANT_BOOL* found) = 0;

protected:
    ~IOxnBatchChangeState2() = default;
};

// A batch delete (to the deleted list) or destroy (for good).
struct IOxnBatchDelete : IDispatch {
    COM_INTERFACE_ID("B7B08187-AB68-4B1A-A752-5DB529AF26A4");
    // Slot 7: adds a folder (VT_I4 folder id) and everything below it.
    virtual HRESULT STDMETHODCALLTYPE AddFolder(VARIANT folderId) = 0;
    // Slot 8: adds a file.
    virtual HRESULT STDMETHODCALLTYPE AddFile(LONG fileId, LONG folderId) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() { return E_UNEXPECTED; }
    // Slot 10: destroy (remove for good) instead of delete.
    virtual HRESULT STDMETHODCALLTYPE SetDestroy(VARIANT_BOOL destroy, LONG reserved) = 0;
    // Slot 11: the vault's dialog; *ok VARIANT_FALSE when the user cancelled.
    virtual HRESULT STDMETHODCALLTYPE ShowDialog(LONG hWnd, VARIANT_BOOL* ok) = 0;
    // Slot 12: deletes; *succeeded VARIANT_FALSE when something was refused
    // (ShowErrors tells what).
    virtual HRESULT STDMETHODCALLTYPE Run(LONG hWnd, LONG reserved, VARIANT_BOOL* succeeded) = 0;
    // Slot 13: shows the errors of the run.
    virtual HRESULT STDMETHODCALLTYPE ShowErrors(LONG hWnd) = 0;

protected:
    ~IOxnBatchDelete() = default;
};

// The delete utility's notification source.
struct IOxnBatchDeleteSource : IUnknown {
    COM_INTERFACE_ID("D9B84F97-98CD-4485-8443-78F27A029FEB");
    virtual HRESULT STDMETHODCALLTYPE Reserved3() { return E_UNEXPECTED; }
    // Slot 4: who asks for the delete: the view server's id.
    virtual HRESULT STDMETHODCALLTYPE SetSource(LONG reserved, LONG viewServerId) = 0;

protected:
    ~IOxnBatchDeleteSource() = default;
};

// A position in a result list.
struct IOxnListPosition : IDispatch {
    COM_INTERFACE_ID("31732F6B-3B90-44D2-BBC4-4B009A607524");
    // Slot 7: whether the position is past the last entry.
    virtual HRESULT STDMETHODCALLTYPE IsAtEnd(VARIANT_BOOL* atEnd) = 0;

protected:
    ~IOxnListPosition() = default;
};

// The files a utility's run dealt with (kListDone) or could not
// (kListProblems).
struct IOxnResultList : IDispatch {
    COM_INTERFACE_ID("F66571B7-EFEE-4DC9-97D1-4498723AE55A");
    // Slot 7.
    virtual HRESULT STDMETHODCALLTYPE IsEmpty(VARIANT_BOOL* empty) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved9() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved10() { return E_UNEXPECTED; }
    // Slot 11: a new position at the first entry.
    virtual HRESULT STDMETHODCALLTYPE GetFirstPosition(IOxnListPosition** position) = 0;
    // Slot 12: the entry at `position` (the file's path in the view folder,
    // its id, its folder's id), and moves the position on.
    // E_OXN_NULL_VALUE for a position at the end or of another list.
    virtual HRESULT STDMETHODCALLTYPE GetNext(IOxnListPosition* position, BSTR* path, LONG* fileId, LONG* folderId) = 0;

protected:
    ~IOxnResultList() = default;
};

// What a batch get's run tells its caller, and asks it, as it goes.
struct IOxnGetOpCallback : IUnknown {
    COM_INTERFACE_ID("771D1971-25AA-423C-BD1E-C90B051D041A");
    // Slot 3: a phase of `kind` (kPhase*, ids.h) begins; `value` is its
    // number of steps.
    virtual HRESULT STDMETHODCALLTYPE BeginPhase(LONG kind, LONG value) = 0;
    // Slot 4: a step of the phase (`text` names it, `value` the steps done);
    // *goOn VARIANT_FALSE stops the run.
    virtual HRESULT STDMETHODCALLTYPE Step(LONG kind, BSTR text, LONG value, VARIANT_BOOL* goOn) = 0;
    // Slot 5: the phase ends.
    virtual HRESULT STDMETHODCALLTYPE EndPhase(LONG kind) = 0;
    // Slot 6: whether the caller can take notices.
    virtual HRESULT STDMETHODCALLTYPE CheckReady() = 0;
    // Slot 7: an option of the run; 0 keeps the vault's default.
    virtual HRESULT STDMETHODCALLTYPE GetOption(LONG reserved1, LONG reserved2, SHORT* option) = 0;
    // Slot 8: a file could not be dealt with: `result` and `text` say why;
    // *goOn VARIANT_FALSE stops the run.
    virtual HRESULT STDMETHODCALLTYPE FileMessage(LONG fileId, BSTR path, HRESULT result, BSTR text,
                                                  VARIANT_BOOL* goOn) = 0;

protected:
    ~IOxnGetOpCallback() = default;
};

// Questions of a run, answered once for many files.
struct IOxnGetOpCallback2 : IOxnGetOpCallback {
    COM_INTERFACE_ID("07C6B5DA-5D68-48DD-8B58-57C2B48B1B0D");
    // Slot 9: a question about a file; *answer holds the vault's default and
    // receives the answer. `askAgain` (VT_I4, or VT_EMPTY) non-zero: the
    // question is new, not to be answered by an earlier answer.
    virtual HRESULT STDMETHODCALLTYPE ConfirmFile(LONG fileId, LONG folderId, LONG version, LONG question,
                                                  LONG reserved1, LONG reserved2, VARIANT* askAgain, LONG* answer) = 0;
    // Slot 10: earlier answers no longer hold.
    virtual HRESULT STDMETHODCALLTYPE ForgetAnswers() = 0;

protected:
    ~IOxnGetOpCallback2() = default;
};

// Finer progress of a run.
struct IOxnGetOpCallback3 : IOxnGetOpCallback2 {
    COM_INTERFACE_ID("CF656CA7-A4E0-46A8-8289-EFE93DB885D7");
    // Slot 11: the position within the current file.
    virtual HRESULT STDMETHODCALLTYPE SetFilePosition(LONG value) = 0;
    // Slot 12: totals of the run (files done, files failed, files in all);
    // S_FALSE when nobody shows them.
    virtual HRESULT STDMETHODCALLTYPE SetTotals(LONG done, LONG failed, LONG total) = 0;

protected:
    ~IOxnGetOpCallback3() = default;
};

// The vault client's progress object (class CLSID_OxnProgress): a modeless
// progress window with a caption, two lines of text, a bar and Cancel.
struct IOxnProgress : IDispatch {
    COM_INTERFACE_ID("ED3CB49C-702F-11D3-9642-0004AC962A49");
    virtual HRESULT STDMETHODCALLTYPE Reserved7() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved8() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved9() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved10() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved11() { return E_UNEXPECTED; }
    // Slot 12: shows `text` and advances by `increment`; S_FALSE (1) when the
    // user cancelled.
    virtual HRESULT STDMETHODCALLTYPE StepText(BSTR text, LONG increment) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved13() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved14() { return E_UNEXPECTED; }
    // Slot 15: the progress window's handle.
    virtual HRESULT STDMETHODCALLTYPE GetWindow(LONG* hWnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved16() { return E_UNEXPECTED; }
    // Slot 17: the operation is aborted (after an answer of abort).
    virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
    // Slot 18: opens the window (minimum, maximum and position of the bar;
    // `style` 7: text lines, bar and Cancel).
    virtual HRESULT STDMETHODCALLTYPE Open(BSTR caption, BSTR text, LONG minimum, LONG maximum, LONG position,
                                           LONG style) = 0;
    // Slot 19: a step is done.
    virtual HRESULT STDMETHODCALLTYPE StepDone() = 0;
    // Slot 20: the window that owns the progress window.
    virtual HRESULT STDMETHODCALLTYPE SetOwner(LONG hWndOwner) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved21() { return E_UNEXPECTED; }
    // Slot 22: a message box owned by the progress window (`buttons` 7,
    // `icon` 83); *answer 4 means abort.
    virtual HRESULT STDMETHODCALLTYPE ShowMessage(BSTR caption, BSTR message, LONG buttons, LONG icon, LONG reserved,
                                                  LONG* answer) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved23() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved24() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved25() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved26() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved27() { return E_UNEXPECTED; }
    // Slot 28: totals (done, failed, in all).
    virtual HRESULT STDMETHODCALLTYPE SetTotals(LONG done, LONG failed, LONG total) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved29() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved30() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved31() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved32() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved33() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved34() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved35() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved36() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved37() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved38() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved39() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved40() { return E_UNEXPECTED; }
    virtual HRESULT STDMETHODCALLTYPE Reserved41() { return E_UNEXPECTED; }
    // Slot 42: the position of the second bar (within the current file).
    virtual HRESULT STDMETHODCALLTYPE SetSecondPosition(LONG value) = 0;
    // Slot 43: a new operation: caption, text, and the bar's range (minimum,
    // maximum `value`, position, step).
    virtual HRESULT STDMETHODCALLTYPE BeginOperation(BSTR caption, BSTR text, LONG minimum, LONG value, LONG position,
                                                     LONG step) = 0;
    // Slot 44: the bar's maximum.
    virtual HRESULT STDMETHODCALLTYPE SetRange(LONG value) = 0;
    // Slot 45: the second text line and the bar's position.
    virtual HRESULT STDMETHODCALLTYPE SetSecondText(BSTR text, LONG position) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved46() { return E_UNEXPECTED; }
    // Slot 47: the first text line.
    virtual HRESULT STDMETHODCALLTYPE SetText(BSTR text) = 0;

protected:
    ~IOxnProgress() = default;
};

}  // namespace OxnVaultLib
