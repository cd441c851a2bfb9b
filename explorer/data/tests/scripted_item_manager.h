// The item manager (IItmManager2) as the data layer's tests script it: owned
// by the test, it records every call with the objects and values it was
// given, and answers each with the next answer scripted for that method (by
// default S_OK and empty outs). What it hands out follows the manager's
// contract: every [out] array and record is new, for the caller to destroy;
// the [in] arrays stay the caller's. A scripted failure can leave error info
// that belongs to the call (ISupportErrorInfo says so for both interfaces).
#pragma once

#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "bellquist/records.h"
#include "bellquist/type_library.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/error_info.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "com_testing/fake_parts.h"
#include "com_testing/pending_error_info.h"
#include "common/record_array.h"
#include "winapi/text.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace explorer_test {

// One call the manager got.
struct ItemManagerCall {
    std::string method;
    // The objects it was given: the elements of its item array (null for an
    // element that is no object), or its one object (the folder to list, the
    // parent, the item to rename...).
    std::vector<CComPtr<BellquistLib::IItmObject>> items;
    // Its numeric arguments in order: flags, levels, versions, window values;
    // a VARIANT_BOOL as -1 or 0.
    std::vector<LONG> numbers;
    // Its texts in order: names, transitions, the paths of a path array.
    std::vector<std::u16string> texts;
    // The manager's references while it ran (the caller's included).
    ULONG references = 0;
};

// What one call answers.
struct ScriptedAnswer {
    HRESULT hr = S_OK;
    // Left as the call's error info when set and hr fails.
    std::u16string errorDescription;
    // The call's [out] item array: made when it holds objects or
    // `emptyArray` is set, even beside a failure; otherwise the out is null.
    std::vector<CComPtr<BellquistLib::IItmObject>> items;
    bool emptyArray = false;
    // The call's one [out] object: the new item or folder, the listed folder
    // (EnumItemFolder replaces its in/out object with it when set), the parent
    // of LinkFileFromFilePath, CoCreateItem's object, a transaction manager.
    CComPtr<IUnknown> object;
    // BatchGetTrees and BatchRefreshTrees: the deleted and destroyed objects,
    // handed out as a record array when the caller asks for one and any are
    // given.
    std::vector<BellquistLib::DelOrDestroyed> deleted;
    // GetMenuInfo: the enable flags and the user's rights.
    ULONG enableFlags = 0;
    ULONG userRights = 0;
    // Login and Login2; `spMgr` is the connection's pointer value, whose
    // reference goes to the caller with the record.
    LONG userID = 0;
    LONG rootItemFolderID = 1;
    std::u16string userName;
    ULONGLONG spMgr = 0;
    // ExistInFileCache.
    bool exists = false;
};

class ScriptedItemManager final : public BellquistLib::IItmManager2, public ISupportErrorInfo {
public:
    ScriptedItemManager() { BellquistLib::RegisterRecords(); }

    // Queues `answer` for the next call of `method` ("BatchGetTrees"); calls
    // beyond the queue get `fallback`'s answer for that method when one was
    // set, else the default one.
    void Script(const std::string& method, ScriptedAnswer answer) { queued_[method].push_back(std::move(answer)); }
    void ScriptAlways(const std::string& method, ScriptedAnswer answer) { fallback_[method] = std::move(answer); }

    // The calls in order, and those of one method.
    std::vector<ItemManagerCall> calls;
    std::vector<const ItemManagerCall*> CallsOf(const std::string& method) const {
        std::vector<const ItemManagerCall*> found;
        for (const ItemManagerCall& call : calls)
            if (call.method == method) found.push_back(&call);
        return found;
    }
    std::vector<std::string> Methods() const {
        std::vector<std::string> names;
        for (const ItemManagerCall& call : calls) names.push_back(call.method);
        return names;
    }
    ULONG References() const { return count_.Count(); }

