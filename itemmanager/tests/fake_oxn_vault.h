// The vault's public interface as the vault-interface back end's tests fake
// it: a vault object whose utilities (batch get, change state, delete) and
// progress object are owned by the test, answer what the test scripts, and
// write every call into one log ("get9 42 0x301": utility, slot, arguments).
// A utility can fail one slot with error info of its own, as the real vault
// does (ISupportErrorInfo for its interface).
#pragma once

#include "com/bstr.h"
#include "com/error_info.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "com_testing/bstr_text.h"
#include "com_testing/fake_parts.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "oxnvault/selection.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace oxn_test {

using namespace OxnVaultLib;
using com_testing::FakeReferenceCount;

struct OxnLog {
    std::vector<std::string> calls;
    void Add(std::string call) { calls.push_back(std::move(call)); }
};

inline std::string Utf8(BSTR text) {
    std::string out;
    for (char16_t c : com::BstrView(text)) out += static_cast<char>(c);
    return out;
}
inline std::string Hex(LONG value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

// Sets the thread's error info with `description` and gives `hr`.
inline HRESULT FailWithErrorInfo(HRESULT hr, const char16_t* description) {
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        create->SetDescription(description);
        IErrorInfo* info = nullptr;
        create->QueryInterface(IErrorInfo::kIid, reinterpret_cast<void**>(&info));
        SetErrorInfo(0, info);
        info->Release();
        create->Release();
    }
    return hr;
}

// IUnknown and IDispatch of a fake owned by the test.
#define OXN_FAKE_UNKNOWN                                                         \
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }      \
    ULONG STDMETHODCALLTYPE Release() override { return references_.Release(); } \
    FakeReferenceCount references_{FakeReferenceCount::Lifetime::kOwnedByTest};
#define OXN_FAKE_DISPATCH                                                                                             \
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }                                  \
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }                     \
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }    \
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { \
        return E_NOTIMPL;                                                                                             \
    }

// A failure scripted for one slot of a utility.
struct ScriptedFailure {
    int slot = 0;  // 0: none
    HRESULT hr = S_OK;
    HRESULT At(int called) const { return slot == called ? FailWithErrorInfo(hr, u"The vault refused.") : S_OK; }
};

// The support of error info that every utility gives for its interface.
template <class I>
class FakeErrorSupport : public ISupportErrorInfo {
public:
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == I::kIid ? S_OK : S_FALSE;
    }
};

// One entry of a result list.
struct ListEntry {
    std::u16string path;
    LONG fileId = 0;
    LONG folderId = 0;
};

class FakeListPosition final : public IOxnListPosition {
public:
    explicit FakeListPosition(size_t size) : size_(size) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return com_testing::AnswerQuery(
            object, riid == IID_IUnknown || riid == IID_IDispatch || riid == IOxnListPosition::kIid ? this : nullptr);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = references_.Release();
        if (left == 0) delete this;
        return left;
    }
    OXN_FAKE_DISPATCH
    HRESULT STDMETHODCALLTYPE IsAtEnd(VARIANT_BOOL* atEnd) override {
        *atEnd = next >= size_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    size_t next = 0;

private:
    size_t size_;
    FakeReferenceCount references_{FakeReferenceCount::Lifetime::kDeletedByLastRelease};
};

class FakeResultList final : public IOxnResultList {
    OxnLog& log_;

public:
    FakeResultList(OxnLog& log, std::string name) : log_(log), name_(std::move(name)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return com_testing::AnswerQuery(
            object, riid == IID_IUnknown || riid == IID_IDispatch || riid == IOxnResultList::kIid ? this : nullptr);
    }
    OXN_FAKE_UNKNOWN
    OXN_FAKE_DISPATCH
    HRESULT STDMETHODCALLTYPE IsEmpty(VARIANT_BOOL* empty) override {
        log_.Add(name_ + "7");
        *empty = entries.empty() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reserved8() override { return com_testing::UnexpectedCall("list 8"); }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return com_testing::UnexpectedCall("list 9"); }
    HRESULT STDMETHODCALLTYPE Reserved10() override { return com_testing::UnexpectedCall("list 10"); }
    HRESULT STDMETHODCALLTYPE GetFirstPosition(IOxnListPosition** position) override {
        *position = new FakeListPosition(entries.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNext(IOxnListPosition* position, BSTR* path, LONG* fileId, LONG* folderId) override {
        auto* at = static_cast<FakeListPosition*>(position);
        if (at->next >= entries.size()) return static_cast<HRESULT>(0x80040240);
        const ListEntry& entry = entries[at->next++];
        *path = SysAllocString(entry.path.c_str());
        *fileId = entry.fileId;
        *folderId = entry.folderId;
        return S_OK;
    }

    std::vector<ListEntry> entries;

private:
    std::string name_;
};

class FakeBatchGet final : public IOxnBatchGet, public FakeErrorSupport<IOxnBatchGet> {
    OxnLog& log_;

public:
    explicit FakeBatchGet(OxnLog& log) : log_(log) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        IUnknown* answer = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IOxnBatchGet::kIid)
            answer = static_cast<IOxnBatchGet*>(this);
        else if (riid == ISupportErrorInfo::kIid)
            answer = static_cast<ISupportErrorInfo*>(this);
        return com_testing::AnswerQuery(object, answer);
    }
    OXN_FAKE_UNKNOWN
    OXN_FAKE_DISPATCH

