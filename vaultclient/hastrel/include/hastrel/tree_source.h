// Where a tree's nodes come from: the documents of the vault, the
// references between them, their configurations, the items that link them
// and the counter ids that name new items. The component reads the vault
// through a TreeSource made for each session of the tree manager
// (IXRefTreeManager::Start); tests build trees over a source of their own.
//
// Every method returns S_OK or a failure, which the tree passes on as the
// result of the call that needed it; none throws.
#pragma once

#include "hastrel/records.h"
#include "winapi/types.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class SpMgr;

namespace hastrel {

// A configuration of a document.
struct SourceConfiguration {
    LONG mlConfigID = 0;
    std::u16string moName;
};

// A document of the vault.
struct SourceDocument {
    LONG mlDocumentID = 0;
    LONG mlFolderID = 0;          // the vault folder that holds it
    std::u16string moName;        // its file name ("bracket.sldprt")
    std::u16string moFolderPath;  // the vault path of its folder ("\Parts\")
    LONG mlLatestVersion = 0;
    std::u16string moRevision;  // the latest version's revision ("" for none)
    LONG mlStatusID = 0;        // its workflow state, 0 for none
    std::u16string moState;
    DATE mdModified = 0;  // the time of the latest version
    LONG mlLockedBy = 0;  // the user who has it checked out, 0 for none
    std::u16string moLockedBy;
    std::u16string moLockedPath;
    GUID moLockViewID{};
    std::u16string moDomain;
    std::u16string moAlternateName;
    std::vector<SourceConfiguration> mvConfigurations;  // in the vault's order
};

// One reference a document holds (one per reference the file holds: two
// instances of a bolt are two).
struct SourceReference {
    LONG mlChildID = 0;
    std::u16string moChildConfiguration;  // empty: the document as a whole
    bool mbStatic = false;
};

// An item of the vault.
struct SourceItem {
    std::u16string moName;       // its file name ("x.<item>")
    bool mbDynamicLink = false;  // it links a document dynamically
};

// A reserved counter id and the name it stands for ("ITM-000042").
struct SourceName {
    LONG mlCounterID = 0;
    std::u16string moName;
};

class TreeSource {
public:
    virtual ~TreeSource() = default;

    // The live document `documentId` into `document`; S_FALSE (and
    // `document` as it was) when the vault has no such live document.
    virtual HRESULT GetDocument(LONG documentId, SourceDocument& document) = 0;
    // The live documents directly in the vault folder `folderId`, in name
    // order (none for an unknown folder).
    virtual HRESULT GetFolderDocuments(LONG folderId, std::vector<LONG>& documentIds) = 0;
    // The references the document holds, in the vault's order.
    virtual HRESULT GetReferences(LONG documentId, std::vector<SourceReference>& references) = 0;
    // The names ("x.<item>") of the live items that link the document - in
    // the configuration `configId`, or in any when it is -1.
    virtual HRESULT GetLinkingItems(LONG documentId, LONG configId, std::vector<std::u16string>& itemNames) = 0;
    // Every live item of the vault.
    virtual HRESULT GetItems(std::vector<SourceItem>& items) = 0;

    // Reserves `count` new counter ids (in one transaction: all or none).
    virtual HRESULT ReserveCounters(LONG count, std::vector<SourceName>& names) = 0;
    // The names of those of `counterIds` that are still reserved, in the
    // order given; ids spent, free or unknown are left out.
    virtual HRESULT GetReservedCounters(const std::vector<LONG>& counterIds, std::vector<SourceName>& names) = 0;
    // Frees reserved counter ids again; spent and unknown ids stay as they
    // are.
    virtual HRESULT FreeCounters(const std::vector<LONG>& counterIds) = 0;
};

// Makes the source of a session of the tree manager: its vault connection
// (a reference of the caller's for the call; a source that keeps using it
// takes its own), the user and the view.
using TreeSourceFactory =
    std::function<HRESULT(SpMgr& connection, LONG userId, const GUID& viewId, std::shared_ptr<TreeSource>& source)>;

// The source over the vault database of `connection` (E_INVALIDARG for a
// connection that is not open). The component's classes start their
// sessions with it.
HRESULT MakeVaultTreeSource(SpMgr& connection, LONG userId, const GUID& viewId, std::shared_ptr<TreeSource>& source);

// A new tree manager whose sessions read `factory`'s sources: its IUnknown,
// one reference for the caller.
HRESULT CreateTreeManager(TreeSourceFactory factory, IUnknown** ppoManager);
// A new tree: its IUnknown, one reference for the caller.
HRESULT CreateTree(IUnknown** ppoTree);

}  // namespace hastrel
