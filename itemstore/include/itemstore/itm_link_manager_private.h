// The private access of the item server to a link manager: filling and
// querying its link table without the checks and the cache writes of
// IItmLinkManager. The back ends use it when they load links from the vault.
#pragma once

#include "bellquist/records.h"
#include "com/unknown.h"
#include "winapi/types.h"

namespace BellquistLib {
struct IItmObject;
}

struct IPrivateItmLinkManager : IUnknown {
    COM_INTERFACE_ID("4351587D-DFFF-42F1-A424-169BB1D814B9");
    // AddLink for each of `count` links in order; the first failure ends it
    // (a null entry fails with E_OXN_NULL_VALUE). A null array: S_OK.
    virtual HRESULT STDMETHODCALLTYPE AddLinkPtrs(BellquistLib::ItmLink** links, LONG count) = 0;
    // Does nothing: S_OK.
    virtual HRESULT STDMETHODCALLTYPE NoOperation() = 0;
    // VARIANT_TRUE when the table holds the record's key (type, id, 0,
    // configuration), else VARIANT_FALSE. E_POINTER for a null out,
    // E_OXN_NULL_VALUE for a null record.
    virtual HRESULT STDMETHODCALLTYPE HasLink(BellquistLib::ItmObjectData* data, VARIANT_BOOL* hasLink) = 0;
    // Empties the table (the dynamic-link record stays). S_OK.
    virtual HRESULT STDMETHODCALLTYPE ClearLinks() = 0;
    // Removes the object's link from the table only: no cache change, the
    // dynamic-link record stays. S_OK; E_OXN_NULL_VALUE for a null object.
    virtual HRESULT STDMETHODCALLTYPE EraseLink(BellquistLib::IItmObject* object) = 0;

protected:
    ~IPrivateItmLinkManager() = default;
};