    HRESULT STDMETHODCALLTYPE AddSelection(IOxnVault11* vault, SAFEARRAY* selection) override {
        std::string call = "get7";
        VARTYPE type = VT_EMPTY;
        SafeArrayGetVartype(selection, &type);
        if (type != VT_RECORD || !vault) call += " <not a selection>";
        LONG lower = 0, upper = -1;
        SafeArrayGetLBound(selection, 1, &lower);
        SafeArrayGetUBound(selection, 1, &upper);
        OxnSelection* records = nullptr;
        SafeArrayAccessData(selection, reinterpret_cast<void**>(&records));
        for (LONG i = 0; i <= upper - lower; ++i)
            call += " " + std::to_string(records[i].fileId) + "/" + std::to_string(records[i].folderId);
        SafeArrayUnaccessData(selection);
        log_.Add(call);
        return failure.At(7);
    }
    HRESULT STDMETHODCALLTYPE AddFileVersion(IOxnVault11* vault, LONG fileId, LONG folderId, VARIANT version) override {
        log_.Add("get8 " + std::to_string(fileId) + "/" + std::to_string(folderId) +
                 (version.vt == VT_I4 ? " v" + std::to_string(version.lVal) : " <not VT_I4>") +
                 (vault ? "" : " <no vault>"));
        return failure.At(8);
    }
    HRESULT STDMETHODCALLTYPE BuildTree(LONG hWnd, LONG treeFlags) override {
        log_.Add("get9 " + std::to_string(hWnd) + " " + Hex(treeFlags));
        return failure.At(9);
    }
    HRESULT STDMETHODCALLTYPE ShowDialog(LONG hWnd, VARIANT_BOOL* ok) override {
        log_.Add("get10 " + std::to_string(hWnd));
        *ok = dialogOk ? VARIANT_TRUE : VARIANT_FALSE;
        return failure.At(10);
    }
    HRESULT STDMETHODCALLTYPE Run(LONG hWnd, IOxnGetOpCallback* callback) override {
        log_.Add("get11 " + std::to_string(hWnd) + (callback ? "" : " <no callback>"));
        if (callback && onRun) onRun(callback);
        if (HRESULT hr = failure.At(11); FAILED(hr)) return hr;
        return runResult;
    }
    HRESULT STDMETHODCALLTYPE GetFileCount(LONG* count) override {
        log_.Add("get12");
        *count = fileCount;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetResultList(LONG listKind, IOxnResultList** list) override {
        log_.Add("get13 " + std::to_string(listKind));
        *list = listKind == kListDone ? &done : &problems;
        (*list)->AddRef();
        return S_OK;
    }

    bool dialogOk = true;
    LONG fileCount = 1;
    HRESULT runResult = S_OK;
    ScriptedFailure failure;
    std::function<void(IOxnGetOpCallback*)> onRun;
    FakeResultList done{log_, "done"};
    FakeResultList problems{log_, "problems"};
};

class FakeBatchChangeState final : public IOxnBatchChangeState2, public FakeErrorSupport<IOxnBatchChangeState> {
    OxnLog& log_;

public:
    explicit FakeBatchChangeState(OxnLog& log) : log_(log) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        IUnknown* answer = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IOxnBatchChangeState::kIid ||
            (riid == IOxnBatchChangeState2::kIid && revokes))
            answer = static_cast<IOxnBatchChangeState2*>(this);
        else if (riid == ISupportErrorInfo::kIid)
            answer = static_cast<ISupportErrorInfo*>(this);
        return com_testing::AnswerQuery(object, answer);
    }
    OXN_FAKE_UNKNOWN
    OXN_FAKE_DISPATCH

    HRESULT STDMETHODCALLTYPE AddFile(LONG fileId, LONG folderId) override {
        log_.Add("cs7 " + std::to_string(fileId) + "/" + std::to_string(folderId));
        return failure.At(7);
    }
    HRESULT STDMETHODCALLTYPE SetTransition(BSTR name, VARIANT_BOOL* found) override {
        log_.Add("cs8 " + Utf8(name));
        *found = transitionFound ? VARIANT_TRUE : VARIANT_FALSE;
        return failure.At(8);
    }
    HRESULT STDMETHODCALLTYPE ShowDialog(LONG hWnd, VARIANT_BOOL* ok) override {
        log_.Add("cs9 " + std::to_string(hWnd));
        *ok = dialogOk ? VARIANT_TRUE : VARIANT_FALSE;
        return failure.At(9);
    }
    HRESULT STDMETHODCALLTYPE Run(LONG hWnd, LONG reserved) override {
        log_.Add("cs10 " + std::to_string(hWnd) + " " + std::to_string(reserved));
        return failure.At(10);
    }
    HRESULT STDMETHODCALLTYPE Reserved11() override { return com_testing::UnexpectedCall("change state 11"); }
    HRESULT STDMETHODCALLTYPE Reserved12() override { return com_testing::UnexpectedCall("change state 12"); }
    HRESULT STDMETHODCALLTYPE GetResultList(LONG listKind, IOxnResultList** list) override {
        log_.Add("cs13 " + std::to_string(listKind));
        *list = &changed;
        changed.AddRef();
        return failure.At(13);
    }
    HRESULT STDMETHODCALLTYPE SetOption(LONG option, LONG value) override {
        log_.Add("cs14 " + std::to_string(option) + " " + std::to_string(value));
        return failure.At(14);
    }
    HRESULT STDMETHODCALLTYPE SetRevokeTransition(BSTR name, VARIANT_BOOL* found) override {
        log_.Add("cs15 " + Utf8(name));
        *found = transitionFound ? VARIANT_TRUE : VARIANT_FALSE;
        return failure.At(15);
    }

    bool revokes = true;  // answers the extension
    bool transitionFound = true;
    bool dialogOk = true;
    ScriptedFailure failure;
    FakeResultList changed{log_, "changed"};
};

