// COxnProgress: the vault client's progress object (CLSID_OxnProgress,
// IOxnProgress). It owns one modeless progress window (progress_window.h)
// and shows in it what the operation it serves reports; the operation
// learns of the user's Cancel from the answers of StepText and
// SetSecondText, and asks the user about a failed file with ShowMessage,
// whose box the window owns.
//
// Callers create it by class id (any context), run it (OleRun) and ask it
// for IOxnProgress. All calls run on the GUI thread. The window lives from
// Open (or BeginOperation) until the object goes or its owner is destroyed.
//
// The values the slots take:
// - Open and BeginOperation: the bar runs from `minimum` to `maximum` at
//   `position` (maximum <= minimum: nothing measured yet, an empty bar).
//   Open's `style` says which parts show (kStyle* bits; 7 all of them);
//   BeginOperation shows them all, and its `step` is what StepDone
//   advances the bar by. Open starts a new operation, forgetting an earlier
//   cancel; BeginOperation starts the next stage of the same one.
// - ShowMessage's `buttons` is a set of kAnswer* bits (1 OK; 5 OK and
//   Cancel; 6 Retry and Cancel; 7 Abort, Retry and Ignore), Cancel and
//   Abort answering kAnswerAbort; `icon` a letter: 'S' (83) stop, 'W'
//   warning, 'I' information, 'Q' question, 0 none; `reserved` 0.
#pragma once

#include "com/server/co_class.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"

#include <memory>

namespace oxnvault {

class ProgressWindow;

class COxnProgress
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<COxnProgress, &OxnVaultLib::CLSID_OxnProgress>,
      public IDispatchImpl<OxnVaultLib::IOxnProgress, &OxnVaultLib::IOxnProgress::kIid, &OxnVaultLib::LIBID_OxnVaultLib,
                           OxnVaultLib::kLibraryMajorVersion, OxnVaultLib::kLibraryMinorVersion> {
public:
    // Open's style bits.
    static constexpr LONG kStyleText = 1;    // the two text lines and the totals
    static constexpr LONG kStyleBar = 2;     // the bar and the file's bar
    static constexpr LONG kStyleCancel = 4;  // the Cancel button
    // ShowMessage's buttons and answers.
    static constexpr LONG kAnswerGoOn = 1;  // OK, Ignore
    static constexpr LONG kAnswerRetry = 2;
    static constexpr LONG kAnswerAbort = 4;  // Abort, Cancel

    BEGIN_COM_MAP(COxnProgress)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnProgress)
    COM_INTERFACE_ENTRY(IDispatch)
    END_COM_MAP()

    // Shows `text` in the second line, advances the bar by `increment` and
    // lets every waiting message of the thread be handled (the Cancel button
    // acts now; callers must expect re-entrant calls). S_FALSE once the user
    // cancelled or the operation was aborted, else S_OK, with or without a
    // window.
    HRESULT STDMETHODCALLTYPE StepText(BSTR text, LONG increment) override;
    // The open window's handle (a 32-bit handle); E_POINTER;
    // E_OXN_NOT_INITIALIZED (*hWnd 0) while no window is open.
    HRESULT STDMETHODCALLTYPE GetWindow(LONG* hWnd) override;
    // The operation stops on the user's word: from now on StepText and
    // SetSecondText answer S_FALSE and Cancel is disabled. The window stays.
    HRESULT STDMETHODCALLTYPE Abort() override;
    // Opens the window (or, when it is open, sets it anew): caption, the
    // first line `text`, the second line and the totals cleared, the bar as
    // given, the parts of `style`; forgets an earlier cancel. The window is
    // owned by SetOwner's window, centred over it. E_FAIL when the window
    // cannot be made (its owner is gone); E_INVALIDARG for a style outside 7.
    HRESULT STDMETHODCALLTYPE Open(BSTR caption, BSTR text, LONG minimum, LONG maximum, LONG position,
                                   LONG style) override;
    // Advances the bar by BeginOperation's step (1 until one is given) and
    // clears the second line. S_OK.
    HRESULT STDMETHODCALLTYPE StepDone() override;
    // The window that owns the progress window and, while none is open, its
    // message boxes; 0 for none. An open window keeps its owner. E_INVALIDARG
    // (nothing changes) when the handle is no window.
    HRESULT STDMETHODCALLTYPE SetOwner(LONG hWndOwner) override;
    // Asks the user in a message box owned by the window (else by the owner);
    // *answer is the kAnswer* bit of the pressed button. E_POINTER;
    // E_INVALIDARG (*answer 0) for another button set, icon or reserved
    // value; E_FAIL (*answer 0) when no box could be shown.
    HRESULT STDMETHODCALLTYPE ShowMessage(BSTR caption, BSTR message, LONG buttons, LONG icon, LONG reserved,
                                          LONG* answer) override;
    // Shows "<done> of <total> files" (and ", <failed> failed" when any
    // failed) under the bars. S_FALSE when no window shows it; E_INVALIDARG
    // for a negative count.
    HRESULT STDMETHODCALLTYPE SetTotals(LONG done, LONG failed, LONG total) override;
    // The file's bar, in per cent of the current file (kept within 0-100).
    // S_OK.
    HRESULT STDMETHODCALLTYPE SetSecondPosition(LONG value) override;
    // The next stage of the operation: as Open with every part shown, but a
    // cancel stays; `step` is what StepDone advances by (at least 1).
    HRESULT STDMETHODCALLTYPE BeginOperation(BSTR caption, BSTR text, LONG minimum, LONG value, LONG position,
                                             LONG step) override;
    // The bar's maximum (its minimum stays). S_OK.
    HRESULT STDMETHODCALLTYPE SetRange(LONG value) override;
    // Shows `text` in the second line, moves the bar to `position` and lets
    // waiting messages be handled, as StepText does; S_FALSE once cancelled.
    HRESULT STDMETHODCALLTYPE SetSecondText(BSTR text, LONG position) override;
    // The first line. S_OK.
    HRESULT STDMETHODCALLTYPE SetText(BSTR text) override;

    HRESULT FinalConstruct();
    void FinalRelease();

protected:
    COxnProgress();
    ~COxnProgress();

private:
    HRESULT ShowWindowFor(BSTR caption, BSTR text, LONG minimum, LONG maximum, LONG position, LONG style);
    // Lets waiting messages be handled; the answer of the cancel slots.
    HRESULT PumpAndAnswer();

    HWND owner_ = nullptr;
    bool cancelled_ = false;
    LONG step_ = 1;
    std::unique_ptr<ProgressWindow> window_;  // made by FinalConstruct
};

}  // namespace oxnvault
