#include "itemstore/itm_unique_id.h"

#include "bellquist/item_interfaces.h"

#include <cstdint>
#include <cstring>

using namespace BellquistLib;

namespace {

bool KeepsParent(ItmObjectType type) { return type == ItmObjectType_File || type == ItmObjectType_BOM; }

// ConfigID of a file or BOM, through the interface of its kind.
template <class Interface>
bool ReadConfigID(IItmObject* object, LONG* configID) {
    Interface* typed = nullptr;
    if (FAILED(object->QueryInterface(IID_PPV_ARGS(&typed))) || !typed) return false;
    const HRESULT hr = typed->get_ConfigID(configID);
    typed->Release();
    return SUCCEEDED(hr);
}

}  // namespace

ItmUniqueID goMakeUniqueID(ItmObjectType type, LONG objectID, LONG parentID, LONG configID) {
    return ItmUniqueID{type, objectID, KeepsParent(type) ? parentID : 0, configID};
}

ItmUniqueID goMakeLinkKey(const ItmLink& link) {
    return goMakeUniqueID(link.meObjectType, link.mlObjectID, link.mlParentID, link.mlConfigID);
}

ItmUniqueID goMakeLinkKey(const ItmUniqueID& id) {
    return goMakeUniqueID(id.meObjectType, id.mlObjectID, id.mlParentID, id.mlConfigID);
}

bool gbReadUniqueIDOf(IItmObject* object, ItmUniqueID* id) {
    if (!object || !id) return false;
    ItmUniqueID read;
    gvInitUniqueID(&read);
    if (FAILED(object->get_ID(&read.mlObjectID)) || FAILED(object->get_Type(&read.meObjectType))) return false;
    if (read.meObjectType == ItmObjectType_File || read.meObjectType == ItmObjectType_BOM) {
        const bool configRead = read.meObjectType == ItmObjectType_File
                                    ? ReadConfigID<IItmFile>(object, &read.mlConfigID)
                                    : ReadConfigID<IItmBOM>(object, &read.mlConfigID);
        if (!configRead || FAILED(object->get_ParentID(&read.mlParentID))) return false;
    }
    *id = read;
    return true;
}

ItmUniqueID goGetUniqueIDOf(IItmObject* object) {
    ItmUniqueID id;
    if (!gbReadUniqueIDOf(object, &id)) gvInitUniqueID(&id);
    return id;
}

void gvInitUniqueID(ItmUniqueID* id) { *id = ItmUniqueID{ItmObjectType_Undefined, 0, 0, -1}; }

bool gbEqualUniqueID(const ItmUniqueID& left, const ItmUniqueID& right) {
    return std::memcmp(&left, &right, sizeof(ItmUniqueID)) == 0;
}

bool gbUniqueIDLess(const ItmUniqueID& left, const ItmUniqueID& right) {
    return std::memcmp(&left, &right, sizeof(ItmUniqueID)) < 0;
}

size_t UniqueIDBytesHash::operator()(const ItmUniqueID& id) const {
    static_assert(sizeof(ItmUniqueID) == 16);
    uint64_t words[2];
    std::memcpy(words, &id, sizeof words);
    // Two multiplicative mixes: the fields are small numbers, which an
    // identity hash would crowd into few buckets.
    const uint64_t mixed =
        words[0] * 0x9E3779B97F4A7C15ull ^ (words[1] + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<size_t>(mixed ^ (mixed >> 29));
}
