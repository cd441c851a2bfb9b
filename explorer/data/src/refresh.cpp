#include "explorer/data/refresh.h"

#include "explorer/data/com_error_raising.h"

namespace RefreshNs {

bool gbContainsObject(const std::vector<CComPtr<BellquistLib::IItmObject>>& objects, LONG id, LONG type) {
    for (const auto& object : objects) {
        if (!object) continue;
        LONG objectId = 0;
        gvCheckCall(object->get_ID(&objectId), object);
        BellquistLib::ItmObjectType objectType{};
        gvCheckCall(object->get_Type(&objectType), object);
        if (objectId == id && objectType == type) return true;
    }
    return false;
}

}  // namespace RefreshNs
