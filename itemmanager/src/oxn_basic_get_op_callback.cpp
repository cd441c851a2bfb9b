#include "oxn_basic_get_op_callback.h"

#include "common/error_codes.h"

#include "com/bstr.h"
#include "com/com_error.h"
#include "com/method_boundary.h"
#include "com/server/com_object.h"
#include "com/variant.h"
#include "winapi/errors.h"

#include <string>

using namespace OxnVaultLib;

namespace {

// ShowMessage's buttons (Abort, Retry, Ignore) and icon (stop).
constexpr LONG kButtonsAbortRetryIgnore = 7;
constexpr LONG kIconStop = 83;

}  // namespace

HRESULT OxnBasicGetOpCallbackImpl::mhCreate(IOxnVault11* vault, const WCHAR* caption, const WCHAR* operationText,
                                            IOxnProgress* progress, OxnBasicGetOpCallbackImpl** callback) {
    if (!callback) return E_POINTER;
    *callback = nullptr;
    return com::Boundary([&]() -> HRESULT {
        CComObject<OxnBasicGetOpCallbackImpl>* created = nullptr;
        if (HRESULT hr = CComObject<OxnBasicGetOpCallbackImpl>::CreateInstance(&created); FAILED(hr)) return hr;
        CComPtr<IOxnGetOpCallback3> held(created);  // frees the object if a copy below fails
        created->moCaption = caption ? caption : u"";
        created->moOperationText = operationText ? operationText : u"";
        created->mpoVault = vault;
        created->mpoProgress = progress;
        *callback = created;
        held.Detach();
        return S_OK;
    });
}

HRESULT OxnBasicGetOpCallbackImpl::BeginPhase(LONG kind, LONG value) {
    if (!mpoProgress) return S_OK;
    if (mbIsFilePhase(kind)) {
        BSTR blank = SysAllocString(u" ");
        if (!blank) return E_OUTOFMEMORY;
        mpoProgress->SetText(moOperationText);
        mpoProgress->StepText(blank, 1);
        mpoProgress->SetRange(value);
        SysFreeString(blank);
        return S_OK;
    }
    return mpoProgress->BeginOperation(moCaption, moOperationText, 1, value, 0, 1);
}

HRESULT OxnBasicGetOpCallbackImpl::Step(LONG kind, BSTR text, LONG value, VARIANT_BOOL* goOn) {
    if (!goOn) return E_POINTER;
    HRESULT hr = S_OK;
    if (mpoProgress)
        hr = mbIsFilePhase(kind) ? mpoProgress->SetSecondText(text, value) : mpoProgress->StepText(text, 1);
    if (hr == S_FALSE) {
        *goOn = VARIANT_FALSE;
        mbCancelled = true;
    } else {
        *goOn = VARIANT_TRUE;
    }
    return S_OK;
}

HRESULT OxnBasicGetOpCallbackImpl::EndPhase(LONG kind) {
    if (!mpoProgress) return S_OK;
    if (mbIsFilePhase(kind)) {
        BSTR empty = SysAllocString(u"");
        if (!empty) return E_OUTOFMEMORY;
        mpoProgress->SetSecondText(empty, 0);
        SysFreeString(empty);
    } else {
        mpoProgress->StepDone();
    }
    return S_OK;
}

HRESULT OxnBasicGetOpCallbackImpl::CheckReady() { return mpoProgress ? S_OK : E_OXN_NOT_INITIALIZED; }

HRESULT OxnBasicGetOpCallbackImpl::GetOption(LONG, LONG, SHORT* option) {
    if (!option) return E_POINTER;
    *option = 0;
    return S_OK;
}

HRESULT OxnBasicGetOpCallbackImpl::FileMessage(LONG, BSTR path, HRESULT result, BSTR text, VARIANT_BOOL* goOn) {
    if (!goOn) return E_POINTER;
    // A file that needs migrating is no failure worth a box, and after a
    // cancel the user has said enough: neither stops the run here.
    if (result == E_OXN_NEED_MIGRATING || mbCancelled) {
        *goOn = VARIANT_TRUE;
        return S_OK;
    }
    if (!mpoProgress) return E_OXN_NOT_INITIALIZED;
    return com::Boundary([&]() -> HRESULT {
        const std::u16string message = com::BstrText(text) + u"\n\nFile: " + com::BstrText(path);
        _bstr_t bsMessage(message.c_str());
        LONG answer = 0;
        if (HRESULT hr =
                mpoProgress->ShowMessage(moCaption, bsMessage, kButtonsAbortRetryIgnore, kIconStop, 0, &answer);
            FAILED(hr))
            _com_issue_errorex(hr, mpoProgress, IOxnProgress::kIid);
        if (answer == kAnswerAbort) {
            mpoProgress->Abort();
            *goOn = VARIANT_FALSE;
        } else {
            *goOn = VARIANT_TRUE;
        }
        return S_OK;
    });
}

HRESULT OxnBasicGetOpCallbackImpl::ConfirmFile(LONG, LONG, LONG, LONG, LONG, LONG, VARIANT* askAgain, LONG* answer) {
    if (!answer) return E_POINTER;
    const bool askAgainSet = askAgain && askAgain->vt != VT_EMPTY && askAgain->lVal != 0;
    if (mbAnswerKept && !askAgainSet) {
        *answer = mlKeptAnswer;
    } else {
        mlKeptAnswer = *answer;
        mbAnswerKept = true;
    }
    return S_OK;
}

HRESULT OxnBasicGetOpCallbackImpl::ForgetAnswers() {
    mbAnswerKept = false;
    return S_OK;
}

HRESULT OxnBasicGetOpCallbackImpl::SetFilePosition(LONG value) {
    if (mpoProgress) mpoProgress->SetSecondPosition(value);
    return S_OK;
}

HRESULT OxnBasicGetOpCallbackImpl::SetTotals(LONG done, LONG failed, LONG total) {
    return mpoProgress ? mpoProgress->SetTotals(done, failed, total) : S_FALSE;
}