class FakeBatchDelete final : public IOxnBatchDelete,
                              public IOxnBatchDeleteSource,
                              public FakeErrorSupport<IOxnBatchDelete> {
    OxnLog& log_;

public:
    explicit FakeBatchDelete(OxnLog& log) : log_(log) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        IUnknown* answer = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IOxnBatchDelete::kIid)
            answer = static_cast<IOxnBatchDelete*>(this);
        else if (riid == IOxnBatchDeleteSource::kIid && hasSource)
            answer = static_cast<IOxnBatchDeleteSource*>(this);
        else if (riid == ISupportErrorInfo::kIid)
            answer = static_cast<ISupportErrorInfo*>(this);
        return com_testing::AnswerQuery(object, answer);
    }
    OXN_FAKE_UNKNOWN
    OXN_FAKE_DISPATCH

    HRESULT STDMETHODCALLTYPE AddFolder(VARIANT folderId) override {
        log_.Add("del7 " + (folderId.vt == VT_I4 ? std::to_string(folderId.lVal) : std::string("<not VT_I4>")));
        return failure.At(7);
    }
    HRESULT STDMETHODCALLTYPE AddFile(LONG fileId, LONG folderId) override {
        log_.Add("del8 " + std::to_string(fileId) + "/" + std::to_string(folderId));
        return failure.At(8);
    }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return com_testing::UnexpectedCall("delete 9"); }
    HRESULT STDMETHODCALLTYPE SetDestroy(VARIANT_BOOL destroy, LONG reserved) override {
        log_.Add("del10 " + std::to_string(destroy) + " " + std::to_string(reserved));
        return failure.At(10);
    }
    HRESULT STDMETHODCALLTYPE ShowDialog(LONG hWnd, VARIANT_BOOL* ok) override {
        log_.Add("del11 " + std::to_string(hWnd));
        *ok = dialogOk ? VARIANT_TRUE : VARIANT_FALSE;
        return failure.At(11);
    }
    HRESULT STDMETHODCALLTYPE Run(LONG hWnd, LONG reserved, VARIANT_BOOL* succeeded) override {
        log_.Add("del12 " + std::to_string(hWnd) + " " + std::to_string(reserved));
        *succeeded = runSucceeds ? VARIANT_TRUE : VARIANT_FALSE;
        return failure.At(12);
    }
    HRESULT STDMETHODCALLTYPE ShowErrors(LONG hWnd) override {
        log_.Add("del13 " + std::to_string(hWnd));
        return failure.At(13);
    }
    HRESULT STDMETHODCALLTYPE Reserved3() override { return com_testing::UnexpectedCall("delete source 3"); }
    HRESULT STDMETHODCALLTYPE SetSource(LONG reserved, LONG viewServerId) override {
        log_.Add("src4 " + std::to_string(reserved) + " " + std::to_string(viewServerId));
        return S_OK;
    }

    bool hasSource = true;
    bool dialogOk = true;
    bool runSucceeds = true;
    ScriptedFailure failure;
};

