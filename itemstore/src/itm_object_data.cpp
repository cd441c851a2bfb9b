#include "itemstore/itm_object_data.h"

#include "com/bstr.h"
#include "common/error_codes.h"

#include <cstring>
#include <iterator>

using namespace BellquistLib;

namespace {

// The nine strings of a record, in field order.
BSTR ItmObjectData::*const kStrings[] = {
    &ItmObjectData::moFilename, &ItmObjectData::moPath,          &ItmObjectData::moConfigName,
    &ItmObjectData::moLockedBy, &ItmObjectData::moLockedPath,    &ItmObjectData::moState,
    &ItmObjectData::moDomain,   &ItmObjectData::moAlternateName, &ItmObjectData::mbsLinkedFile,
};

// A fresh copy of `text` (null stays null). False without memory.
bool CopyString(BSTR text, BSTR* copy) {
    *copy = text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
    return *copy || !text;
}

}  // namespace

HRESULT ghInitItmObjectData(ItmObjectData* data, const LoadItmObjectData* load) {
    std::memset(static_cast<void*>(data), 0, sizeof(*data));
    data->mlConfigID = -1;
    data->mbIsUpToDate = 1;
    if (!load) return S_OK;
    if (!CopyString(load->moIncludePath, &data->moPath)) return E_OUTOFMEMORY;
    // The record holds its own reference, so it stays valid however long the
    // record lives (records are also released through their record info).
    data->mpoConnection = load->mpoConnection;
    if (data->mpoConnection) data->mpoConnection->AddRef();
    return S_OK;
}

HRESULT ghCopyItmObjectData(ItmObjectData* target, const ItmObjectData* source, const LoadItmObjectData* load) {
    if (!target || !source) return E_OXN_NULL_VALUE;
    // All copies first, so that a failure leaves the target as it was.
    BSTR copies[std::size(kStrings)] = {};
    for (size_t i = 0; i < std::size(kStrings); ++i) {
        if (load && kStrings[i] == &ItmObjectData::moPath) continue;
        if (!CopyString(source->*kStrings[i], &copies[i])) {
            for (BSTR copy : copies) SysFreeString(copy);
            return E_OUTOFMEMORY;
        }
    }

    ItmObjectData result = *source;
    result.mlStatusID = 0;
    result.mlDynLinkedFileVersion = 0;
    result.mbIsCutlist = source->mbIsCutlist ? VARIANT_TRUE : VARIANT_FALSE;
    for (size_t i = 0; i < std::size(kStrings); ++i) {
        if (load && kStrings[i] == &ItmObjectData::moPath) {
            result.moPath = target->moPath;
        } else {
            SysFreeString(target->*kStrings[i]);
            result.*kStrings[i] = copies[i];
        }
    }
    if (load || !source->mpoConnection) {
        result.mpoConnection = target->mpoConnection;
    } else {
        source->mpoConnection->AddRef();
        if (target->mpoConnection) target->mpoConnection->Release();
    }
    *target = result;
    return S_OK;
}

HRESULT ghCheckItmObjectData(const ItmObjectData* data) {
    if (!data) return E_OXN_NOT_INITIALIZED;
    for (BSTR ItmObjectData::*field : kStrings) {
        if (field != &ItmObjectData::mbsLinkedFile && !(data->*field)) return E_OXN_NOT_INITIALIZED;
    }
    return S_OK;
}

void gvFreeItmObjectData(ItmObjectData* data) {
    if (!data) return;
    for (BSTR ItmObjectData::*field : kStrings) {
        SysFreeString(data->*field);
        data->*field = nullptr;
    }
    if (data->mpoConnection) data->mpoConnection->Release();
    data->mpoConnection = nullptr;
}
