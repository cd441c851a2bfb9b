#include "explorer/data/cache_keys.h"

LONG NormalizeLinkKeyType(LONG type) noexcept {
    return type == BellquistLib::ItmObjectType_Vault || type == BellquistLib::ItmObjectType_Project
               ? BellquistLib::ItmObjectType_ItemFolder
               : type;
}