// The vault object: hands out the test's utilities by kind.
class FakeOxnVault final : public IOxnVault11, public FakeErrorSupport<IOxnVault11> {
    OxnLog& log_;

public:
    explicit FakeOxnVault(OxnLog& log) : log_(log) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        IUnknown* answer = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IOxnVault11::kIid)
            answer = static_cast<IOxnVault11*>(this);
        else if (riid == ISupportErrorInfo::kIid)
            answer = static_cast<ISupportErrorInfo*>(this);
        return com_testing::AnswerQuery(object, answer);
    }
    OXN_FAKE_UNKNOWN
    OXN_FAKE_DISPATCH
#define OXN_RESERVED(n) \
    HRESULT STDMETHODCALLTYPE Reserved##n() override { return com_testing::UnexpectedCall("vault " #n); }
    OXN_RESERVED(7)
    OXN_RESERVED(8) OXN_RESERVED(9) OXN_RESERVED(10) OXN_RESERVED(11) OXN_RESERVED(12) OXN_RESERVED(13) OXN_RESERVED(14)
        OXN_RESERVED(15) OXN_RESERVED(16) OXN_RESERVED(17) OXN_RESERVED(18) OXN_RESERVED(19) OXN_RESERVED(20)
            OXN_RESERVED(21) OXN_RESERVED(22) OXN_RESERVED(23) OXN_RESERVED(24) OXN_RESERVED(25) OXN_RESERVED(26)
                OXN_RESERVED(27) OXN_RESERVED(28) OXN_RESERVED(29) OXN_RESERVED(30) OXN_RESERVED(31) OXN_RESERVED(32)
                    OXN_RESERVED(33)
#undef OXN_RESERVED
                        HRESULT STDMETHODCALLTYPE CreateUtility(LONG kind, IDispatch** utility) override {
        log_.Add("vault34 " + std::to_string(kind));
        *utility = nullptr;
        if (createFailure != S_OK) return FailWithErrorInfo(createFailure, u"No utility today.");
        if (kind == kUtilityBatchGet) *utility = static_cast<IOxnBatchGet*>(&get);
        if (kind == kUtilityBatchChangeState) *utility = static_cast<IOxnBatchChangeState2*>(&change);
        if (kind == kUtilityBatchDelete) *utility = static_cast<IOxnBatchDelete*>(&remove);
        if (!*utility) return E_INVALIDARG;
        (*utility)->AddRef();
        return S_OK;
    }

    HRESULT createFailure = S_OK;
    FakeBatchGet get{log_};
    FakeBatchChangeState change{log_};
    FakeBatchDelete remove{log_};
};

// The vault client's progress object: logs its slots and answers as
// scripted.
class FakeOxnProgress final : public IOxnProgress, public FakeErrorSupport<IOxnProgress> {
    OxnLog& log_;

public:
    explicit FakeOxnProgress(OxnLog& log) : log_(log) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        IUnknown* answer = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IOxnProgress::kIid)
            answer = static_cast<IOxnProgress*>(this);
        else if (riid == ISupportErrorInfo::kIid)
            answer = static_cast<ISupportErrorInfo*>(this);
        return com_testing::AnswerQuery(object, answer);
    }
    OXN_FAKE_UNKNOWN
    OXN_FAKE_DISPATCH
