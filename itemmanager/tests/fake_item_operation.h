// A fake of the item generation server's ItemOperation, served in the test's
// own process under its real class id while a ServedItemOperation lives. It
// records what the item server gives it, answers what the test's script
// says, and counts the objects made and gone, so a test sees that every
// call releases its operation. A failing call leaves error info for
// IItemOperation, as the server does.
#pragma once

#include "com/bstr.h"
#include "com/error_info.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/fake_parts.h"
#include "com_testing/pending_error_info.h"
#include "common/record_array.h"
#include "coravent/ids.h"
#include "coravent/interfaces.h"
#include "coravent/records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace generation_fakes {

// One ItemData of a selection, as the tests compare them.
struct SelectionRow {
    LONG document = 0;
    LONG project = 0;
    LONG folder = 0;
    std::u16string name;
    bool operator==(const SelectionRow&) const = default;
};

// What the operation answers, and what it was given.
struct OperationScript {
    // The results of the calls, by name ("Init", "AddSelection",
    // "InitTreeDlg", "InitTreeDlg2", "ShowDlg", "GetSelection",
    // "DoGenerateItems", "CreateTree"); S_OK when not named. A failing call
    // leaves error info with the description "<call> failed".
    std::function<HRESULT(const std::string&)> result = [](const std::string&) { return S_OK; };
    VARIANT_BOOL notEmpty = VARIANT_TRUE;  // of InitTreeDlg and InitTreeDlg2
    VARIANT_BOOL accepted = VARIANT_TRUE;  // of ShowDlg
    LONG chosenFolder = 99;                // what ShowDlg writes as the folder chosen
    // The new arrays GetSelection and DoGenerateItems hand back (null
    // makers: none, the out-array left as it is).
    std::function<SAFEARRAY*()> selection;
    std::function<SAFEARRAY*()> generated;

    int created = 0;
    int destroyed = 0;
    std::vector<std::string> calls;
    CoraventLib::InitData init{};  // its strings are kept below
    std::u16string rootPath = u"<null>";
    std::u16string computerName = u"<null>";
    std::vector<SelectionRow> given;
    std::vector<ULONGLONG> windows;  // of every dialog call, in order
    LONG currentLinks = -1;          // elements of InitTreeDlg2's links (-1: null)
    LONG showFlags = -1;
    LONG folderOnEntry = -1;           // ShowDlg's folder when called
    VARIANT_BOOL acceptedOnEntry = 7;  // ShowDlg's and CreateTree's flag when called
    LONG generateFolder = -1;          // DoGenerateItems' folder
};

inline OperationScript* gScript = nullptr;

inline std::u16string TextOrNull(BSTR text) { return text ? com_testing::Text(text) : u"<null>"; }

class FakeItemOperation final : public CoraventLib::IItemOperation, public ISupportErrorInfo {
public:
    explicit FakeItemOperation(OperationScript& script) : script_(script) { ++script_.created; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown || iid == CoraventLib::IItemOperation::kIid)
            answer = static_cast<CoraventLib::IItemOperation*>(this);
        if (iid == ISupportErrorInfo::kIid) answer = static_cast<ISupportErrorInfo*>(this);
        return com_testing::AnswerQuery(out, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = references_.Release();
        if (left == 0) {
            ++script_.destroyed;
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == CoraventLib::IItemOperation::kIid ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Init(CoraventLib::InitData data) override {
        script_.init = data;
        script_.rootPath = TextOrNull(data.moRootPath);
        script_.computerName = TextOrNull(data.moComputerName);
        script_.init.moRootPath = script_.init.moComputerName = nullptr;
        return Answer("Init");
    }
    HRESULT STDMETHODCALLTYPE AddSelection(SAFEARRAY* items) override {
        script_.given.clear();
        RecordArray<CoraventLib::ItemData> records(items);
        for (const CoraventLib::ItemData* r = records.mpoBegin(); r != records.mpoEnd(); ++r)
            script_.given.push_back({r->mlDocumentID, r->mlProjectID, r->mlItemFolderID, TextOrNull(r->mbsItemName)});
        return Answer("AddSelection");
    }
    HRESULT STDMETHODCALLTYPE InitTreeDlg(ULONGLONG window, VARIANT_BOOL* notEmpty) override {
        script_.windows.push_back(window);
        *notEmpty = script_.notEmpty;
        return Answer("InitTreeDlg");
    }
    HRESULT STDMETHODCALLTYPE InitTreeDlg2(ULONGLONG window, SAFEARRAY* links, VARIANT_BOOL* notEmpty) override {
        script_.windows.push_back(window);
        script_.currentLinks = links ? static_cast<LONG>(links->rgsabound[0].cElements) : -1;
        *notEmpty = script_.notEmpty;
        return Answer("InitTreeDlg2");
    }
    HRESULT STDMETHODCALLTYPE ShowDlg(ULONGLONG window, LONG flags, LONG* folder, VARIANT_BOOL* accepted) override {
        script_.windows.push_back(window);
        script_.showFlags = flags;
        script_.folderOnEntry = *folder;
        script_.acceptedOnEntry = *accepted;
        *folder = script_.chosenFolder;
        *accepted = script_.accepted;
        return Answer("ShowDlg");
    }
    HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** records) override {
        if (script_.selection) *records = script_.selection();
        return Answer("GetSelection");
    }
    HRESULT STDMETHODCALLTYPE GenerateItems(SAFEARRAY**) override {
        return com_testing::UnexpectedCall("GenerateItems");
    }
    HRESULT STDMETHODCALLTYPE DoGenerateItems(LONG folder, SAFEARRAY** generated, VARIANT_BOOL* openItems) override {
        script_.generateFolder = folder;
        *generated = script_.generated ? script_.generated() : nullptr;
        *openItems = VARIANT_FALSE;
        return Answer("DoGenerateItems");
    }
    HRESULT STDMETHODCALLTYPE CreateTree(ULONGLONG window, VARIANT_BOOL* result) override {
        script_.windows.push_back(window);
        script_.acceptedOnEntry = *result;  // left unwritten, as the server does
        return Answer("CreateTree");
    }

private:
    ~FakeItemOperation() = default;
    HRESULT Answer(const std::string& call) {
        script_.calls.push_back(call);
        const HRESULT hr = script_.result(call);
        if (FAILED(hr)) com_testing::SetPendingErrorInfo(Wide(call + " failed").c_str());
        return hr;
    }
    static std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

    OperationScript& script_;
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kDeletedByLastRelease};
};

// Serves the operation class with `script` while it lives.
class ServedItemOperation {
public:
    explicit ServedItemOperation(OperationScript& script) {
        gScript = &script;
        EXPECT_EQ(CoRegisterClassObject(CoraventLib::CLSID_ItemOperation, &factory_, CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie_),
                  S_OK);
    }
    ~ServedItemOperation() {
        if (cookie_) CoRevokeClassObject(cookie_);
        gScript = nullptr;
    }
    ServedItemOperation(const ServedItemOperation&) = delete;
    ServedItemOperation& operator=(const ServedItemOperation&) = delete;

private:
    com_testing::CountingClassFactory factory_{[] {
        return static_cast<IUnknown*>(static_cast<CoraventLib::IItemOperation*>(new FakeItemOperation(*gScript)));
    }};
    DWORD cookie_ = 0;
};

}  // namespace generation_fakes
