// Taking a freshly fetched instance of an object into the cached one, so
// that every holder of the cached record sees the new data: the two
// instances swap their data (each keeps its own link manager), and the
// cached item's links take the server's link type and pending operation.
#include "explorer/data/cache.h"
#include "explorer/data/cache_obj.h"

#include "explorer/data/com_error_raising.h"

#include "common/record_array.h"

#include "com/bstr.h"
#include "com/bstr_t.h"
#include "com/owned_safearray.h"

#include <vector>

using namespace BellquistLib;

namespace {

// Checked out in this view: the item's lock view is this cache's view. An
// item that is not checked out has no lock view (GUID_NULL), which never
// counts, not even for a cache without a view.
bool IsLockedHere(const GUID& lockView, const CCache* cache) {
    return cache && lockView != GUID_NULL && lockView == cache->moViewID;
}

bool SameLink(const ItmUniqueID& id, const ItmLink& link) {
    return id.meObjectType == link.meObjectType && id.mlObjectID == link.mlObjectID &&
           id.mlParentID == link.mlParentID && id.mlConfigID == link.mlConfigID;
}

// What IItmLinkManager::AddLink stores: the operations None and New, and
// every type but Files (which it accepts and drops).
bool AddLinkStores(const ItmLink& link) {
    return (link.meLinkOperation == LinkOp_None || link.meLinkOperation == LinkOp_New) &&
           link.meLinkType != LinkType_Files;
}

// The link records of an [out] array, copied.
template <class Record>
std::vector<Record> RecordsOf(SAFEARRAY* raw) {
    com::OwnedSafeArray owned(raw);
    std::vector<Record> records;
    if (!owned) return records;
    RecordArray<Record> array(owned.get());
    records.assign(array.mpoBegin(), array.mpoEnd());
    return records;
}

// Merges the server's links into the cached item's link manager: each link
// the cached item already has is replaced by the server's (its link type and
// pending operation); links it lacks are not added, and links the server no
// longer has are not removed here.
//
// A cached link is never lost on the way: a server link that AddLink would
// refuse or drop (another pending operation, a Files link) leaves the cached
// one as it is, and a cached link whose replacement fails is put back. The
// replacements that failed are tried once more after the others (a dynamic
// link that moved from one file to another is refused until the old one is
// static), and the first failure left is raised at the end.
void MergeLinks(IItmLinkManager* cached, IItmLinkManager* server) {
    SAFEARRAY* raw = nullptr;
    gvCheckCall(cached->GetLinksID(&raw), cached);
    const std::vector<ItmUniqueID> ids = RecordsOf<ItmUniqueID>(raw);
    if (ids.empty()) return;
    raw = nullptr;
    gvCheckCall(server->GetLinks(LinkType_All, &raw), server);
    const std::vector<ItmLink> links = RecordsOf<ItmLink>(raw);

    // The cached links as they were, to put one back; read before the first
    // change.
    std::vector<ItmLink> before;
    bool haveBefore = false;
    auto putBack = [&](ItmUniqueID id) {
        for (ItmLink old : before) {
            if (!SameLink(id, old)) continue;
            if (!AddLinkStores(old)) old.meLinkOperation = LinkOp_None;
            gvCheckCall(cached->AddLink(&old), cached);
            return;
        }
    };
    // Replaces `id` by `link`; the link manager's failure, with the old link
    // back in place.
    auto replace = [&](ItmUniqueID id, ItmLink link) {
        if (!haveBefore) {
            SAFEARRAY* all = nullptr;
            gvCheckCall(cached->GetLinks(LinkType_All, &all), cached);
            before = RecordsOf<ItmLink>(all);
            haveBefore = true;
        }
        gvCheckCall(cached->RemoveLink(&id), cached);
        const HRESULT hr = cached->AddLink(&link);
        if (FAILED(hr)) putBack(id);
        return hr;
    };

    struct Pending {
        ItmUniqueID id;
        ItmLink link;
    };
    std::vector<Pending> failed;
    for (const ItmLink& link : links) {
        for (const ItmUniqueID& id : ids) {
            if (!SameLink(id, link) || !AddLinkStores(link)) continue;
            if (FAILED(replace(id, link))) failed.push_back({id, link});
        }
    }
    HRESULT firstFailure = S_OK;
    for (const Pending& pending : failed) {
        const HRESULT hr = replace(pending.id, pending.link);
        if (FAILED(hr) && SUCCEEDED(firstFailure)) firstFailure = hr;
    }
    SetErrorInfo(0, nullptr);  // the descriptions of the attempts that were mended
    if (FAILED(firstFailure)) ThrowComErrorWithDescription(firstFailure, u"A link of the item could not be updated.");
}

}  // namespace

void CCacheObjInner::mvUpdateFrom(IItmObject* fresh, bool excludeVersionFields) {
    if (!mpoItem) return;
    if (!fresh) _com_issue_error(E_POINTER);
    CComPtr<IItmObject> item = mpoItem;

    GUID lockView{};
    gvCheckCall(fresh->get_LockViewID(&lockView), fresh);
    const bool lockedHere = IsLockedHere(lockView, mpoCache);
    DATE modified = 0.0;
    if (lockedHere) gvCheckCall(item->get_ModifiedDate(&modified), item);

    gvCheckCall(item->Swap(fresh, excludeVersionFields ? VARIANT_TRUE : VARIANT_FALSE), item);
    _bstr_t name;
    gvCheckCall(item->get_Name(name.GetAddress()), item);
    moName = com::BstrText(name);
    mlLocalVersion = 0;
    // A local change's date stays with an item checked out here.
    if (lockedHere) gvCheckCall(item->put_ModifiedDate(modified), item);

    // The cached item now holds the fresh data beside its own link manager,
    // the fresh instance the old data beside the server's. Links of an item
    // checked out in this view are kept as they are.
    gvCheckCall(item->get_LockViewID(&lockView), item);
    if (IsLockedHere(lockView, mpoCache)) return;
    ItmObjectType type{};
    gvCheckCall(item->get_Type(&type), item);
    if (type != ItmObjectType_Item) return;
    CComPtr<IItmLinkManager> cachedLinks, serverLinks;
    gvCheckCall(item->get_LinkManager(&cachedLinks), item);
    gvCheckCall(fresh->get_LinkManager(&serverLinks), fresh);
    if (!cachedLinks || !serverLinks) return;
    MergeLinks(cachedLinks, serverLinks);
}
