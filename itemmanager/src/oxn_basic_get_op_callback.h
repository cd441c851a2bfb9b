// OxnBasicGetOpCallbackImpl: the callback of the refresh of the local cache.
// It drives the vault client's progress object (the run's phases and steps
// as its lines and bar), shows a file that failed in a message box of that
// progress object, stops the run when the user cancels or aborts, and
// remembers the answer to the run's per-file question until the run says it
// no longer holds.
//
// Without a progress object it lets the run go on and shows nothing; the
// notices that need one say so (E_OXN_NOT_INITIALIZED).
//
// Single-threaded: called by the run on the thread that made it.
#pragma once

#include "com/bstr_t.h"
#include "com/ccom_ptr.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"
#include "oxnvault/interfaces.h"

class OxnBasicGetOpCallbackImpl : public CComObjectRootEx<CComSingleThreadModel>,
                                  public OxnVaultLib::IOxnGetOpCallback3 {
public:
    BEGIN_COM_MAP(OxnBasicGetOpCallbackImpl)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnGetOpCallback)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnGetOpCallback2)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnGetOpCallback3)
    END_COM_MAP()

    // The answer of the progress object's message box that aborts the run.
    static constexpr LONG kAnswerAbort = 4;

    // A new callback with one reference for the caller, holding a reference
    // on `vault` and on `progress` (may be null) and copies of the caption
    // and the operation text. E_POINTER for a null out-pointer;
    // E_OUTOFMEMORY (and no object).
    static HRESULT mhCreate(OxnVaultLib::IOxnVault11* vault, const WCHAR* caption, const WCHAR* operationText,
                            OxnVaultLib::IOxnProgress* progress, OxnBasicGetOpCallbackImpl** callback);

    // --- IOxnGetOpCallback -----------------------------------------------------
    // The per-file phases (kinds 2 and 3) show the operation text, a step
    // and `value` as the bar's maximum (S_OK); any other phase begins a new
    // operation of the progress object, whose result is returned.
    HRESULT STDMETHODCALLTYPE BeginPhase(LONG kind, LONG value) override;
    // Per-file phases: `text` in the second line with the bar at `value`;
    // others: `text` as a step. A progress object answering S_FALSE (the user
    // cancelled) gives *goOn VARIANT_FALSE and marks the callback cancelled
    // for good; else *goOn VARIANT_TRUE. S_OK; E_POINTER for a null goOn.
    HRESULT STDMETHODCALLTYPE Step(LONG kind, BSTR text, LONG value, VARIANT_BOOL* goOn) override;
    // Per-file phases clear the second line; others complete a step. S_OK.
    HRESULT STDMETHODCALLTYPE EndPhase(LONG kind) override;
    // S_OK with a progress object, E_OXN_NOT_INITIALIZED without.
    HRESULT STDMETHODCALLTYPE CheckReady() override;
    // *option 0; S_OK.
    HRESULT STDMETHODCALLTYPE GetOption(LONG reserved1, LONG reserved2, SHORT* option) override;
    // A file that failed. Go on, showing nothing, when `result` is
    // E_OXN_NEED_MIGRATING or the user has cancelled already. Else the
    // progress object's message box (caption; "<text>\n\nFile: <path>";
    // Abort/Retry/Ignore; stop icon): Abort aborts the progress object and
    // stops the run (*goOn VARIANT_FALSE), any other answer goes on. S_OK;
    // E_OXN_NOT_INITIALIZED without a progress object; a failing box returns
    // its HRESULT with its error info.
    HRESULT STDMETHODCALLTYPE FileMessage(LONG fileId, BSTR path, HRESULT result, BSTR text,
                                          VARIANT_BOOL* goOn) override;

    // --- IOxnGetOpCallback2 ----------------------------------------------------
    // Answers once for many files: while an answer is kept and `askAgain` is
    // not set (VT_EMPTY or a zero value), *answer receives the kept one;
    // otherwise *answer is kept as given. S_OK; E_POINTER for a null answer.
    HRESULT STDMETHODCALLTYPE ConfirmFile(LONG fileId, LONG folderId, LONG version, LONG question, LONG reserved1,
                                          LONG reserved2, VARIANT* askAgain, LONG* answer) override;
    // Forgets the kept answer. S_OK.
    HRESULT STDMETHODCALLTYPE ForgetAnswers() override;

    // --- IOxnGetOpCallback3 ----------------------------------------------------
    // The file's bar. S_OK.
    HRESULT STDMETHODCALLTYPE SetFilePosition(LONG value) override;
    // The progress object's totals and their result; S_FALSE without one.
    HRESULT STDMETHODCALLTYPE SetTotals(LONG done, LONG failed, LONG total) override;

    bool mbIsCancelled() const noexcept { return mbCancelled; }

protected:
    OxnBasicGetOpCallbackImpl() = default;
    ~OxnBasicGetOpCallbackImpl() = default;

private:
    static bool mbIsFilePhase(LONG kind) noexcept { return kind == 2 || kind == 3; }

    CComPtr<OxnVaultLib::IOxnVault11> mpoVault;
    CComPtr<OxnVaultLib::IOxnProgress> mpoProgress;  // may be null
    bool mbCancelled = false;
    bool mbAnswerKept = false;
    LONG mlKeptAnswer = 2;
    _bstr_t moCaption;
    _bstr_t moOperationText;
};
