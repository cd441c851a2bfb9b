// LinkOpRefresh: the cache and view update that one link change of an item
// still owes. A link operation inside a local transaction changes the item's
// links at once but leaves the cache as it was; it hands back one record per
// changed item (held by std::shared_ptr in a vector the caller owns), and the
// caller applies each after the transaction committed - never after a
// rollback, which takes the links back.
#pragma once

#include "explorer/data/cache_keys.h"
#include "explorer/data/cache_obj.h"

#include "common/ref_ptr.h"

#include "bellquist/enums.h"
#include "winapi/types.h"

#include <vector>

class CCache;
namespace RefreshNs {
class RefreshItemI;
}

struct LinkOpRefresh {
    RefPtr<CCacheObj> moTarget;  // the item whose links changed
    // The objects the change was about; for a switch also the file whose
    // dynamic link was switched along.
    std::vector<RefPtr<CCacheObj>> moObjects;
    BellquistLib::ItmLinkOperation meOperation = BellquistLib::LinkOp_Undefined;  // New, Remove or Switch
    std::vector<CacheObjKey> moPreviousChildren;  // the target's child keys before the change

    // Brings `cache` up to date with the change, once: the target's cached
    // children follow its current links (CCache::mhUpdateChildren, whose
    // result is returned); then, when that did not fail and a refresh step is
    // given, the step is offered every tree path of the target with the
    // objects - added rows for New, deleted rows for Remove, the paths alone
    // for Switch. The step is not finished here: its owner finishes it.
    HRESULT mhApply(CCache& cache, RefreshNs::RefreshItemI* step);
};
