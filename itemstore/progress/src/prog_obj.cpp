#include "prog_obj.h"

#include "bellquist/enums.h"
#include "common/error_codes.h"
#include "tesspur/tesspur.h"
#include "ui/message_box.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui/window_placement.h"

#include <new>

namespace {

const WCHAR* TextOf(BSTR text) { return text ? text : u""; }

// Ask's button masks and the message-box button sets they stand for.
struct ButtonSet {
    LONG mask;
    UINT style;
};
constexpr ButtonSet kButtonSets[] = {
    {ItmProgBtn_OK, MB_OK},
    {ItmProgBtn_OK | ItmProgBtn_Cancel, MB_OKCANCEL},
    {ItmProgBtn_Retry | ItmProgBtn_Cancel, MB_RETRYCANCEL},
    {ItmProgBtn_Yes | ItmProgBtn_No, MB_YESNO},
    {ItmProgBtn_Yes | ItmProgBtn_No | ItmProgBtn_Cancel, MB_YESNOCANCEL},
};

// The answer bit of a pressed button; 0 for any other result.
LONG AnswerOf(int pressed) {
    switch (pressed) {
    case IDOK:
        return ItmProgBtn_OK;
    case IDCANCEL:
        return ItmProgBtn_Cancel;
    case IDRETRY:
        return ItmProgBtn_Retry;
    case IDYES:
        return ItmProgBtn_Yes;
    case IDNO:
        return ItmProgBtn_No;
    default:
        return 0;
    }
}

}  // namespace

ProgObj::ProgObj(HWND parent) : mhParent(parent) {}

HRESULT ProgObj::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_IItmProgress) return E_NOINTERFACE;
    *object = static_cast<IItmProgress*>(this);
    AddRef();
    return S_OK;
}

ULONG ProgObj::AddRef() {
    RefObj::AddRef();
    return static_cast<ULONG>(mlRefCount());
}

ULONG ProgObj::Release() {
    // Read before the release that may delete the object.
    ULONG left = static_cast<ULONG>(mlRefCount() - 1);
    RefObj::Release();
    return left;
}

HRESULT ProgObj::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
HRESULT ProgObj::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT ProgObj::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT ProgObj::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) { return E_NOTIMPL; }

HRESULT ProgObj::Show(BSTR caption, LONG layout) {
    if (moDialog.Exists()) return S_OK;
    HWND hwnd = moDialog.Create(mhParent);
    if (!hwnd) return E_FAIL;
    ui::CenterWindow(hwnd, mhParent);
    SetDlgItemTextW(hwnd, IDC_PROGRESS_MESSAGE1, u"");
    SetDlgItemTextW(hwnd, IDC_PROGRESS_MESSAGE2, u"");
    SetWindowTextW(hwnd, TextOf(caption));
    if (layout & BellquistLib::ItmProgLay_CancelBtn)
        SetDlgItemTextW(hwnd, IDC_PROGRESS_CANCEL, TSS_internal(2, u"StrWnd", u"StrWnd", u"Cancel"));
    else
        ShowWindow(GetDlgItem(hwnd, IDC_PROGRESS_CANCEL), SW_HIDE);
    ShowWindow(hwnd, SW_SHOW);
    return S_OK;
}

HRESULT ProgObj::Close() {
    if (moDialog.Exists()) DestroyWindow(moDialog.Handle());
    return S_OK;
}

HRESULT ProgObj::SetRange(LONG maximum, BSTR line1) {
    if (!moDialog.Exists()) return S_OK;
    HWND hwnd = moDialog.Handle();
    SendMessageW(GetDlgItem(hwnd, IDC_PROGRESS_BAR), PBM_SETRANGE32, 0, maximum);
    SetDlgItemTextW(hwnd, IDC_PROGRESS_MESSAGE1, TextOf(line1));
    SetDlgItemTextW(hwnd, IDC_PROGRESS_MESSAGE2, u"");
    return S_OK;
}

HRESULT ProgObj::SetPos(LONG position, BSTR line2) {
    if (!moDialog.Exists()) return S_OK;
    HWND hwnd = moDialog.Handle();
    SendMessageW(GetDlgItem(hwnd, IDC_PROGRESS_BAR), PBM_SETPOS, static_cast<WPARAM>(position), 0);
    SetDlgItemTextW(hwnd, IDC_PROGRESS_MESSAGE2, TextOf(line2));
    UpdateWindow(hwnd);
    // Any window of the process may act now, the Cancel button included. A
    // quit request met here stays for the application's loop.
    AddRef();  // a handler may release the caller's last reference
    ui::PumpWaitingMessages();
    HRESULT result = mbCancelled ? E_OXN_CANCELLED_BY_USER : S_OK;
    Release();
    return result;
}

HRESULT ProgObj::ResetPos() {
    if (moDialog.Exists()) SendMessageW(GetDlgItem(moDialog.Handle(), IDC_PROGRESS_BAR), PBM_SETPOS, 0, 0);
    return S_OK;
}

HRESULT ProgObj::Ask(BSTR caption, BSTR text, LONG buttons, LONG* answer) {
    if (!answer) return E_POINTER;
    *answer = 0;
    const ButtonSet* set = nullptr;
    for (const auto& candidate : kButtonSets)
        if (candidate.mask == buttons) set = &candidate;
    if (!set) return E_INVALIDARG;
    HWND owner = moDialog.Exists() ? moDialog.Handle() : mhParent;
    LONG pressed = AnswerOf(MessageBoxW(owner, TextOf(text), TextOf(caption), MB_ICONEXCLAMATION | set->style));
    if (!(pressed & buttons)) return E_FAIL;
    *answer = pressed;
    return S_OK;
}

IItmProgress* gpoCreateProgObj(HWND parent) {
    auto* object = new (std::nothrow) ProgObj(parent);
    if (!object) return nullptr;
    object->AddRef();
    return object;
}