    // IUnknown, ISupportErrorInfo.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        IUnknown* answer = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == BellquistLib::IItmManager::kIid ||
            riid == BellquistLib::IItmManager2::kIid)
            answer = static_cast<BellquistLib::IItmManager2*>(this);
        else if (riid == IID_ISupportErrorInfo)
            answer = static_cast<ISupportErrorInfo*>(this);
        return com_testing::AnswerQuery(object, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return count_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return count_.Release(); }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == BellquistLib::IItmManager::kIid || riid == BellquistLib::IItmManager2::kIid ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override {
        return com_testing::UnexpectedCall("GetTypeInfoCount");
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
        return com_testing::UnexpectedCall("GetTypeInfo");
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return com_testing::UnexpectedCall("GetIDsOfNames");
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return com_testing::UnexpectedCall("Invoke");
    }

    // IItmManager.
    HRESULT STDMETHODCALLTYPE Init(BellquistLib::InitData data) override {
        ItemManagerCall& call = Record("Init");
        // The owner window as its 32-bit value, and 1 when a vault object came.
        call.numbers = {data.meClientType, data.mlViewServerID, static_cast<LONG>(data.hParentWndHandle),
                        data.mllOxnVault != 0 ? 1 : 0};
        call.texts = {Text(data.moDomainName), Text(data.moComputerName), Text(data.moViewPath)};
        return Finish(Next("Init"));
    }
    HRESULT STDMETHODCALLTYPE Login(BSTR vaultName, BellquistLib::LoginDataOut* out) override {
        Record("Login").texts = {Text(vaultName)};
        return AnswerLogin(Next("Login"), out);
    }
    HRESULT STDMETHODCALLTYPE LogOut() override {
        Record("LogOut");
        return Finish(Next("LogOut"));
    }
    HRESULT STDMETHODCALLTYPE EnumItemFolder(BellquistLib::IItmObject** folder, SAFEARRAY** items) override {
        ItemManagerCall& call = Record("EnumItemFolder");
        if (folder) call.items.emplace_back(*folder);
        const ScriptedAnswer answer = Next("EnumItemFolder");
        if (folder && answer.object) {
            CComQIPtr<BellquistLib::IItmObject> replacement(answer.object.GetInterfacePtr());
            if (*folder) (*folder)->Release();
            *folder = replacement.Detach();
        }
        GiveItems(answer, items);
        return Finish(answer);
    }
    HRESULT STDMETHODCALLTYPE GenerateItemFromFile(SAFEARRAY* files, BellquistLib::IItmObject* destination,
                                                   SAFEARRAY** items) override {
        ItemManagerCall& call = Record("GenerateItemFromFile", files);
        call.items.emplace_back(destination);
        return AnswerItems(Next("GenerateItemFromFile"), items);
    }
    HRESULT STDMETHODCALLTYPE GenerateItemFromFilePath(SAFEARRAY* paths, BellquistLib::IItmObject* destination,
                                                       SAFEARRAY** items) override {
        ItemManagerCall& call = Record("GenerateItemFromFilePath");
        call.items.emplace_back(destination);
        call.texts = Texts(paths);
        return AnswerItems(Next("GenerateItemFromFilePath"), items);
    }
    HRESULT STDMETHODCALLTYPE CreateNewItem(BellquistLib::IItmObject* parent, BellquistLib::IItmItem** item) override {
        Record("CreateNewItem").items.emplace_back(parent);
        return AnswerObject(Next("CreateNewItem"), item);
    }
    HRESULT STDMETHODCALLTYPE CreateNewItemFolder(BellquistLib::IItmObject* parent, BSTR name,
                                                  BellquistLib::IItmFolder** folder) override {
        ItemManagerCall& call = Record("CreateNewItemFolder");
        call.items.emplace_back(parent);
        call.texts = {Text(name)};
        return AnswerObject(Next("CreateNewItemFolder"), folder);
    }
    HRESULT STDMETHODCALLTYPE GetLatestVersion(SAFEARRAY* items, SAFEARRAY** returned, VARIANT_BOOL silent,
                                               VARIANT_BOOL copyMetaDataIfLocked) override {
        Record("GetLatestVersion", items).numbers = {silent, copyMetaDataIfLocked};
        return AnswerItems(Next("GetLatestVersion"), returned);
    }
    HRESULT STDMETHODCALLTYPE GetSpecificVersion(BellquistLib::IItmObject* item, LONG version,
                                                 SAFEARRAY** returned) override {
        ItemManagerCall& call = Record("GetSpecificVersion");
        call.items.emplace_back(item);
        call.numbers = {version};
        return AnswerItems(Next("GetSpecificVersion"), returned);
    }
    HRESULT STDMETHODCALLTYPE CheckIn(SAFEARRAY* items, LONG parentWindow) override {
        Record("CheckIn", items).numbers = {parentWindow};
        return Finish(Next("CheckIn"));
    }
    HRESULT STDMETHODCALLTYPE CheckOut(SAFEARRAY* items, VARIANT_BOOL silent) override {
        Record("CheckOut", items).numbers = {silent};
        return Finish(Next("CheckOut"));
    }
    HRESULT STDMETHODCALLTYPE UndoCheckOut(SAFEARRAY* items, LONG parentWindow) override {
        Record("UndoCheckOut", items).numbers = {parentWindow};
        return Finish(Next("UndoCheckOut"));
    }
    HRESULT STDMETHODCALLTYPE ChangeState(SAFEARRAY* items, BSTR transition, SAFEARRAY** changed) override {
        Record("ChangeState", items).texts = {Text(transition)};
        return AnswerItems(Next("ChangeState"), changed);
    }
    HRESULT STDMETHODCALLTYPE LinkFileFromFilePath(SAFEARRAY* paths, BellquistLib::IItmObject** parent,
                                                   SAFEARRAY** items) override {
        ItemManagerCall& call = Record("LinkFileFromFilePath");
        if (parent) call.items.emplace_back(*parent);
        call.texts = Texts(paths);
        const ScriptedAnswer answer = Next("LinkFileFromFilePath");
        if (parent && answer.object) {
            CComQIPtr<BellquistLib::IItmObject> replacement(answer.object.GetInterfacePtr());
            if (*parent) (*parent)->Release();
            *parent = replacement.Detach();
        }
        return AnswerItems(answer, items);
    }
    HRESULT STDMETHODCALLTYPE Delete(VARIANT_BOOL destroy, SAFEARRAY* items) override {
        Record("Delete", items).numbers = {destroy};
        return Finish(Next("Delete"));
    }
    HRESULT STDMETHODCALLTYPE IncrRevision(SAFEARRAY* items) override {
        Record("IncrRevision", items);
        return Finish(Next("IncrRevision"));
    }
    HRESULT STDMETHODCALLTYPE Move(SAFEARRAY* items, BellquistLib::IItmFolder* destination) override {
        Record("Move", items).items.emplace_back(destination);
        return Finish(Next("Move"));
    }
    HRESULT STDMETHODCALLTYPE Rename(BellquistLib::IItmObject* object, BSTR name) override {
        ItemManagerCall& call = Record("Rename");
        call.items.emplace_back(object);
        call.texts = {Text(name)};
        return Finish(Next("Rename"));
    }
    HRESULT STDMETHODCALLTYPE GetMenuInfo(SAFEARRAY*, ULONG infoToReturn, ULONG* enableFlags, ULONG* userRights,
                                          SAFEARRAY** systemRights, SAFEARRAY** versions, SAFEARRAY** transitions,
                                          SAFEARRAY** statuses) override {
        Record("GetMenuInfo").numbers = {static_cast<LONG>(infoToReturn)};
        const ScriptedAnswer answer = Next("GetMenuInfo");
        if (enableFlags) *enableFlags = answer.enableFlags;
        if (userRights) *userRights = answer.userRights;
        for (SAFEARRAY** out : {systemRights, versions, transitions, statuses})
            if (out) *out = nullptr;
        return Finish(answer);
    }
    HRESULT STDMETHODCALLTYPE BatchGetTrees(SAFEARRAY* items, LONG flags, LONG levels, SAFEARRAY** trees,
                                            SAFEARRAY** deleted) override {
        Record("BatchGetTrees", items).numbers = {flags, levels};
        return AnswerTrees(Next("BatchGetTrees"), trees, deleted);
    }
    HRESULT STDMETHODCALLTYPE BatchRefreshTrees(SAFEARRAY* items, LONG levels, SAFEARRAY** trees,
                                                SAFEARRAY** deleted) override {
        Record("BatchRefreshTrees", items).numbers = {levels};
        return AnswerTrees(Next("BatchRefreshTrees"), trees, deleted);
    }
    HRESULT STDMETHODCALLTYPE UpdateItemsFromDynLink(SAFEARRAY* items) override {
        Record("UpdateItemsFromDynLink", items);
        return Finish(Next("UpdateItemsFromDynLink"));
    }
    HRESULT STDMETHODCALLTYPE CoCreateItem(BellquistLib::ItmObjectData* data, IUnknown** created) override {
        ItemManagerCall& call = Record("CoCreateItem");
        if (data) {
            call.numbers = {data->meObjectType, data->mlObjectID, data->mlParentProjectID, data->mlConfigID};
            call.texts = {Text(data->moFilename), Text(data->moPath)};
        }
        return AnswerObject(Next("CoCreateItem"), created);
    }
    HRESULT STDMETHODCALLTYPE ExistInFileCache(BellquistLib::IItmObject* item, VARIANT_BOOL* exists) override {
        Record("ExistInFileCache").items.emplace_back(item);
        const ScriptedAnswer answer = Next("ExistInFileCache");
        if (exists) *exists = answer.exists ? VARIANT_TRUE : VARIANT_FALSE;
        return Finish(answer);
    }
    HRESULT STDMETHODCALLTYPE CheckCyclicReferences(SAFEARRAY* left, SAFEARRAY* right) override {
        ItemManagerCall& call = Record("CheckCyclicReferences", left);
        // The left-hand objects first, then the right-hand ones; numbers
        // holds the count of each side.
        const std::vector<CComPtr<BellquistLib::IItmObject>> rightItems = Objects(right);
        call.numbers = {static_cast<LONG>(call.items.size()), static_cast<LONG>(rightItems.size())};
        call.items.insert(call.items.end(), rightItems.begin(), rightItems.end());
        return Finish(Next("CheckCyclicReferences"));
    }
    HRESULT STDMETHODCALLTYPE BeginLocalTransaction(BellquistLib::ILocalTransactionMgr** transaction) override {
        Record("BeginLocalTransaction");
        return AnswerObject(Next("BeginLocalTransaction"), transaction);
    }

    // IItmManager2.
    HRESULT STDMETHODCALLTYPE BatchGetTrees2(SAFEARRAY*, LONG flags, LONG levels, SAFEARRAY** trees,
                                             SAFEARRAY** deleted) override {
        Record("BatchGetTrees2").numbers = {flags, levels};
        return AnswerTrees(Next("BatchGetTrees2"), trees, deleted);
    }
    HRESULT STDMETHODCALLTYPE Login2(BSTR vaultName, BSTR user, BSTR password, BSTR sqlUser, BSTR sqlPassword,
                                     ULONG userId, BellquistLib::LoginDataOut* out) override {
        ItemManagerCall& call = Record("Login2");
        call.texts = {Text(vaultName), Text(user), Text(password), Text(sqlUser), Text(sqlPassword)};
        call.numbers = {static_cast<LONG>(userId)};
        return AnswerLogin(Next("Login2"), out);
    }
    HRESULT STDMETHODCALLTYPE GetItmInfoSupplement(SAFEARRAY** supplement) override {
        Record("GetItmInfoSupplement");
        if (supplement) *supplement = nullptr;
        return Finish(Next("GetItmInfoSupplement"));
    }
    HRESULT STDMETHODCALLTYPE UpdateCache(SAFEARRAY*) override {
        Record("UpdateCache");
        return Finish(Next("UpdateCache"));
    }
    HRESULT STDMETHODCALLTYPE ChangeState2(SAFEARRAY* items, BSTR transition, VARIANT_BOOL revoke,
                                           SAFEARRAY** changed) override {
        ItemManagerCall& call = Record("ChangeState2", items);
        call.texts = {Text(transition)};
        call.numbers = {revoke};
        return AnswerItems(Next("ChangeState2"), changed);
    }
    HRESULT STDMETHODCALLTYPE RefreshLocalCache() override {
        Record("RefreshLocalCache");
        return Finish(Next("RefreshLocalCache"));
    }

    // The objects of an item array (VARIANTs holding objects; null for an
    // element that holds none). Empty for a null array.
    static std::vector<CComPtr<BellquistLib::IItmObject>> Objects(SAFEARRAY* array) {
        std::vector<CComPtr<BellquistLib::IItmObject>> objects;
        if (!array) return objects;
        LONG lower = 0, upper = -1;
        SafeArrayGetLBound(array, 1, &lower);
        SafeArrayGetUBound(array, 1, &upper);
        for (LONG index = lower; index <= upper; ++index) {
            VARIANT element;
            VariantInit(&element);
            if (FAILED(SafeArrayGetElement(array, &index, &element))) {
                objects.emplace_back();
                continue;
            }
            IUnknown* unknown = element.vt == VT_DISPATCH || element.vt == VT_UNKNOWN ? element.punkVal : nullptr;
            objects.emplace_back(CComQIPtr<BellquistLib::IItmObject>(unknown));
            VariantClear(&element);
        }
        return objects;
    }

    // A new item array of `objects` (VT_DISPATCH elements), for the caller to
    // destroy.
    static SAFEARRAY* MakeItemArray(const std::vector<CComPtr<BellquistLib::IItmObject>>& objects) {
        SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(objects.size()));
        for (LONG index = 0; array && index < static_cast<LONG>(objects.size()); ++index) {
            VARIANT element;
            VariantInit(&element);
            element.vt = VT_DISPATCH;
            element.pdispVal = objects[index].GetInterfacePtr();
            SafeArrayPutElement(array, &index, &element);  // copies, with a reference of its own
        }
        return array;
    }

