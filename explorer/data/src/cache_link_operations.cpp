// CCache::mhApplyLinkOperation: the one place where the explorer changes an
// item's links - paste link (New, under a target item), remove (Remove, from
// each object's parent item) and change link type (Switch, of a file under
// its parent item). The item server's link manager of the item makes the
// change; the item is marked modified now; then the cache and the views
// follow at once, or, inside a local transaction, after the caller's commit
// through the LinkOpRefresh records handed back.
#include "explorer/data/cache.h"
#include "explorer/data/link_op_refresh.h"

#include "explorer/data/application_link.h"
#include "explorer/data/com_error_raising.h"
#include "explorer/data/refresh.h"
#include "item_helpers.h"

#include "common/error_codes.h"
#include "common/record_array.h"

#include "com/ccom_ptr.h"
#include "com/owned_safearray.h"
#include "com/task_memory.h"

#include <algorithm>
#include <memory>
#include <new>

using namespace BellquistLib;

namespace {

// Makes `links` take part in `transaction`, once: a link manager already in
// it (an earlier operation on the same item) is not begun again.
// E_NOINTERFACE for a link manager that cannot take part; a failing
// participant or manager call raises.
HRESULT JoinTransaction(IItmLinkManager* links, ILocalTransactionMgr* transaction) {
    CComQIPtr<ILocalTransaction> participant(links);
    if (!participant) return E_NOINTERFACE;
    VARIANT_BOOL inTransaction = VARIANT_FALSE;
    gvCheckCall(participant->InTransaction(&inTransaction), participant);
    if (inTransaction != VARIANT_FALSE) return S_OK;
    gvCheckCall(participant->BeginLocalTransaction(transaction), participant);
    gvCheckCall(transaction->AddParticipant(participant), transaction);
    return S_OK;
}

// The item link manager's record of a file, freed when the holder goes.
struct TaskMemoryFree {
    void operator()(void* block) const noexcept { CoTaskMemFree(block); }
};
using ItmLinkRecord = std::unique_ptr<ItmLink, TaskMemoryFree>;

// The cached objects of `parent`'s current dynamic link: at most the first
// record's object, when it is cached. A failing HasDynamicLink or GetLinks
// raises with the link manager's error info.
void FindDynamicLinkObject(CCache& cache, IItmLinkManager* links, std::vector<RefPtr<CCacheObj>>& out) {
    VARIANT_BOOL hasDynamic = VARIANT_FALSE;
    gvCheckCall(links->HasDynamicLink(&hasDynamic), links);
    if (hasDynamic == VARIANT_FALSE) return;
    SAFEARRAY* raw = nullptr;
    gvCheckCall(links->GetLinks(LinkType_Dynamic, &raw), links);
    com::OwnedSafeArray owned(raw);
    if (!owned) return;
    RecordArray<ItmLink> records(owned.get());
    if (records.mlGetCount() == 0) return;
    const ItmLink& first = *records.mpoBegin();
    RefPtr<CCacheObj> dynamic;
    if (cache.mbFindObject(CacheObjKey{first.meObjectType, first.mlObjectID, first.mlConfigID}, dynamic))
        out.push_back(dynamic);
}

// Whether `object` is linked dynamically under its parent item in `cache`.
bool IsDynamicUnderParent(CCache& cache, const RefPtr<CCacheObj>& object) {
    RefPtr<CCacheObj> parent;
    if (!object->moInner || !object->moInner->mpoItem || !cache.mbGetParent(object, parent) || !parent->moInner ||
        parent->moInner->meType != ItmObjectType_Item || !parent->moInner->mpoItem)
        return false;
    CComPtr<IItmLinkManager> links;
    if (FAILED(parent->moInner->mpoItem->get_LinkManager(&links)) || !links) return false;
    ItmLinkType type = LinkType_Undefined;
    return SUCCEEDED(links->GetLinkType(object->moInner->mpoItem, &type)) && type == LinkType_Dynamic;
}

// Several files switched each on its own: the item server refuses any one
// switch that would leave an item two dynamic links, so the files that are
// dynamic now go first (they become static), and those that become dynamic
// follow - whatever order the selection had.
std::vector<RefPtr<CCacheObj>> SwitchOrder(CCache& cache, const std::vector<RefPtr<CCacheObj>>& objects) {
    std::vector<RefPtr<CCacheObj>> ordered(objects);
    std::vector<bool> dynamic;
    for (const RefPtr<CCacheObj>& object : ordered) dynamic.push_back(object && IsDynamicUnderParent(cache, object));
    std::vector<size_t> order(ordered.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_partition(order.begin(), order.end(), [&](size_t i) { return dynamic[i]; });
    std::vector<RefPtr<CCacheObj>> result;
    for (size_t i : order) result.push_back(ordered[i]);
    return result;
}

// The link manager of a cached object's item, in `out`: the failing call's
// HRESULT, or S_OK (out may stay null).
HRESULT LinkManagerOf(const RefPtr<CCacheObj>& object, CComPtr<IItmLinkManager>& out) {
    if (!object || !object->moInner || !object->moInner->mpoItem) return E_POINTER;
    return object->moInner->mpoItem->get_LinkManager(&out);
}

}  // namespace

HRESULT LinkOpRefresh::mhApply(CCache& cache, RefreshNs::RefreshItemI* step) {
    if (!moTarget) return E_POINTER;
    const HRESULT hr = cache.mhUpdateChildren(moTarget->moInner, moPreviousChildren);
    // The visit's mode is the operation: 2 hands each object to the step as
    // an added row, 3 as a deleted one, 5 offers the paths alone.
    if (step && SUCCEEDED(hr)) cache.VisitItemPaths(step, moTarget, moObjects, meOperation);
    return hr;
}

HRESULT CCache::mhApplyLinkOperation(RefPtr<CCacheObj>* target, std::vector<RefPtr<CCacheObj>>& objects,
                                     ItmLinkOperation operation, ILocalTransactionMgr* transaction,
                                     std::vector<std::shared_ptr<LinkOpRefresh>>* deferred) {
    if (objects.empty()) return S_OK;
    if (operation != LinkOp_New && operation != LinkOp_Remove && operation != LinkOp_Switch)
        return E_ITEM_INVALID_LINK_OPERATION;
    // New goes under a target; Remove and Switch act on each object's parent.
    const bool hasTarget = target && *target;
    if (hasTarget != (operation == LinkOp_New)) return E_ITEM_INVALID_LINK_OPERATION;

    try {
        // Outside a transaction the views are told at once, through a refresh
        // step of the application's; it is finished on every way out,
        // failures and raised errors included.
        RefreshNs::RefreshItemPtr step;
        if (!transaction) {
            if (RefreshNs::RefreshIF* application = GetApplicationRefresh()) {
                RefreshNs::RefreshItemI* made = nullptr;
                application->Refresh(0, this, &made);
                step.reset(made);
            }
        }

        // The change of one item is applied now, or recorded for after the
        // commit (nothing is recorded without a vector: the caller then
        // refreshes the cache its own way).
        auto settle = [&](const std::shared_ptr<LinkOpRefresh>& record) -> HRESULT {
            if (transaction) {
                if (deferred) deferred->push_back(record);
                return S_OK;
            }
            return record->mhApply(*this, step.get());
        };

        if (hasTarget) {
            const RefPtr<CCacheObj>& item = *target;
            CComPtr<IItmLinkManager> links;
            if (HRESULT hr = LinkManagerOf(item, links); FAILED(hr)) return hr;
            if (!links) return E_POINTER;
            if (transaction) {
                if (HRESULT hr = JoinTransaction(links, transaction); FAILED(hr)) return hr;
            }
            auto record = std::make_shared<LinkOpRefresh>();
            if (HRESULT hr = GetChildKeys(item->moInner, record->moPreviousChildren); FAILED(hr)) return hr;
            SAFEARRAY* raw = nullptr;
            if (HRESULT hr = CacheObjsToSafeArray(objects, &raw); FAILED(hr)) return hr;
            com::OwnedSafeArray array(raw);
            gvCheckCall(links->AddLinks2(array.get(), LinkOp_New), links);
            item->mvSetModifiedNow();
            record->moTarget = item;
            record->moObjects = objects;
            record->meOperation = LinkOp_New;
            settle(record);  // the paste's result does not depend on the cache's update
            return S_OK;
        }

        const bool single = objects.size() == 1;
        const std::vector<RefPtr<CCacheObj>> order =
            operation == LinkOp_Switch && !single ? SwitchOrder(*this, objects) : objects;
        HRESULT result = S_OK;
        for (const RefPtr<CCacheObj>& object : order) {
            RefPtr<CCacheObj> parent;
            if (!object || !mbGetParent(object, parent) || !parent || !parent->moInner ||
                parent->moInner->meType != ItmObjectType_Item)
                continue;
            // Only a file's link is switched alone; anything else is left as
            // it is, the item's links and transaction untouched.
            if (operation == LinkOp_Switch && single &&
                (!object->moInner || object->moInner->meType != ItmObjectType_File))
                continue;
            auto record = std::make_shared<LinkOpRefresh>();
            if (HRESULT hr = GetChildKeys(parent->moInner, record->moPreviousChildren); FAILED(hr)) return hr;
            CComPtr<IItmLinkManager> links;
            if (HRESULT hr = LinkManagerOf(parent, links); FAILED(hr)) return hr;
            if (!links) continue;
            if (transaction) {
                if (HRESULT hr = JoinTransaction(links, transaction); FAILED(hr)) return hr;
            }

            std::vector<RefPtr<CCacheObj>> list{object};
            if (operation == LinkOp_Switch && single) {
                // One file alone: when it is static and the item has a dynamic
                // link, that file goes along (first), so the dynamic link
                // moves in one call instead of the item getting two.
                CComQIPtr<IItmFile> file(object->moInner->mpoItem.GetInterfacePtr());
                if (!file) return E_OXN_NULL_VALUE;
                ItmLink* raw = nullptr;
                gvCheckCall(file->GetItmLink(&raw), file);
                const ItmLinkRecord link(raw);
                if (!link) return E_OXN_NULL_VALUE;
                if (link->meLinkType == LinkType_Static) {
                    std::vector<RefPtr<CCacheObj>> dynamic;
                    FindDynamicLinkObject(*this, links, dynamic);
                    if (!dynamic.empty() && dynamic.front()->moInner != object->moInner)
                        list.insert(list.begin(), dynamic.front());
                }
            }

            SAFEARRAY* raw = nullptr;
            if (HRESULT hr = CacheObjsToSafeArray(list, &raw); FAILED(hr)) return hr;
            com::OwnedSafeArray array(raw);
            if (operation == LinkOp_Remove)
                gvCheckCall(links->RemoveLinks2(array.get()), links);
            else
                gvCheckCall(links->SwitchLinks(array.get()), links);
            parent->mvSetModifiedNow();

            record->moTarget = parent;
            record->moObjects = std::move(list);
            record->meOperation = operation;
            result = settle(record);  // S_OK when deferred
        }
        return result;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
