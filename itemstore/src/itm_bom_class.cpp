#include "itemstore/itm_bom_class.h"

using namespace BellquistLib;

HRESULT CItmBOM::get_LinkType(ItmLinkType* linkType) { return mhGetLinkType(linkType); }
HRESULT CItmBOM::get_ConfigID(LONG* configId) { return mhGetConfigID(configId); }

HRESULT CItmBOM::put_ParentProjectID(LONG parentProjectId) {
    if (!mpoData) return E_FAIL;
    mpoData->mlParentProjectID = parentProjectId;
    return S_OK;
}

HRESULT CItmBOM::GetItmLink(ItmLink** link) { return ItmObjBase::GetItmLink(link); }
HRESULT CItmBOM::GetLinkData(ItmLinkData** linkData) { return ItmObjBase::GetLinkData(linkData); }
