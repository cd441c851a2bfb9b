// Whole item trees in the item cache file, and the rename of an item.
#include "itemstore/item_cache_file.h"

#include "cache_element_access.h"

#include "common/error_codes.h"
#include "cache_errors.h"
#include "itemstore/element_names.h"
#include "record_codec.h"

#include "winapi/errors.h"
#include "winapi/text.h"

#include <cstring>
#include <unordered_map>
#include <utility>

namespace {

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

// The children list of a checked-out item fetched with "mark missing": the
// fetched children, then each stored child that nothing in the list so far
// matches by object id and type, marked as removed.
ChildList FetchedWithMissingMarked(const ChildList& fetched, const ChildList& stored) {
    ChildList list(fetched);
    for (const RefPtr<ChildWithLink>& old : stored) {
        bool present = false;
        for (const RefPtr<ChildWithLink>& child : list)
            if (child && child->mlObjectID == old->mlObjectID && child->meObjectType == old->meObjectType)
                present = true;
        if (!present) {
            old->meLinkOperation = kLinkOpRemove;
            list.push_back(old);
        }
    }
    return list;
}

// Whether two names address the same elements: the compound file compares
// element names by their upper case.
bool SameElement(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (winapi::ToUpper(a[i]) != winapi::ToUpper(b[i])) return false;
    return true;
}

// A renamed element's children: a path ending in "\<old name>" ends in the new one.
void RenamePathTail(ItemObject& record, std::u16string_view oldName, std::u16string_view newName) {
    std::u16string path(record.moPath());
    const size_t slash = path.rfind(u'\\');
    if (slash == std::u16string::npos || std::u16string_view(path).substr(slash + 1) != oldName) return;
    path.replace(slash + 1, std::u16string::npos, newName);
    record.mvSetPath(path);
}

}  // namespace

HRESULT CItemCacheFile::mhWriteItemsWithChildren(CItemCacheLock& lock, const ItemTree& tree, const GUID& viewID,
                                                 bool replaceLists, bool markMissing) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    // One commit for the whole tree in a direct scope.
    CStorageChain::CommitBatch batch(*chain);
    HRESULT last = S_OK;
    auto remember = [&last](HRESULT hr) {
        if (FAILED(hr)) last = hr;
    };
    for (const auto& [item, fetched] : tree) {
        remember(mhWriteItem(lock, item));
        if (!item) continue;
        const std::u16string_view name = item->moFileName();
        if (!SameGuid(item->moLockViewID, viewID)) {
            // The cache keeps children lists only for items checked out here.
            remember(mhDeleteChildren(lock, name));
            continue;
        }
        if (replaceLists && markMissing) {
            ChildList stored;
            if (SUCCEEDED(mhReadChildren(lock, name, stored))) {
                // Remembered like every other write: a lost list must not
                // pass for success.
                remember(mhWriteChildren(lock, name, FetchedWithMissingMarked(fetched, stored)));
                continue;
            }
        }
        if (replaceLists)
            remember(mhWriteChildren(lock, name, fetched));
        else if (fetched.empty())
            remember(mhDeleteChildren(lock, name));
        else
            remember(mhAddChildren(lock, name, fetched));
    }
    remember(ghMapCacheError(batch.mhEnd()));
    return last;
}

