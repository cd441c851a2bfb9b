// A tree source held in memory (hastrel/tree_source.h), for tests that build
// cross-reference trees without a vault: documents with configurations, the
// references between them, items that link them, and counter ids that go
// from free to reserved to spent. Any of its calls can be made to fail.
//
// ScopedTreeClasses makes the component's classes, over such a source, the
// classes that creation by CLSID finds in this process while it lives.
#pragma once

#include "hastrel/tree_source.h"
#include "winapi/types.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hastrel_testing {

class MemoryTreeSource : public hastrel::TreeSource {
public:
    enum class Call {
        kGetDocument,
        kGetFolderDocuments,
        kGetReferences,
        kGetLinkingItems,
        kGetItems,
        kReserveCounters,
        kGetReservedCounters,
        kFreeCounters,
    };
    enum class CounterState { kFree, kReserved, kSpent };

    // A live document "name" in the folder `folderId` at "\Folder<id>\",
    // version 1, with configurations (ids 100 * id + 1, + 2, ... in order).
    hastrel::SourceDocument& AddDocument(LONG id, LONG folderId, std::u16string name,
                                         const std::vector<std::u16string>& configurations = {});
    void RemoveDocument(LONG id);
    // One reference of `parentId` to `childId`.
    void AddReference(LONG parentId, LONG childId, std::u16string childConfiguration = u"", bool isStatic = false);
    // An item ("x.<item>"), linking `documentId` (0: none) in the
    // configuration `configId` (-1: as a whole), dynamically or not.
    void AddItem(std::u16string name, LONG documentId = 0, LONG configId = -1, bool dynamicLink = true);

    // The next call of `call` answers `hr` (once).
    void FailNext(Call call, HRESULT hr) { failures_[call] = hr; }
    int Calls(Call call) const;

    CounterState StateOf(LONG counterId) const;
    std::u16string NameOf(LONG counterId) const;
    void Spend(LONG counterId);
    // The ids reserved now, in id order.
    std::vector<LONG> Reserved() const;

    // hastrel::TreeSource
    HRESULT GetDocument(LONG documentId, hastrel::SourceDocument& document) override;
    HRESULT GetFolderDocuments(LONG folderId, std::vector<LONG>& documentIds) override;
    HRESULT GetReferences(LONG documentId, std::vector<hastrel::SourceReference>& references) override;
    HRESULT GetLinkingItems(LONG documentId, LONG configId, std::vector<std::u16string>& itemNames) override;
    HRESULT GetItems(std::vector<hastrel::SourceItem>& items) override;
    HRESULT ReserveCounters(LONG count, std::vector<hastrel::SourceName>& names) override;
    HRESULT GetReservedCounters(const std::vector<LONG>& counterIds, std::vector<hastrel::SourceName>& names) override;
    HRESULT FreeCounters(const std::vector<LONG>& counterIds) override;

private:
    struct Item {
        std::u16string name;
        LONG documentId = 0;
        LONG configId = -1;
        bool dynamicLink = true;
    };
    // The failure set for `call`, once; counts the call.
    HRESULT Enter(Call call);

    std::map<LONG, hastrel::SourceDocument> documents_;
    std::map<LONG, std::vector<hastrel::SourceReference>> references_;
    std::vector<Item> items_;
    std::map<LONG, CounterState> counters_;  // by id, from 1
    std::map<Call, HRESULT> failures_;
    std::map<Call, int> calls_;
};

// While it lives, CLSID_XRefTreeManager makes managers whose sessions read
// `source`, and CLSID_XRefTree makes this library's trees, in this process
// (CoRegisterClassObject, ahead of the registry). The tests' apartment must
// be initialised.
class ScopedTreeClasses {
public:
    explicit ScopedTreeClasses(std::shared_ptr<hastrel::TreeSource> source);
    ~ScopedTreeClasses();
    ScopedTreeClasses(const ScopedTreeClasses&) = delete;
    ScopedTreeClasses& operator=(const ScopedTreeClasses&) = delete;

    // How many managers were started (their sessions made).
    int Sessions() const { return *sessions_; }

private:
    std::shared_ptr<int> sessions_ = std::make_shared<int>(0);
    DWORD managerCookie_ = 0;
    DWORD treeCookie_ = 0;
};

}  // namespace hastrel_testing
