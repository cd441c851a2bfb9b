#include "itemstore/itm_file_class.h"

#include "common/error_codes.h"

using namespace BellquistLib;

HRESULT CItmFile::get_LinkType(ItmLinkType* linkType) { return mhGetLinkType(linkType); }
HRESULT CItmFile::get_ConfigID(LONG* configId) { return mhGetConfigID(configId); }
HRESULT CItmFile::GetItmLink(ItmLink** link) { return ItmObjBase::GetItmLink(link); }
HRESULT CItmFile::GetLinkData(ItmLinkData** linkData) { return ItmObjBase::GetLinkData(linkData); }

HRESULT CItmFile::get_IsCutlistItem(VARIANT_BOOL* isCutlist) {
    if (!isCutlist) return E_OXN_NULL_VALUE;
    if (!mpoData) return E_POINTER;
    *isCutlist = mpoData->mbIsCutlist;
    return S_OK;
}
