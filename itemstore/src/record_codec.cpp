#include "record_codec.h"

#include "common/error_codes.h"
#include "stream_io.h"

#include <cstring>
#include <new>

namespace {

// Byte count of a stored text: its code units and the terminator.
uint32_t StoredTextBytes(std::u16string_view text) { return static_cast<uint32_t>(2 * (text.size() + 1)); }

bool WriteText(ISequentialStream* stream, std::u16string_view text) {
    uint8_t bytes[2 * kItemPathCapacity];
    size_t count = 0;
    for (char16_t c : text) {
        bytes[count++] = static_cast<uint8_t>(c & 0xFF);
        bytes[count++] = static_cast<uint8_t>(c >> 8);
    }
    bytes[count++] = 0;
    bytes[count++] = 0;
    return gbWriteExactly(stream, bytes, count);
}

// A stored byte count that fits a text field of `capacity` code units:
// even, holding at least the terminator.
bool IsSoundTextBytes(uint32_t bytes, int capacity) {
    return bytes >= 2 && bytes % 2 == 0 && bytes <= 2u * static_cast<uint32_t>(capacity);
}

// Reads `bytes` (already checked against the field's capacity) into a
// field, then forces the terminator: a stored text without its NUL must not
// run into the next field.
bool ReadText(ISequentialStream* stream, uint32_t bytes, char16_t* field) {
    uint8_t buffer[2 * kItemPathCapacity];
    if (!gbReadExactly(stream, buffer, bytes)) return false;
    const uint32_t units = bytes / 2;
    for (uint32_t i = 0; i < units; ++i) field[i] = static_cast<char16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
    field[units - 1] = u'\0';
    return true;
}

}  // namespace

HRESULT ghWriteItemRecord(ISequentialStream* stream, const ItemObject& record) {
    const std::u16string_view name = record.moFileName();
    const std::u16string_view path = record.moPath();
    const int32_t head[8] = {kItemRecordVersion,
                             static_cast<int32_t>(StoredTextBytes(name)),
                             static_cast<int32_t>(StoredTextBytes(path)),
                             record.mlObjectID,
                             record.mlParentProjectID,
                             record.mlAttachedVersion,
                             record.mlConfigID,
                             record.meObjectType};
    for (int32_t word : head)
        if (!gbWriteInt32(stream, word)) return E_OXN_IO_ERROR;
    uint64_t dateBits;
    std::memcpy(&dateBits, &record.mdModifiedDate, sizeof dateBits);
    if (!gbWriteUInt64(stream, dateBits)) return E_OXN_IO_ERROR;
    if (!WriteText(stream, name) || !WriteText(stream, path)) return E_OXN_IO_ERROR;
    // On disk the link pairs come last, after the dirty flag.
    const int32_t tail[5] = {record.mlDirty, record.meLinkType, record.meLinkOperation, record.meInitialLinkType,
                             record.meInitialLinkOperation};
    for (int32_t word : tail)
        if (!gbWriteInt32(stream, word)) return E_OXN_IO_ERROR;
    return S_OK;
}

HRESULT ghReadItemRecord(ISequentialStream* stream, ItemObject& record) {
    int32_t version;
    if (!gbReadInt32(stream, version)) return E_OXN_IO_ERROR;
    if (version < kItemRecordVersion) return S_OK;

    uint32_t nameBytes, pathBytes;
    if (!gbReadUInt32(stream, nameBytes) || !gbReadUInt32(stream, pathBytes)) return E_OXN_IO_ERROR;
    // A damaged record must not overrun the fixed text fields.
    if (!IsSoundTextBytes(nameBytes, kItemFileNameCapacity) || !IsSoundTextBytes(pathBytes, kItemPathCapacity))
        return E_OXN_IO_ERROR;

    int32_t* const fixed[5] = {&record.mlObjectID, &record.mlParentProjectID, &record.mlAttachedVersion,
                               &record.mlConfigID, &record.meObjectType};
    for (int32_t* field : fixed)
        if (!gbReadInt32(stream, *field)) return E_OXN_IO_ERROR;
    uint64_t dateBits;
    if (!gbReadUInt64(stream, dateBits)) return E_OXN_IO_ERROR;
    std::memcpy(&record.mdModifiedDate, &dateBits, sizeof dateBits);
    if (!ReadText(stream, nameBytes, record.mszFileName)) return E_OXN_IO_ERROR;
    if (!ReadText(stream, pathBytes, record.mszPath)) return E_OXN_IO_ERROR;
    int32_t* const tail[5] = {&record.mlDirty, &record.meLinkType, &record.meLinkOperation, &record.meInitialLinkType,
                              &record.meInitialLinkOperation};
    for (int32_t* field : tail)
        if (!gbReadInt32(stream, *field)) return E_OXN_IO_ERROR;
    return S_OK;
}

HRESULT ghLoadItemRecord(ISequentialStream* stream, RefPtr<ItemObject>& record) {
    try {
        record = new ItemObject;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return ghReadItemRecord(stream, *record);
}
