// ItemPathIterator: the record that travels with every call of a refresh
// (RefreshNs::RefreshItemI). It holds one cached object and the tree paths
// under which the views show it - its folder path and every path through the
// items that link it - and, for a removed child, what is left to know of it.
#pragma once

#include "explorer/data/cache.h"
#include "explorer/data/cache_obj.h"

#include "common/ref_ptr.h"

#include "com/cstring.h"
#include "winapi/types.h"

#include <cstddef>
#include <vector>

namespace RefreshNs {
class RefreshItemI;
}

class ItemPathIterator {
public:
    ItemPathIterator() = default;

    // Collects, through `cache`, every tree path under which `object` is
    // reachable - its folder path first, then the paths through the items
    // that link it (files and BOMs are shown only under items) - and sets the
    // object type and the kind from the object. The walk's COM failures
    // raise.
    void Init(CCache* cache, const RefPtr<CCacheObj>& object);
    // The same for an object renamed or moved from `previousName`: beside
    // each path the path it had before is kept, which the receivers find as
    // the current previous path.
    void Init(CCache* cache, const RefPtr<CCacheObj>& object, const CString& previousName);

    // Presents the collected paths in order, each made the current one, to
    // `receiver`'s mbBeginObject; stops at the first non-zero answer and
    // returns it, 0 when no further path was taken. A later call goes on
    // after the path taken, so a producer presents every path that is shown
    // with: while (record.ForEach(receiver) == 1) { child calls; mvEndObject }.
    LONG ForEach(RefreshNs::RefreshItemI& receiver);
    // The path the current path had before, when previous paths were
    // collected; else null.
    const CString* PreviousPath() const noexcept {
        const std::vector<CString>& previous = PreviousPaths();
        return mnPathCursor > 0 && mnPathCursor <= previous.size() ? &previous[mnPathCursor - 1] : nullptr;
    }

    // Sets the object, its cache and the kind; a kind of 0 is taken from the
    // object (see mlKind).
    void SetItem(const RefPtr<CCacheObj>& object, CCache* cache, LONG kind);
    // Describes a child that was removed (the record's object stays empty).
    void SetRemovedChild(const CString& name, LONG type, LONG id, LONG parentProjectId);
    // The path the record is presented at without a collected list (a child's
    // record carries its parent's path).
    void SetCurrentPath(const CString& path) { moPath = path; }

    // The paths collected, and the ones they had before (empty unless given).
    const std::vector<CString>& Paths() const noexcept { return moSink.moPaths; }
    const std::vector<CString>& PreviousPaths() const noexcept { return moSink.moPreviousPaths; }

    // Stands for a kind of 0 given to SetItem: the object's type, an item
    // folder whose shared part is not complete counting as
    // ItmObjectType_Root_ItemFolder.
    static LONG mlKindOf(const RefPtr<CCacheObj>& object);

    LONG meObjectType = 0;  // the cached object's ItmObjectType
    CString moPath;         // the current path
    RefPtr<CCacheObj> moCacheObj;
    LONG mlKind = 0;
    CCache* mpoCache = nullptr;  // Not owned.
    // How many collected paths were presented: the current one is
    // Paths()[mnPathCursor - 1].
    size_t mnPathCursor = 0;

    // A removed child.
    CString moChildName;
    LONG mlChildType = 0;
    LONG mlChildID = 0;
    LONG mlChildParentProjectID = -1;

private:
    void mvCollect(CCache* cache, const RefPtr<CCacheObj>& object, const CString* previousName);

    ItemPathSink moSink;
};