private:
    ItemManagerCall& Record(const char* method, SAFEARRAY* items = nullptr) {
        ItemManagerCall call;
        call.method = method;
        call.items = Objects(items);
        call.references = count_.Count();
        calls.push_back(std::move(call));
        return calls.back();
    }

    ScriptedAnswer Next(const std::string& method) {
        auto queued = queued_.find(method);
        if (queued != queued_.end() && !queued->second.empty()) {
            ScriptedAnswer answer = std::move(queued->second.front());
            queued->second.pop_front();
            return answer;
        }
        auto fallback = fallback_.find(method);
        return fallback != fallback_.end() ? fallback->second : ScriptedAnswer{};
    }

    static HRESULT Finish(const ScriptedAnswer& answer) {
        if (FAILED(answer.hr) && !answer.errorDescription.empty())
            com_testing::SetPendingErrorInfo(answer.errorDescription.c_str());
        return answer.hr;
    }

    static void GiveItems(const ScriptedAnswer& answer, SAFEARRAY** out) {
        if (!out) return;
        *out = !answer.items.empty() || answer.emptyArray ? MakeItemArray(answer.items) : nullptr;
    }

    static HRESULT AnswerItems(const ScriptedAnswer& answer, SAFEARRAY** out) {
        GiveItems(answer, out);
        return Finish(answer);
    }

    static HRESULT AnswerTrees(const ScriptedAnswer& answer, SAFEARRAY** trees, SAFEARRAY** deleted) {
        GiveItems(answer, trees);
        if (deleted) {
            *deleted = nullptr;
            if (!answer.deleted.empty()) {
                RecordArray<BellquistLib::DelOrDestroyed> records;
                const com::TypeLibrary& library = BellquistLib::TypeLibrary();
                records.mvCreate(static_cast<ULONG>(answer.deleted.size()), *library.libraryId, library.majorVersion,
                                 library.minorVersion);
                std::copy(answer.deleted.begin(), answer.deleted.end(), records.mpoBegin());
                records.mvHandOut(deleted);
            }
        }
        return Finish(answer);
    }

    template <class I>
    static HRESULT AnswerObject(const ScriptedAnswer& answer, I** out) {
        if (out) {
            CComQIPtr<I> given(answer.object.GetInterfacePtr());
            *out = given.Detach();
        }
        return Finish(answer);
    }

    static HRESULT AnswerLogin(const ScriptedAnswer& answer, BellquistLib::LoginDataOut* out) {
        if (out && SUCCEEDED(answer.hr)) {
            *out = BellquistLib::LoginDataOut{};
            out->mlUserID = answer.userID;
            out->mlRootItemFolderID = answer.rootItemFolderID;
            out->moUsername = answer.userName.empty() ? nullptr : SysAllocString(answer.userName.c_str());
            out->mpoSpMgr = answer.spMgr;
        }
        return Finish(answer);
    }

    static std::u16string Text(BSTR text) { return std::u16string(com::BstrView(text)); }

    // The texts of a SAFEARRAY of BSTRs, or of VARIANTs holding them (an
    // element of another kind gives "").
    static std::vector<std::u16string> Texts(SAFEARRAY* array) {
        std::vector<std::u16string> texts;
        VARTYPE type = VT_EMPTY;
        if (!array || FAILED(SafeArrayGetVartype(array, &type))) return texts;
        LONG lower = 0, upper = -1;
        SafeArrayGetLBound(array, 1, &lower);
        SafeArrayGetUBound(array, 1, &upper);
        for (LONG index = lower; index <= upper; ++index) {
            if (type == VT_BSTR) {
                BSTR text = nullptr;
                SafeArrayGetElement(array, &index, &text);
                texts.push_back(Text(text));
                SysFreeString(text);
            } else {
                VARIANT element;
                VariantInit(&element);
                SafeArrayGetElement(array, &index, &element);
                texts.push_back(element.vt == VT_BSTR ? Text(element.bstrVal) : std::u16string());
                VariantClear(&element);
            }
        }
        return texts;
    }

    std::map<std::string, std::deque<ScriptedAnswer>> queued_;
    std::map<std::string, ScriptedAnswer> fallback_;
    com_testing::FakeReferenceCount count_{com_testing::FakeReferenceCount::Lifetime::kOwnedByTest};
};

}  // namespace explorer_test
