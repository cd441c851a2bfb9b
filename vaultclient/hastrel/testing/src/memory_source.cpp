#include "hastrel_testing/memory_source.h"

#include "com/class_factory.h"
#include "com/hresults.h"
#include "com/runtime.h"
#include "hastrel/ids.h"
#include "winapi/text.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace hastrel_testing {

using hastrel::SourceDocument;
using hastrel::SourceItem;
using hastrel::SourceName;
using hastrel::SourceReference;

SourceDocument& MemoryTreeSource::AddDocument(LONG id, LONG folderId, std::u16string name,
                                              const std::vector<std::u16string>& configurations) {
    SourceDocument& document = documents_[id];
    document = SourceDocument{};
    document.mlDocumentID = id;
    document.mlFolderID = folderId;
    document.moName = std::move(name);
    document.moFolderPath = u"\\Folder" + winapi::ToUtf16(std::to_string(folderId)) + u"\\";
    document.mlLatestVersion = 1;
    LONG next = 100 * id;
    for (const std::u16string& configuration : configurations)
        document.mvConfigurations.push_back(hastrel::SourceConfiguration{++next, configuration});
    return document;
}

void MemoryTreeSource::RemoveDocument(LONG id) { documents_.erase(id); }

void MemoryTreeSource::AddReference(LONG parentId, LONG childId, std::u16string childConfiguration, bool isStatic) {
    references_[parentId].push_back(SourceReference{childId, std::move(childConfiguration), isStatic});
}

void MemoryTreeSource::AddItem(std::u16string name, LONG documentId, LONG configId, bool dynamicLink) {
    items_.push_back(Item{std::move(name), documentId, configId, dynamicLink});
}

int MemoryTreeSource::Calls(Call call) const {
    auto found = calls_.find(call);
    return found == calls_.end() ? 0 : found->second;
}

MemoryTreeSource::CounterState MemoryTreeSource::StateOf(LONG counterId) const {
    auto found = counters_.find(counterId);
    if (found == counters_.end()) throw std::out_of_range("no such counter");
    return found->second;
}

std::u16string MemoryTreeSource::NameOf(LONG counterId) const {
    char text[16];
    std::snprintf(text, sizeof(text), "ITM-%06d", static_cast<int>(counterId));
    return winapi::ToUtf16(text);
}

void MemoryTreeSource::Spend(LONG counterId) { counters_.at(counterId) = CounterState::kSpent; }

std::vector<LONG> MemoryTreeSource::Reserved() const {
    std::vector<LONG> reserved;
    for (const auto& [id, state] : counters_)
        if (state == CounterState::kReserved) reserved.push_back(id);
    return reserved;
}

HRESULT MemoryTreeSource::Enter(Call call) {
    ++calls_[call];
    auto found = failures_.find(call);
    if (found == failures_.end()) return S_OK;
    const HRESULT hr = found->second;
    failures_.erase(found);
    return hr;
}

HRESULT MemoryTreeSource::GetDocument(LONG documentId, SourceDocument& document) {
    if (HRESULT hr = Enter(Call::kGetDocument); FAILED(hr)) return hr;
    auto found = documents_.find(documentId);
    if (found == documents_.end()) return S_FALSE;
    document = found->second;
    return S_OK;
}

HRESULT MemoryTreeSource::GetFolderDocuments(LONG folderId, std::vector<LONG>& documentIds) {
    if (HRESULT hr = Enter(Call::kGetFolderDocuments); FAILED(hr)) return hr;
    std::map<std::u16string, LONG> byName;
    for (const auto& [id, document] : documents_)
        if (document.mlFolderID == folderId) byName.emplace(winapi::FoldCase(document.moName), id);
    documentIds.clear();
    for (const auto& [name, id] : byName) documentIds.push_back(id);
    return S_OK;
}

HRESULT MemoryTreeSource::GetReferences(LONG documentId, std::vector<SourceReference>& references) {
    if (HRESULT hr = Enter(Call::kGetReferences); FAILED(hr)) return hr;
    auto found = references_.find(documentId);
    references = found == references_.end() ? std::vector<SourceReference>{} : found->second;
    return S_OK;
}

