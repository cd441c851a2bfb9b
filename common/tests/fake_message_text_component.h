// A message-text component for the tests of the error catalogue: it serves
// the component's class in this process (CoRegisterClassObject), so that
// CoCreateInstance finds it, answers by a script and writes down every call.
#pragma once

#include "com/runtime.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/fake_parts.h"
#include "common/message_text_component.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace catalogue_testing {

// What the fakes answer, and what they were asked.
struct MessageTextScript {
    // Slot 9's answer: S_OK, or S_FALSE for "no texts for this key".
    bool hasTexts = true;
    // The texts by string id; other ids get none. With a context, slot 8
    // gives the text followed by " @" and the context opened.
    std::map<LONG, std::u16string> texts;

    // Every call, written as "GetText(40, ErrorCodes)", in order, from all
    // the fakes made.
    std::vector<std::u16string> calls;
    int live = 0;  // fakes not yet destroyed
};

class FakeMessageTexts final : public com_testing::UnexpectedDispatch<IMessageTextsWithContext> {
public:
    explicit FakeMessageTexts(MessageTextScript& script) : script_(script) { ++script_.live; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid == IMessageTexts::kIid) script_.calls.push_back(u"QueryInterface(IMessageTexts)");
        if (riid == IMessageTextsWithContext::kIid)
            script_.calls.push_back(u"QueryInterface(IMessageTextsWithContext)");
        const bool answers = riid == IID_IUnknown || riid == IID_IDispatch || riid == IMessageTexts::kIid ||
                             riid == IMessageTextsWithContext::kIid;
        return com_testing::AnswerQuery(object, answers ? this : nullptr);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = references_.Release();
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE UnusedSlot7() override { return com_testing::UnexpectedCall("UnusedSlot7"); }

    HRESULT STDMETHODCALLTYPE GetText(LONG id, BSTR section, BSTR* text) override {
        script_.calls.push_back(u"GetText(" + Number(id) + u", " + Text(section) + u")");
        *text = nullptr;
        auto found = script_.texts.find(id);
        if (found == script_.texts.end()) return S_FALSE;
        std::u16string answer = found->second;
        if (!context_.empty()) answer += u" @" + context_;
        *text = SysAllocStringLen(answer.data(), static_cast<UINT>(answer.size()));
        return *text != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE Open(BSTR caption, BSTR key) override {
        script_.calls.push_back(u"Open(" + Text(caption) + u", " + Text(key) + u")");
        return script_.hasTexts ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE OpenWithContext(BSTR caption, BSTR key, BSTR context) override {
        script_.calls.push_back(u"OpenWithContext(" + Text(caption) + u", " + Text(key) + u", " + Text(context) + u")");
        context_ = Text(context);
        return script_.hasTexts ? S_OK : S_FALSE;
    }

private:
    ~FakeMessageTexts() { --script_.live; }

    static std::u16string Text(BSTR bstr) { return com::BstrText(bstr); }
    static std::u16string Number(LONG value) {
        std::string digits = std::to_string(value);
        return std::u16string(digits.begin(), digits.end());
    }

    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kDeletedByLastRelease};
    MessageTextScript& script_;
    std::u16string context_;
};

// Serves the component's class with fakes that follow `script` for as long
// as it lives; the thread must have joined the component runtime.
class RegisteredMessageTexts {
public:
    explicit RegisteredMessageTexts(MessageTextScript& script) {
        current_ = &script;
        EXPECT_EQ(
            CoRegisterClassObject(CLSID_MessageTexts, &factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_),
            S_OK);
    }
    ~RegisteredMessageTexts() {
        CoRevokeClassObject(cookie_);
        current_ = nullptr;
    }
    RegisteredMessageTexts(const RegisteredMessageTexts&) = delete;
    RegisteredMessageTexts& operator=(const RegisteredMessageTexts&) = delete;

    // Components made so far.
    int Created() const { return factory_.Created(); }

private:
    // The class object's maker takes no state: the script being served.
    static inline MessageTextScript* current_ = nullptr;

    com_testing::CountingClassFactory factory_{
        [] { return static_cast<IUnknown*>(static_cast<IMessageTexts*>(new FakeMessageTexts(*current_))); }};
    DWORD cookie_ = 0;
};

}  // namespace catalogue_testing
