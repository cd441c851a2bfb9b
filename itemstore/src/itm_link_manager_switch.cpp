// CItmLinkManager: switching file links between dynamic and static.
//
// Every switch is checked in full before anything changes, and a switch
// that would leave the owner with two dynamic links is refused with
// E_ITEM_MANY_DYN_LINKS. Within one SwitchLinks call the dynamic link may move
// from one file to another (one file becomes static, another dynamic).
#include "itemstore/itm_link_manager.h"

#include "itm_object_variant.h"
#include "owner_cache.h"

#include "itemstore/itm_object_records.h"
#include "common/error_codes.h"
#include "itm_link_rules.h"
#include "itemstore/itm_object_private.h"

#include "common/record_array.h"
#include "com/method_boundary.h"

#include <set>
#include <vector>

using namespace BellquistLib;

namespace {

using KeySet = std::set<ItmUniqueID, UniqueIDBytesLess>;

// The owner's dynamic links: those of the table, and the file of the
// dynamic-link record (which the private EraseLink and ClearLinks leave in
// place without its table entry).
KeySet DynamicLinksOf(const LinkState& state) {
    KeySet keys;
    for (const auto& [key, link] : state.moLinks) {
        if (link.meLinkType == LinkType_Dynamic) keys.insert(key);
    }
    if (state.mbHasDynamicLink()) {
        keys.insert(goMakeTableKey(ItmObjectType_File, state.moDynamicLink.mlObjectID, state.moDynamicLink.mlConfigID));
    }
    return keys;
}

// The switches of one call, checked before any is made: each a linked file
// (E_ITEM_INVALID_SOURCE), at most one becoming dynamic and one static, and at
// most one dynamic link afterwards (E_ITEM_MANY_DYN_LINKS).
class SwitchPlan {
public:
    struct Switch {
        CComPtr<IItmObject> object;
        ItmUniqueID key;
    };

    explicit SwitchPlan(const LinkState& state) : state_(state), dynamicAfter_(DynamicLinksOf(state)) {}

    HRESULT mhAdd(IItmObject* object) {
        ItmLink link{};
        HRESULT hr = ghMakeItmLink(object, LinkOp_Switch, &link);
        if (FAILED(hr)) return hr;
        const ItmUniqueID key = goMakeTableKey(link.meObjectType, link.mlObjectID, link.mlConfigID);
        auto linked = state_.moLinks.find(key);
        if (link.meObjectType != ItmObjectType_File || linked == state_.moLinks.end()) return E_ITEM_INVALID_SOURCE;
        if (linked->second.meLinkType == LinkType_Dynamic) {
            if (++becomeStatic_ > 1) return E_ITEM_MANY_DYN_LINKS;
            dynamicAfter_.erase(key);
        } else {
            if (++becomeDynamic_ > 1) return E_ITEM_MANY_DYN_LINKS;
            dynamicAfter_.insert(key);
        }
        switches.push_back({CComPtr<IItmObject>(object), key});
        return S_OK;
    }
    HRESULT mhCheckResult() const { return dynamicAfter_.size() > 1 ? E_ITEM_MANY_DYN_LINKS : S_OK; }

    std::vector<Switch> switches;

private:
    const LinkState& state_;
    KeySet dynamicAfter_;
    int becomeDynamic_ = 0;
    int becomeStatic_ = 0;
};

}  // namespace

HRESULT CItmLinkManager::mhSwitch(IItmObject* object, const ItmUniqueID& key) {
    CLinkData& link = *moCurrent.mpoFind(key);
    const LONG id = link.moChild.mlObjectID, config = link.moChild.mlConfigID;
    if (link.meLinkType == LinkType_Dynamic) {
        link.meLinkType = LinkType_Static;
        if (moCurrent.moDynamicLink.mlObjectID == id && moCurrent.moDynamicLink.mlConfigID == config)
            moCurrent.mvSetDynamicLink(0, 0);
    } else {
        link.meLinkType = LinkType_Dynamic;
        moCurrent.mvSetDynamicLink(id, config);
    }
    link.meLinkOperation = LinkOp_Switch;
    const ItmLinkType newType = link.meLinkType;

    CComQIPtr<IItmFile> file(object);
    if (!file) return E_ITEM_INVALID_SOURCE;
    CComQIPtr<IItmObjectPrivate> access(object);
    if (access) {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_I4;
        value.lVal = newType;
        HRESULT hr = access->PutProperty(ItmProperty_LinkType, value);
        if (FAILED(hr)) return hr;
    }

    if (!mpoCacheFile) return S_OK;
    RefPtr<ChildWithLink> child = goMakeChildWithLink(object, true);
    if (!child) return S_OK;  // an object whose properties cannot be read is not written
    OwnerCache cache = mhOwnerCache(kCacheLockWrite);
    HRESULT hr = cache.mhTouchItem(moCurrent.moOwnerName);
    if (FAILED(hr)) return hr;
    return cache.mhSetFileChildLink(moCurrent.moOwnerName, child, newType, LinkOp_Switch);
}

HRESULT CItmLinkManager::SwitchLink(IItmObject* object) {
    if (!object) return E_OXN_NULL_VALUE;
    return com::Boundary([&] {
        SwitchPlan plan(moCurrent);
        HRESULT hr = plan.mhAdd(object);
        if (SUCCEEDED(hr)) hr = plan.mhCheckResult();
        if (FAILED(hr)) return hr;
        return mhSwitch(object, plan.switches.front().key);
    });
}

HRESULT CItmLinkManager::SwitchLinks(SAFEARRAY* objects) {
    if (!objects) return E_OXN_NULL_VALUE;
    return com::Boundary([&] {
        RecordArray<VARIANT> array(objects);
        SwitchPlan plan(moCurrent);
        for (const VARIANT* value = array.mpoBegin(); value != array.mpoEnd(); ++value) {
            CComPtr<IItmObject> object;
            HRESULT hr = ghItmObjectOf(*value, object);
            if (SUCCEEDED(hr)) hr = plan.mhAdd(object);
            if (FAILED(hr)) return hr;
        }
        HRESULT hr = plan.mhCheckResult();
        if (FAILED(hr)) return hr;
        // A failure ends the call; the switches made before it stay.
        for (const SwitchPlan::Switch& planned : plan.switches) {
            hr = mhSwitch(planned.object, planned.key);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    });
}