HRESULT MemoryTreeSource::GetLinkingItems(LONG documentId, LONG configId, std::vector<std::u16string>& itemNames) {
    if (HRESULT hr = Enter(Call::kGetLinkingItems); FAILED(hr)) return hr;
    itemNames.clear();
    for (const Item& item : items_)
        if (item.documentId == documentId && (configId == -1 || item.configId == configId))
            itemNames.push_back(item.name);
    return S_OK;
}

HRESULT MemoryTreeSource::GetItems(std::vector<SourceItem>& items) {
    if (HRESULT hr = Enter(Call::kGetItems); FAILED(hr)) return hr;
    items.clear();
    for (const Item& item : items_) items.push_back(SourceItem{item.name, item.documentId != 0 && item.dynamicLink});
    return S_OK;
}

HRESULT MemoryTreeSource::ReserveCounters(LONG count, std::vector<SourceName>& names) {
    if (HRESULT hr = Enter(Call::kReserveCounters); FAILED(hr)) return hr;
    if (count < 0) return E_INVALIDARG;
    names.clear();
    // The oldest free ids first, then new ones.
    for (auto& [id, state] : counters_) {
        if (static_cast<LONG>(names.size()) == count) break;
        if (state != CounterState::kFree) continue;
        state = CounterState::kReserved;
        names.push_back(SourceName{id, NameOf(id)});
    }
    while (static_cast<LONG>(names.size()) < count) {
        const LONG id = counters_.empty() ? 1 : counters_.rbegin()->first + 1;
        counters_[id] = CounterState::kReserved;
        names.push_back(SourceName{id, NameOf(id)});
    }
    return S_OK;
}

HRESULT MemoryTreeSource::GetReservedCounters(const std::vector<LONG>& counterIds, std::vector<SourceName>& names) {
    if (HRESULT hr = Enter(Call::kGetReservedCounters); FAILED(hr)) return hr;
    names.clear();
    for (LONG id : counterIds) {
        auto found = counters_.find(id);
        if (found != counters_.end() && found->second == CounterState::kReserved)
            names.push_back(SourceName{id, NameOf(id)});
    }
    return S_OK;
}

HRESULT MemoryTreeSource::FreeCounters(const std::vector<LONG>& counterIds) {
    if (HRESULT hr = Enter(Call::kFreeCounters); FAILED(hr)) return hr;
    for (LONG id : counterIds) {
        auto found = counters_.find(id);
        if (found != counters_.end() && found->second == CounterState::kReserved) found->second = CounterState::kFree;
    }
    return S_OK;
}

namespace {

// A class object that makes its objects with a function.
class FunctionClassFactory final : public IClassFactory {
public:
    using Maker = std::function<HRESULT(IUnknown** object)>;
    explicit FunctionClassFactory(Maker make) : make_(std::move(make)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid != IUnknown::kIid && riid != IClassFactory::kIid) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IUnknown* made = nullptr;
        if (HRESULT hr = make_(&made); FAILED(hr)) return hr;
        HRESULT hr = made->QueryInterface(riid, object);
        made->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    ~FunctionClassFactory() = default;

    std::atomic<ULONG> references_{1};
    Maker make_;
};

DWORD Register(REFCLSID clsid, FunctionClassFactory::Maker make) {
    auto* factory = new FunctionClassFactory(std::move(make));
    DWORD cookie = 0;
    const HRESULT hr = CoRegisterClassObject(clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    factory->Release();
    if (FAILED(hr)) throw std::runtime_error("CoRegisterClassObject failed");
    return cookie;
}

}  // namespace

ScopedTreeClasses::ScopedTreeClasses(std::shared_ptr<hastrel::TreeSource> source) {
    std::shared_ptr<int> sessions = sessions_;
    hastrel::TreeSourceFactory factory = [source, sessions](SpMgr&, LONG, const GUID&,
                                                            std::shared_ptr<hastrel::TreeSource>& made) {
        ++*sessions;
        made = source;
        return S_OK;
    };
    managerCookie_ = Register(HastrelLib::CLSID_XRefTreeManager,
                              [factory](IUnknown** object) { return hastrel::CreateTreeManager(factory, object); });
    treeCookie_ = Register(HastrelLib::CLSID_XRefTree, [](IUnknown** object) { return hastrel::CreateTree(object); });
}

ScopedTreeClasses::~ScopedTreeClasses() {
    CoRevokeClassObject(treeCookie_);
    CoRevokeClassObject(managerCookie_);
}

}  // namespace hastrel_testing
