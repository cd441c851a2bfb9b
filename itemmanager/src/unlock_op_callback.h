// UnlockOpCallback: the callback both back ends hand to the unlock
// component's command for a check-in or an undo check-out. It drives the
// item progress window (opened once a run goes over two files or more),
// asks the command's questions in the progress window's message box with the
// client library's texts, and remembers the name of every file the run
// worked on, so that the back end can refresh those items in the item cache
// afterwards (ProcessedItemNames).
//
// Single-threaded: the command calls it on the thread that runs it.
#pragma once

#include "brevanne/interfaces.h"
#include "com/ccom_ptr.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"
#include "itemstore/progress/itm_progress.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

class UnlockOpCallback : public CComObjectRootEx<CComSingleThreadModel>, public BrevanneLib::IUnlockOpCallback {
public:
    BEGIN_COM_MAP(UnlockOpCallback)
    COM_INTERFACE_ENTRY(BrevanneLib::IUnlockOpCallback)
    END_COM_MAP()

    // A new callback with one reference for the caller, holding a reference
    // on `progress` (may be null: nothing is shown and every question fails
    // with E_POINTER). E_POINTER for a null out-pointer; E_OUTOFMEMORY (and
    // no object).
    static HRESULT mhCreate(IItmProgress* progress, UnlockOpCallback** callback);

    // A file's path as the user sees it: without "<items>" and the item
    // extension, and with no doubled backslash left.
    static std::u16string moFileText(std::u16string_view path);

    // The item files of the run that the user did not ask to leave alone:
    // the names (with the item extension) in code-unit order.
    std::vector<std::u16string> ProcessedItemNames() const;

    // Slot 3: the file counter starts again. A run over two files or more
    // opens the progress window (caption "Check In", with a Cancel button)
    // unless it is open; while open, the bar gets `lTotal` as its maximum and
    // goes back to 0, and SetPos's result is returned (the window's failure
    // to open, too). A run over fewer files shows nothing: S_OK.
    HRESULT STDMETHODCALLTYPE Start(LONG lReserved, LONG lTotal) override;
    // Slot 4: counts the file and keeps its name (the part after the last
    // backslash; a name kept already keeps its flag). While the window is
    // open, the bar moves on with the file's text; its result comes back -
    // E_OXN_CANCELLED_BY_USER once the user cancelled, which stops the run.
    HRESULT STDMETHODCALLTYPE NextFile(BSTR bsPath) override;
    // Slot 5: counts a file with nothing to do; the bar as for slot 4.
    HRESULT STDMETHODCALLTYPE Step() override;
    // Slot 6: the bar goes back to its start while the window is open. S_OK.
    HRESULT STDMETHODCALLTYPE Reset(LONG lChanged, LONG lLeft, LONG lTotal) override;
    // Slot 7: asks the user through the progress object's message box (the
    // client library's texts) and gives the command's reply: kind 1 Yes 10,
    // No 0; kind 2 OK 0; kinds 3, 5 and 8 Yes 0, No 11 (and the file is no
    // longer among ProcessedItemNames); else 1 (stop). A kind it does not
    // know gets -1 without a question. A box that cannot be shown counts as
    // Cancel. S_OK; E_POINTER for a null plReply or without a progress
    // object.
    HRESULT STDMETHODCALLTYPE Question(LONG lKind, LONG lDocumentId, LONG lVersion, BSTR bsPath,
                                       BrevanneLib::UnlockQuestionDetail* poDetail, LONG* plReply) override;
    // Slots 8 to 10: E_NOTIMPL.
    HRESULT STDMETHODCALLTYPE UnusedSlot8() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot9() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot10() override;

protected:
    UnlockOpCallback() = default;
    // Closes the progress window when this callback opened it.
    ~UnlockOpCallback();

private:
    // SetPos with the counter and `line2`, while the window is open.
    HRESULT mhMoveBar(BSTR line2);

    CComPtr<IItmProgress> mpoProgress;
    bool mbProgressOpen = false;
    LONG mlFileCount = 0;
    // A file's name -> false once the user said to leave it alone. Ordered
    // by UTF-16 code units.
    std::map<std::u16string, bool> moFileNames;
};
