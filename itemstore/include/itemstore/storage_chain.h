// CStorageChain: the navigator of one lock scope through the nested storages
// of the item cache file. Element names longer than a compound-file name are
// split into piece storages and a final stream (gvSplitElementName); the
// chain keeps the storages of the last path open, reuses the common prefix
// for the next path, opens (or creates) only the differing tail, and
// destroys storages that became empty once it has left them.
//
// Owned by the CItemCacheLock of the scope; one thread uses it. Errors are
// the storage layer's codes, unmapped.
#pragma once

#include "storage/storage.h"
#include "winapi/types.h"

#include <string>
#include <string_view>
#include <vector>

class CStorageChain {
public:
    // `root` is borrowed from the cache file; `transacted` says whether the
    // root storage commits only at the end (else operations commit after
    // every change).
    CStorageChain(IStorage* root, bool transacted);
    // Releases the stream and every open storage with pruning (result not
    // reported); the root storage stays open.
    ~CStorageChain();
    CStorageChain(const CStorageChain&) = delete;
    CStorageChain& operator=(const CStorageChain&) = delete;

    // Makes the path of `escapedName` current: afterwards the element lies in
    // mpoCurrentStorage() under mpoElementName(). With `create`, missing piece
    // storages are created. Storages left behind are released, and each one
    // found empty is destroyed in its parent. S_OK, S_FALSE when nothing was
    // opened and nothing destroyed, or the failure (STG_E_FILENOTFOUND for a
    // missing piece without `create`, or a failed destroy); after a failure
    // the chain stays usable. A stream still held from an earlier operation
    // is released first.
    HRESULT mhOpenPath(std::u16string_view escapedName, bool create);
    // Destroys the element (stream or storage) of `escapedName`, then
    // commits as mhCommitIfDirect does and returns the commit's result.
    // E_INVALIDARG for an empty name (no navigation).
    HRESULT mhDestroyElement(std::u16string_view escapedName);
    // Operations call it after each change they make (never when they
    // changed nothing). In a direct scope it commits the root storage
    // (STGC_DEFAULT) and returns the commit's result - unless a CommitBatch
    // is open, whose end commits instead. S_OK in a transacted scope, whose
    // own commit writes the changes.
    HRESULT mhCommitIfDirect();

    // Groups the changes of one cache operation that makes several (a tree,
    // a list of items, a rename): in a direct scope the commits of its steps
    // are put off to its end, which commits once when any step changed the
    // file, and not at all otherwise. Batches nest; the outermost one
    // commits. A step's failure that was put off this way is the batch's.
    class CommitBatch {
    public:
        explicit CommitBatch(CStorageChain& chain);
        // Ends the batch as mhEnd does, ignoring the result: an operation
        // that returns early still leaves its finished steps committed.
        ~CommitBatch();
        CommitBatch(const CommitBatch&) = delete;
        CommitBatch& operator=(const CommitBatch&) = delete;
        // Ends the batch: the outermost one's commit result, S_OK when there
        // was nothing to commit or an outer batch commits. Once only.
        HRESULT mhEnd();

    private:
        CStorageChain* chain_;  // Not owned; null once ended.
    };

    // How many times the chain committed the root storage: the measure of
    // what a direct scope's operations cost beyond their changes.
    unsigned long mlCommits() const { return commits_; }

    // The current path's storage (the root when the name has no pieces) and
    // the element's name in it.
    IStorage* mpoCurrentStorage() const;
    const WCHAR* mpoElementName() const;

    // The stream slot of the current operation: takes over the caller's
    // reference (a stream held before is released first).
    void mvSetStream(IStream* stream);
    IStream* mpoStream() const;
    // Releases the current stream, if any.
    void mvReleaseStream();

    IStorage* mpoRootStorage() const { return root_; }
    bool mbTransacted() const { return transacted_; }

    // Fills the scratch path's storage names and element name with the split
    // of `escapedName` (the first step of mhOpenPath).
    void mvSplitPath(std::u16string_view escapedName);

private:
    // One opened piece storage; owns its reference.
    struct OpenStorage {
        std::u16string name;
        IStorage* storage = nullptr;
    };
    struct StoragePath {
        std::vector<std::u16string> storageNames;  // the pieces + "F", outermost first
        std::u16string elementName;                // the last piece + "S"
        std::vector<OpenStorage> open;             // outermost first; owned
        IStorage* current = nullptr;               // borrowed: innermost open, or the root
        IStream* stream = nullptr;                 // owned
    };

    // Releases `path`'s open storages from the deepest down to `position`,
    // destroying each one found empty in its parent.
    HRESULT mhReleaseFrom(StoragePath& path, size_t position);
    void mvClearPath(StoragePath& path);
    StoragePath& mCurrent() { return paths_[selector_]; }
    const StoragePath& mCurrent() const { return paths_[selector_]; }
    StoragePath& mScratch() { return paths_[selector_ ^ 1]; }

    // Commits the root storage when a change is pending and no batch is
    // open (direct scopes only).
    HRESULT mhCommitPending();

    IStorage* root_;  // not owned
    unsigned selector_ = 0;
    StoragePath paths_[2];
    bool transacted_;
    bool pending_ = false;       // a change since the last commit (direct scopes)
    unsigned batchDepth_ = 0;    // open CommitBatch objects
    unsigned long commits_ = 0;  // commits of the root storage
};
