#include "explorer/data/checked_out_here.h"

using namespace BellquistLib;

bool gbIsCheckedOutHere(IItmObject* object, const GUID& viewId, LONG userId) {
    if (!object) return false;
    ItmObjectType type = ItmObjectType_Undefined;
    if (FAILED(object->get_Type(&type)) || (type != ItmObjectType_Item && type != ItmObjectType_BOM)) return false;
    GUID lockView{};
    if (FAILED(object->get_LockViewID(&lockView)) || lockView != viewId) return false;
    LONG lockedBy = 0;
    return SUCCEEDED(object->get_UserID(&lockedBy)) && lockedBy == userId;
}
