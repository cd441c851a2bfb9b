#include "explorer/data/itm_manager2.h"

CComPtr<BellquistLib::IItmManager2> QueryItmManager2(BellquistLib::IItmManager* manager) {
    CComPtr<BellquistLib::IItmManager2> manager2;
    if (manager) manager->QueryInterface(BellquistLib::IItmManager2::kIid, reinterpret_cast<void**>(&manager2));
    return manager2;
}