HRESULT CItemCacheFile::mhReadItemTree(CItemCacheLock& lock, const std::vector<std::u16string>& names,
                                       uint32_t levelLimit, ItemTree& tree) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;

    // Every name visited, with the index of the record it was reached from
    // (-1 for the given names): the walk up finds cycles.
    struct PathRecord {
        std::u16string name;
        int parent;
    };
    std::vector<PathRecord> visited;
    // The first record of each name: a name's walk up starts there. Hashed,
    // as a tree of n items would otherwise cost n searches of n records.
    std::unordered_map<std::u16string, int> firstVisit;
    auto visit = [&](std::u16string name, int parent) {
        firstVisit.try_emplace(name, static_cast<int>(visited.size()));
        visited.push_back({std::move(name), parent});
    };
    for (const std::u16string& name : names) visit(name, -1);

    std::vector<std::u16string> level(names);
    uint32_t levelsRead = 0;
    while (!level.empty()) {
        std::vector<std::u16string> next;
        for (const std::u16string& name : level) {
            std::u16string element;
            HRESULT hr = ghItemElementName(name, element);
            if (FAILED(hr)) return ghMapCacheError(hr);
            RefPtr<ItemObject> record;
            {
                StreamHold hold(*chain);
                IStream* stream = nullptr;
                hr = ghOpenElementStream(*chain, element, STGM_READ, &stream);
                if (hr == STG_E_FILENOTFOUND) continue;  // not cached
                if (FAILED(hr)) return ghMapCacheError(hr);
                hr = ghReadItemStream(stream, record);
                if (FAILED(hr)) return hr;
            }
            ChildList children;
            hr = ghChildrenElementName(name, element);
            if (FAILED(hr)) return ghMapCacheError(hr);
            hr = ghReadStoredList(*chain, element, children);
            if (hr == STG_E_FILENOTFOUND) {
                children.clear();
            } else if (hr == E_OXN_IO_ERROR) {
                return hr;
            } else if (FAILED(hr)) {
                return ghMapCacheError(hr);
            }

            const auto first = firstVisit.find(name);
            const int from = first != firstVisit.end() ? first->second : -1;
            for (const RefPtr<ChildWithLink>& child : children) {
                if (child->meObjectType != kObjectTypeItem) continue;
                std::u16string childName(child->moFileName());
                bool cycle = false;
                for (int up = from; up >= 0 && !cycle; up = visited[up].parent)
                    if (visited[up].name == childName) cycle = true;
                visit(childName, from);
                if (!cycle) next.push_back(std::move(childName));
            }
            tree.emplace(std::move(record), std::move(children));
        }
        ++levelsRead;
        if (levelLimit != 0 && levelsRead >= levelLimit) break;
        level = std::move(next);
    }
    return S_OK;
}

HRESULT CItemCacheFile::mhRenameItem(CItemCacheLock& lock, std::u16string_view oldName, std::u16string_view newName) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    // One commit for the record, the list and the removal in a direct scope.
    CStorageChain::CommitBatch batch(*chain);
    RefPtr<ItemObject> record;
    HRESULT hr = mhReadItem(lock, oldName, record);
    if (hr == E_OXN_FILE_NOT_FOUND) return S_OK;
    if (FAILED(hr)) return ghMapCacheError(hr);

    std::u16string oldElement, newElement;
    hr = ghItemElementName(oldName, oldElement);
    if (SUCCEEDED(hr)) hr = ghItemElementName(newName, newElement);
    if (FAILED(hr)) return ghMapCacheError(hr);
    // Same elements: moving would overwrite the record and then delete it
    // with its children. Only the record's texts change.
    const bool inPlace = SameElement(oldElement, newElement);

    ChildList children;
    if (!inPlace) {
        hr = mhReadChildren(lock, oldName, children);
        if (FAILED(hr) && hr != E_OXN_FILE_NOT_FOUND) return ghMapCacheError(hr);
    }

    RenamePathTail(*record, oldName, newName);
    record->mvSetFileName(newName);
    hr = mhWriteItem(lock, record);
    if (FAILED(hr)) return ghMapCacheError(hr);
    if (inPlace) return ghMapCacheError(batch.mhEnd());

    if (!children.empty()) {
        hr = mhAddChildren(lock, newName, children);
        if (FAILED(hr)) {
            // A failed merge leaves the new name's list as it was (it may hold
            // link changes of its own): only the record written above goes.
            ghDestroyElementIfPresent(*chain, newElement);
            return ghMapCacheError(hr);
        }
    }
    hr = mhDeleteItem(lock, oldName);
    const HRESULT committed = batch.mhEnd();
    return ghMapCacheError(FAILED(hr) ? hr : committed);
}
