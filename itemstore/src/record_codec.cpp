#include "record_codec.h"

#include "common/error_codes.h"

#include <cstring>
#include <new>

namespace {

// Byte count of a stored text: its code units and the terminator.
uint32_t StoredTextBytes(std::u16string_view text) { return static_cast<uint32_t>(2 * (text.size() + 1)); }

void AppendText(std::vector<uint8_t>& bytes, std::u16string_view text) {
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
}

// A stored byte count that fits a text field of `capacity` code units:
// even, holding at least the terminator.
bool IsSoundTextBytes(uint32_t bytes, int capacity) {
    return bytes >= 2 && bytes % 2 == 0 && bytes <= 2u * static_cast<uint32_t>(capacity);
}

// Takes `bytes` (already checked against the field's capacity) into a
// field, then forces the terminator: a stored text without its NUL must not
// run into the next field.
bool TakeText(ByteReader& in, uint32_t bytes, char16_t* field) {
    std::span<const uint8_t> text;
    if (!in.mbTakeView(bytes, text)) return false;
    const uint32_t units = bytes / 2;
    for (uint32_t i = 0; i < units; ++i) field[i] = static_cast<char16_t>(text[2 * i] | (text[2 * i + 1] << 8));
    field[units - 1] = u'\0';
    return true;
}

}  // namespace

void gvEncodeItemRecord(const ItemObject& record, std::vector<uint8_t>& bytes) {
    const std::u16string_view name = record.moFileName();
    const std::u16string_view path = record.moPath();
    bytes.reserve(bytes.size() + kItemRecordFixedBytes + StoredTextBytes(name) + StoredTextBytes(path));
    const int32_t head[8] = {kItemRecordVersion,
                             static_cast<int32_t>(StoredTextBytes(name)),
                             static_cast<int32_t>(StoredTextBytes(path)),
                             record.mlObjectID,
                             record.mlParentProjectID,
                             record.mlAttachedVersion,
                             record.mlConfigID,
                             record.meObjectType};
    for (int32_t word : head) gvAppendInt32(bytes, word);
    uint64_t dateBits;
    std::memcpy(&dateBits, &record.mdModifiedDate, sizeof dateBits);
    gvAppendUInt64(bytes, dateBits);
    AppendText(bytes, name);
    AppendText(bytes, path);
    // On disk the link pairs come last, after the dirty flag.
    const int32_t tail[5] = {record.mlDirty, record.meLinkType, record.meLinkOperation, record.meInitialLinkType,
                             record.meInitialLinkOperation};
    for (int32_t word : tail) gvAppendInt32(bytes, word);
}

HRESULT ghDecodeItemRecord(ByteReader& in, ItemObject& record) {
    int32_t version;
    if (!in.mbTakeInt32(version)) return E_OXN_IO_ERROR;
    if (version < kItemRecordVersion) return S_OK;

    uint32_t nameBytes, pathBytes;
    if (!in.mbTakeUInt32(nameBytes) || !in.mbTakeUInt32(pathBytes)) return E_OXN_IO_ERROR;
    // A damaged record must not overrun the fixed text fields.
    if (!IsSoundTextBytes(nameBytes, kItemFileNameCapacity) || !IsSoundTextBytes(pathBytes, kItemPathCapacity))
        return E_OXN_IO_ERROR;

    int32_t* const fixed[5] = {&record.mlObjectID, &record.mlParentProjectID, &record.mlAttachedVersion,
                               &record.mlConfigID, &record.meObjectType};
    for (int32_t* field : fixed)
        if (!in.mbTakeInt32(*field)) return E_OXN_IO_ERROR;
    uint64_t dateBits;
    if (!in.mbTakeUInt64(dateBits)) return E_OXN_IO_ERROR;
    std::memcpy(&record.mdModifiedDate, &dateBits, sizeof dateBits);
    if (!TakeText(in, nameBytes, record.mszFileName)) return E_OXN_IO_ERROR;
    if (!TakeText(in, pathBytes, record.mszPath)) return E_OXN_IO_ERROR;
    int32_t* const tail[5] = {&record.mlDirty, &record.meLinkType, &record.meLinkOperation, &record.meInitialLinkType,
                              &record.meInitialLinkOperation};
    for (int32_t* field : tail)
        if (!in.mbTakeInt32(*field)) return E_OXN_IO_ERROR;
    return S_OK;
}

HRESULT ghLoadItemRecord(ByteReader& in, RefPtr<ItemObject>& record) {
    try {
        record = new ItemObject;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return ghDecodeItemRecord(in, *record);
}

HRESULT ghWriteItemRecord(ISequentialStream* stream, const ItemObject& record) {
    std::vector<uint8_t> bytes;
    try {
        gvEncodeItemRecord(record, bytes);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return gbWriteExactly(stream, bytes.data(), bytes.size()) ? S_OK : E_OXN_IO_ERROR;
}

HRESULT ghReadItemRecord(ISequentialStream* stream, ItemObject& record) {
    // Gathers the record's bytes in three reads, each sized by what the one
    // before gave; the decoder then judges them, so a read cut short fails
    // at the same field as a record cut short.
    uint8_t buffer[kItemRecordMaxBytes];
    size_t have = 0;
    auto readMore = [&](size_t count) {
        ULONG read = 0;
        const HRESULT hr = stream->Read(buffer + have, static_cast<ULONG>(count), &read);
        if (FAILED(hr)) return false;
        have += read;
        return read == count;
    };
    auto wordAt = [&](size_t offset) {
        uint32_t value;
        ByteReader word(std::span<const uint8_t>(buffer + offset, 4));
        word.mbTakeUInt32(value);
        return value;
    };
    if (readMore(4) && static_cast<int32_t>(wordAt(0)) >= kItemRecordVersion && readMore(8)) {
        const uint32_t nameBytes = wordAt(4), pathBytes = wordAt(8);
        if (IsSoundTextBytes(nameBytes, kItemFileNameCapacity) && IsSoundTextBytes(pathBytes, kItemPathCapacity))
            readMore(kItemRecordFixedBytes - 12 + nameBytes + pathBytes);
    }
    ByteReader in(std::span<const uint8_t>(buffer, have));
    return ghDecodeItemRecord(in, record);
}

HRESULT ghLoadItemRecord(ISequentialStream* stream, RefPtr<ItemObject>& record) {
    try {
        record = new ItemObject;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return ghReadItemRecord(stream, *record);
}
