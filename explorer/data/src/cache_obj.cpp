#include "explorer/data/cache_obj.h"

#include "com/ole_date.h"
#include "com/unknown.h"
#include "winapi/system_time.h"

#include <utility>

using BellquistLib::IItmObject;

CCacheObjInner::CCacheObjInner(CCache* cache, LONG type, LONG id, IItmObject* item, std::u16string name)
    : mpoItem(item), meType(type), mlID(id), moName(std::move(name)), mpoCache(cache) {}

LONG CCacheObjInner::mlGetLocalVersion() {
    if (mpoItem && mlLocalVersion == 0) {
        VARIANT_BOOL dirty = VARIANT_FALSE;
        if (SUCCEEDED(mpoItem->get_IsDirty(&dirty)) && dirty != VARIANT_FALSE) {
            mlLocalVersion = -1;
        } else {
            // A failing read leaves 0, "not read yet": asked again next time.
            LONG version = 0;
            if (SUCCEEDED(mpoItem->get_LocalVersion(&version))) mlLocalVersion = version;
        }
    }
    return mlLocalVersion;
}

DATE CCacheObjInner::mdGetModifiedDate() const {
    DATE modified = 0.0;
    if (!mpoItem || FAILED(mpoItem->get_ModifiedDate(&modified))) return 0.0;
    return modified;
}

GUID CCacheObjInner::moGetLockViewID() const {
    GUID view{};
    if (!mpoItem || FAILED(mpoItem->get_LockViewID(&view))) return GUID_NULL;
    return view;
}

void CCacheObjInner::mvSetItem(IItmObject* item) {
    mpoItem = item;  // CComPtr keeps the reference when it is the same object
    mlLocalVersion = 0;
}

CCacheObj::CCacheObj(RefPtr<CCacheObjInner> inner) : moInner(std::move(inner)) {
    LONG parent = -1;
    if (moInner && moInner->mpoItem && SUCCEEDED(moInner->mpoItem->get_ParentProjectID(&parent))) mlParentID = parent;
}

CCacheObj::CCacheObj(RefPtr<CCacheObjInner> inner, LONG parentType, LONG parentId)
    : meParentType(parentType), mlParentID(parentId), moInner(std::move(inner)) {}

LONG CCacheObj::mlGetParentProjectID() const {
    LONG parent = -1;
    if (!moInner || !moInner->mpoItem || FAILED(moInner->mpoItem->get_ParentProjectID(&parent))) return -1;
    return parent;
}

void CCacheObj::mvSetModifiedNow() {
    if (!moInner) return;
    if (IItmObject* item = moInner->mpoItem) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        now.wMilliseconds = 0;  // to the second
        DATE date = 0.0;
        SystemTimeToVariantTime(&now, &date);
        item->put_ModifiedDate(date);
        item->put_IsDirty(VARIANT_TRUE);
    }
    moInner->mlLocalVersion = 0;
}
