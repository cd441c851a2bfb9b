// NsTavroskClient::SimpleTavroskFeedback: the callback object that the client
// back end hands to the client library and to the outside item operations.
// It answers their progress calls, shows their messages as message boxes
// over the back end's parent window (through the prompter, ui/prompter.h),
// asks whether a locked local file may be replaced, and lets the client
// library show its own dialogs unless the operation runs silently.
//
// Free-threaded: its count is interlocked; its methods read only the two
// members set at creation.
#pragma once

#include "bellquist/operation_interfaces.h"
#include "com/server/com_object.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"
#include "tavrosk/feedback_interfaces.h"

namespace NsTavroskClient {

class SimpleTavroskFeedback : public CComObjectRootEx<CComMultiThreadModel>,
                              public BellquistLib::IItmCallBack,
                              public TavroskClientLib::IConfirmReplace,
                              public IDispatchImpl<TavroskClientLib::ITavroskFeedback> {
public:
    BEGIN_COM_MAP(SimpleTavroskFeedback)
    COM_INTERFACE_ENTRY(BellquistLib::IItmCallBack)
    COM_INTERFACE_ENTRY(TavroskClientLib::IConfirmReplace)
    COM_INTERFACE_ENTRY(TavroskClientLib::ITavroskFeedback)
    COM_INTERFACE_ENTRY2(IDispatch, TavroskClientLib::ITavroskFeedback)
    END_COM_MAP()

    // A new object with one reference for the caller, for the back end's
    // parent window (its low 32 bits are kept) and silent or not.
    // E_POINTER, E_OUTOFMEMORY.
    static HRESULT mhCreate(ULONGLONG parentWnd, bool silent, SimpleTavroskFeedback** feedback);

    // IItmCallBack: nothing to do.
    HRESULT STDMETHODCALLTYPE SetProcess(BellquistLib::ItmDbInfo* poItemInfo, VARIANT_BOOL bIsProcessed) override;

    // IConfirmReplace: asks "replace the locked file?" with Yes, No and
    // Cancel. Yes: *pbReplace VARIANT_TRUE; No: VARIANT_FALSE; both S_OK.
    // Cancel: S_FALSE, *pbReplace unwritten. The file is named by its path
    // without the item extension ".<item>".
    HRESULT STDMETHODCALLTYPE ConfirmReplace(BSTR bsFilePath, VARIANT_BOOL* pbReplace) override;

    // ITavroskFeedback. The progress notices do nothing.
    HRESULT STDMETHODCALLTYPE ProgressNotice7() override;
    HRESULT STDMETHODCALLTYPE ProgressNotice8() override;
    HRESULT STDMETHODCALLTYPE ProgressNotice9() override;
    HRESULT STDMETHODCALLTYPE ProgressNotice10() override;
    HRESULT STDMETHODCALLTYPE ProgressNotice11() override;
    // A message box captioned "Halvaran": the text, and a string detail
    // after an empty line. Flag 0x80000 shows nothing and leaves *pulAnswer
    // as it was. Icon: 0x800 error, else 0x1000 question, else exclamation.
    // Buttons: with 0x20 or 0x40 Yes/No, else OK; 0x4 adds Cancel. The
    // answer: OK 1, Yes 8, No 32, anything else 4.
    HRESULT STDMETHODCALLTYPE ShowMessage(BSTR bsText, VARIANT* pvDetail, ULONG ulFlags, LONG lReserved1,
                                          LONG lReserved2, ULONG* pulAnswer) override;
    HRESULT STDMETHODCALLTYPE ProgressNotice13() override;
    HRESULT STDMETHODCALLTYPE ProgressNotice14() override;
    // Silent: S_OK without calling the dialog. Else the dialog's ShowDialog
    // (parent window, the dialog itself, vArgument) and its result.
    HRESULT STDMETHODCALLTYPE HandOffDialog(TavroskClientLib::ITavroskDialog* poDialog, VARIANT vArgument) override;

    // The answers of ShowMessage.
    static constexpr ULONG kAnswerOk = 1;
    static constexpr ULONG kAnswerCancel = 4;
    static constexpr ULONG kAnswerYes = 8;
    static constexpr ULONG kAnswerNo = 32;

protected:
    SimpleTavroskFeedback() = default;
    ~SimpleTavroskFeedback() = default;

private:
    ULONGLONG mulParentWnd = 0;
    bool mbSilent = false;
};

}  // namespace NsTavroskClient