#define OXN_RESERVED(n) \
    HRESULT STDMETHODCALLTYPE Reserved##n() override { return com_testing::UnexpectedCall("progress " #n); }
    OXN_RESERVED(7)
    OXN_RESERVED(8) OXN_RESERVED(9) OXN_RESERVED(10) OXN_RESERVED(11) OXN_RESERVED(13) OXN_RESERVED(14) OXN_RESERVED(16)
        OXN_RESERVED(21) OXN_RESERVED(23) OXN_RESERVED(24) OXN_RESERVED(25) OXN_RESERVED(26) OXN_RESERVED(27)
            OXN_RESERVED(29) OXN_RESERVED(30) OXN_RESERVED(31) OXN_RESERVED(32) OXN_RESERVED(33) OXN_RESERVED(34)
                OXN_RESERVED(35) OXN_RESERVED(36) OXN_RESERVED(37) OXN_RESERVED(38) OXN_RESERVED(39) OXN_RESERVED(40)
                    OXN_RESERVED(41) OXN_RESERVED(46)
#undef OXN_RESERVED

                        HRESULT STDMETHODCALLTYPE StepText(BSTR text, LONG increment) override {
        log_.Add("p12 '" + Utf8(text) + "' " + std::to_string(increment));
        return cancelled ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetWindow(LONG* hWnd) override {
        log_.Add("p15");
        *hWnd = window;
        return windowFailure;
    }
    HRESULT STDMETHODCALLTYPE Abort() override {
        log_.Add("p17");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Open(BSTR caption, BSTR text, LONG minimum, LONG maximum, LONG position,
                                   LONG style) override {
        log_.Add("p18 '" + Utf8(caption) + "' '" + Utf8(text) + "' " + std::to_string(minimum) + " " +
                 std::to_string(maximum) + " " + std::to_string(position) + " " + std::to_string(style));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE StepDone() override {
        log_.Add("p19");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetOwner(LONG hWndOwner) override {
        log_.Add("p20");
        owner = hWndOwner;
        return ownerFailure;
    }
    HRESULT STDMETHODCALLTYPE ShowMessage(BSTR caption, BSTR message, LONG buttons, LONG icon, LONG reserved,
                                          LONG* answer) override {
        log_.Add("p22 '" + Utf8(caption) + "' '" + Utf8(message) + "' " + std::to_string(buttons) + " " +
                 std::to_string(icon) + " " + std::to_string(reserved) + " " + std::to_string(*answer));
        if (FAILED(messageFailure)) return FailWithErrorInfo(messageFailure, u"No box today.");
        *answer = messageAnswer;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetTotals(LONG done, LONG failed, LONG total) override {
        log_.Add("p28 " + std::to_string(done) + " " + std::to_string(failed) + " " + std::to_string(total));
        return totalsResult;
    }
    HRESULT STDMETHODCALLTYPE SetSecondPosition(LONG value) override {
        log_.Add("p42 " + std::to_string(value));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BeginOperation(BSTR caption, BSTR text, LONG minimum, LONG value, LONG position,
                                             LONG step) override {
        log_.Add("p43 '" + Utf8(caption) + "' '" + Utf8(text) + "' " + std::to_string(minimum) + " " +
                 std::to_string(value) + " " + std::to_string(position) + " " + std::to_string(step));
        return beginResult;
    }
    HRESULT STDMETHODCALLTYPE SetRange(LONG value) override {
        log_.Add("p44 " + std::to_string(value));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSecondText(BSTR text, LONG position) override {
        log_.Add("p45 '" + Utf8(text) + "' " + std::to_string(position));
        return cancelled ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetText(BSTR text) override {
        log_.Add("p47 '" + Utf8(text) + "'");
        return S_OK;
    }

    bool cancelled = false;  // StepText and SetSecondText answer S_FALSE
    LONG window = 4242;
    HRESULT windowFailure = S_OK;
    HRESULT ownerFailure = S_OK;
    LONG owner = -1;
    LONG messageAnswer = 1;
    HRESULT messageFailure = S_OK;
    HRESULT totalsResult = S_OK;
    HRESULT beginResult = S_OK;
};

}  // namespace oxn_test
