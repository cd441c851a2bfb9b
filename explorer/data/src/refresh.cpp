#include "explorer/data/refresh.h"

#include "com/com_error.h"

namespace RefreshNs {

bool gbContainsObject(const std::vector<CComPtr<BellquistLib::IItmObject>>& objects, LONG id, LONG type) {
    using BellquistLib::IItmObject;
    for (const auto& object : objects) {
        if (!object) continue;
        LONG objectId = 0;
        HRESULT hr = object->get_ID(&objectId);
        if (FAILED(hr)) _com_issue_errorex(hr, object.GetInterfacePtr(), IItmObject::kIid);
        BellquistLib::ItmObjectType objectType{};
        hr = object->get_Type(&objectType);
        if (FAILED(hr)) _com_issue_errorex(hr, object.GetInterfacePtr(), IItmObject::kIid);
        if (objectId == id && objectType == type) return true;
    }
    return false;
}

}  // namespace RefreshNs
