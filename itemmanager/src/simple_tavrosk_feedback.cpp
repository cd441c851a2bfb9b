#include "simple_tavrosk_feedback.h"

#include "bellquist/item_names.h"
#include "com/bstr.h"
#include "tesspur/tesspur.h"
#include "ui/message_box.h"
#include "winapi/errors.h"
#include "winapi/wide_format.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <new>

using BellquistLib::kItemExtension;
using namespace TavroskClientLib;

namespace NsTavroskClient {

namespace {

// Flags of the client library's messages.
constexpr ULONG kFlagCancel = 0x4;
constexpr ULONG kFlagYesNo = 0x20;
constexpr ULONG kFlagYesNoToo = 0x40;
constexpr ULONG kFlagError = 0x800;
constexpr ULONG kFlagQuestion = 0x1000;
constexpr ULONG kFlagSilent = 0x80000;
// Yes, No and Cancel with the exclamation icon.
constexpr ULONG kConfirmReplaceFlags = kFlagYesNo | kFlagCancel | 0x1;

UINT StyleOf(ULONG flags) {
    UINT icon = (flags & kFlagError) ? MB_ICONHAND : (flags & kFlagQuestion) ? MB_ICONQUESTION : MB_ICONEXCLAMATION;
    bool yesNo = (flags & (kFlagYesNo | kFlagYesNoToo)) != 0;
    bool cancel = (flags & kFlagCancel) != 0;
    UINT buttons = yesNo ? (cancel ? MB_YESNOCANCEL : MB_YESNO) : (cancel ? MB_OKCANCEL : MB_OK);
    return icon | buttons;
}

ULONG AnswerOf(int button) {
    switch (button) {
    case IDOK:
        return SimpleTavroskFeedback::kAnswerOk;
    case IDYES:
        return SimpleTavroskFeedback::kAnswerYes;
    case IDNO:
        return SimpleTavroskFeedback::kAnswerNo;
    default:
        return SimpleTavroskFeedback::kAnswerCancel;
    }
}

std::u16string_view TextOf(BSTR text) { return {text ? text : u"", SysStringLen(text)}; }

}  // namespace

HRESULT SimpleTavroskFeedback::mhCreate(ULONGLONG parentWnd, bool silent, SimpleTavroskFeedback** feedback) {
    if (!feedback) return E_POINTER;
    *feedback = nullptr;
    CComObject<SimpleTavroskFeedback>* created = nullptr;
    if (HRESULT hr = CComObject<SimpleTavroskFeedback>::CreateInstance(&created); FAILED(hr)) return hr;
    created->mulParentWnd = static_cast<ULONG>(parentWnd);
    created->mbSilent = silent;
    created->AddRef();
    *feedback = created;
    return S_OK;
}

HRESULT SimpleTavroskFeedback::SetProcess(BellquistLib::ItmDbInfo*, VARIANT_BOOL) { return S_OK; }

HRESULT SimpleTavroskFeedback::ProgressNotice7() { return S_OK; }
HRESULT SimpleTavroskFeedback::ProgressNotice8() { return S_OK; }
HRESULT SimpleTavroskFeedback::ProgressNotice9() { return S_OK; }
HRESULT SimpleTavroskFeedback::ProgressNotice10() { return S_OK; }
HRESULT SimpleTavroskFeedback::ProgressNotice11() { return S_OK; }
HRESULT SimpleTavroskFeedback::ProgressNotice13() { return S_OK; }
HRESULT SimpleTavroskFeedback::ProgressNotice14() { return S_OK; }

HRESULT SimpleTavroskFeedback::ShowMessage(BSTR bsText, VARIANT* pvDetail, ULONG ulFlags, LONG, LONG,
                                           ULONG* pulAnswer) {
    if (ulFlags & kFlagSilent) return S_OK;
    try {
        std::u16string message(TextOf(bsText));
        if (pvDetail && pvDetail->vt == VT_BSTR) {
            message += u"\n\n";
            message += TextOf(pvDetail->bstrVal);
        }
        HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(mulParentWnd));
        int button = MessageBoxW(owner, message.c_str(), u"Halvaran", StyleOf(ulFlags));
        if (pulAnswer) *pulAnswer = AnswerOf(button);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT SimpleTavroskFeedback::HandOffDialog(ITavroskDialog* poDialog, VARIANT vArgument) {
    if (mbSilent) return S_OK;
    if (!poDialog) return E_POINTER;
    return poDialog->ShowDialog(mulParentWnd, poDialog, vArgument);
}

HRESULT SimpleTavroskFeedback::ConfirmReplace(BSTR bsFilePath, VARIANT_BOOL* pbReplace) {
    try {
        const WCHAR* caption = TSS_internal(327, u"TS", u"NameSpace", u"Confirm Replace Locked File");
        const WCHAR* format =
            TSS_internal(326, u"TS", u"NameSpace", u"The file '%s' is  currently locked.\nDo you want to replace it?");
        // The name stays in UTF-16: no character is lost to a code page.
        std::u16string name(TextOf(bsFilePath));
        if (name.ends_with(kItemExtension)) name.resize(name.size() - kItemExtension.size());
        // A translated format may hold more inserts than the one name.
        std::u16string message = winapi::FormatTexts(format, {name.c_str()});

        BSTR captionText = SysAllocString(caption);
        BSTR detailText = SysAllocStringLen(message.data(), static_cast<UINT>(message.size()));
        if (!captionText || !detailText) {
            SysFreeString(captionText);
            SysFreeString(detailText);
            return E_OUTOFMEMORY;
        }
        VARIANT detail;
        VariantInit(&detail);
        detail.vt = VT_BSTR;
        detail.bstrVal = detailText;
        ULONG answer = kAnswerCancel;
        HRESULT hr = ShowMessage(captionText, &detail, kConfirmReplaceFlags, 0, 0, &answer);
        SysFreeString(captionText);
        VariantClear(&detail);
        if (FAILED(hr)) return hr;
        if (answer == kAnswerCancel) return S_FALSE;
        if (!pbReplace) return E_POINTER;
        *pbReplace = answer == kAnswerYes ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace NsTavroskClient
