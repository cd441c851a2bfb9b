// The item progress window (IItmProgress) as tests script it: owned by the
// test, it writes every call into its log ("Show 'Check In' 1",
// "SetRange 3 ''", "SetPos 1 'C:\V\A'", "ResetPos", "Close",
// "Ask 'Check In' '<text>' 26"), answers Ask with the next scripted button
// and reports a cancel from a scripted bar position on.
#pragma once

#include "com/bstr.h"
#include "com_testing/fake_parts.h"
#include "common/error_codes.h"
#include "itemstore/progress/itm_progress.h"
#include "winapi/text.h"

#include <deque>
#include <string>
#include <vector>

namespace itemmanager_test {

class ScriptedItemProgress final : public IItmProgress {
public:
    // One question as Ask was given it.
    struct AskCall {
        std::u16string caption;
        std::u16string text;
        LONG buttons;
    };

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        bool known = riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IItmProgress;
        return com_testing::AnswerQuery(object, known ? static_cast<IItmProgress*>(this) : nullptr);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return count_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return count_.Release(); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE Show(BSTR caption, LONG layout) override {
        log.push_back("Show '" + Utf8(caption) + "' " + std::to_string(layout));
        return showResult;
    }
    HRESULT STDMETHODCALLTYPE Close() override {
        log.push_back("Close");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetRange(LONG maximum, BSTR line1) override {
        log.push_back("SetRange " + std::to_string(maximum) + " '" + Utf8(line1) + "'");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetPos(LONG position, BSTR line2) override {
        log.push_back("SetPos " + std::to_string(position) + " '" + Utf8(line2) + "'");
        return position >= cancelFrom ? E_OXN_CANCELLED_BY_USER : S_OK;
    }
    HRESULT STDMETHODCALLTYPE ResetPos() override {
        log.push_back("ResetPos");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Ask(BSTR caption, BSTR text, LONG buttons, LONG* answer) override {
        log.push_back("Ask '" + Utf8(caption) + "' '" + Utf8(text) + "' " + std::to_string(buttons));
        asked.push_back({com::BstrText(caption), com::BstrText(text), buttons});
        if (FAILED(askResult)) return askResult;
        if (answers.empty()) return com_testing::UnexpectedCall("Ask without a scripted answer");
        *answer = answers.front();
        answers.pop_front();
        return S_OK;
    }

    ULONG References() const { return count_.Count(); }

    std::vector<std::string> log;
    std::vector<AskCall> asked;
    // The buttons Ask answers with, in order.
    std::deque<LONG> answers;
    HRESULT showResult = S_OK;
    HRESULT askResult = S_OK;
    // SetPos reports the user's cancel from this position on.
    LONG cancelFrom = 0x7FFFFFFF;

private:
    static std::string Utf8(BSTR text) { return winapi::ToUtf8(com::BstrView(text)); }

    com_testing::FakeReferenceCount count_{com_testing::FakeReferenceCount::Lifetime::kOwnedByTest};
};

}  // namespace itemmanager_test
