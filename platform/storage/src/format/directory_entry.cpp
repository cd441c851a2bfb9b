#include "format/directory_entry.h"

#include "format/endian.h"

#include <cstring>

namespace storage::format {

namespace {

constexpr size_t kNameLengthAt = 0x40;
constexpr size_t kTypeAt = 0x42;
constexpr size_t kColourAt = 0x43;
constexpr size_t kLeftAt = 0x44;
constexpr size_t kRightAt = 0x48;
constexpr size_t kChildAt = 0x4C;
constexpr size_t kClsidAt = 0x50;
constexpr size_t kStateBitsAt = 0x60;
constexpr size_t kCreationTimeAt = 0x64;
constexpr size_t kModifiedTimeAt = 0x6C;
constexpr size_t kStartSectorAt = 0x74;
constexpr size_t kSizeAt = 0x78;

void LoadGuid(const uint8_t* p, GUID* guid) {
    guid->Data1 = Load32(p);
    guid->Data2 = Load16(p + 4);
    guid->Data3 = Load16(p + 6);
    std::memcpy(guid->Data4, p + 8, 8);
}

void StoreGuid(uint8_t* p, const GUID& guid) {
    Store32(p, guid.Data1);
    Store16(p + 4, guid.Data2);
    Store16(p + 6, guid.Data3);
    std::memcpy(p + 8, guid.Data4, 8);
}

}  // namespace

bool DirectoryEntry::DecodeName(std::u16string* name) const {
    if (nameLengthBytes < 4 || nameLengthBytes > 64 || nameLengthBytes % 2 != 0) {
        return false;
    }
    const size_t units = nameLengthBytes / 2 - 1;
    for (size_t i = 0; i < units; ++i) {
        if (nameUnits[i] == 0) {
            return false;
        }
    }
    name->assign(nameUnits, units);
    return true;
}

void DirectoryEntry::SetName(std::u16string_view name) {
    std::memset(nameUnits, 0, sizeof(nameUnits));
    const size_t units = name.size() < 32 ? name.size() : 31;
    std::memcpy(nameUnits, name.data(), units * 2);
    nameLengthBytes = static_cast<uint16_t>(2 * (units + 1));
}

void ParseDirectoryEntry(const uint8_t* bytes, DirectoryEntry* entry) {
    for (size_t i = 0; i < 32; ++i) {
        entry->nameUnits[i] = static_cast<char16_t>(Load16(bytes + 2 * i));
    }
    entry->nameLengthBytes = Load16(bytes + kNameLengthAt);
    entry->type = bytes[kTypeAt];
    entry->colour = bytes[kColourAt] == 0 ? EntryColour::Red : EntryColour::Black;
    entry->left = Load32(bytes + kLeftAt);
    entry->right = Load32(bytes + kRightAt);
    entry->child = Load32(bytes + kChildAt);
    LoadGuid(bytes + kClsidAt, &entry->clsid);
    entry->stateBits = Load32(bytes + kStateBitsAt);
    entry->creationTime = Load64(bytes + kCreationTimeAt);
    entry->modifiedTime = Load64(bytes + kModifiedTimeAt);
    entry->startSector = Load32(bytes + kStartSectorAt);
    entry->size = Load64(bytes + kSizeAt);
}

void SerializeDirectoryEntry(const DirectoryEntry& entry, uint8_t* bytes) {
    std::memset(bytes, 0, kDirectoryEntrySize);
    for (size_t i = 0; i < 32; ++i) {
        Store16(bytes + 2 * i, entry.nameUnits[i]);
    }
    Store16(bytes + kNameLengthAt, entry.nameLengthBytes);
    bytes[kTypeAt] = entry.type;
    bytes[kColourAt] = static_cast<uint8_t>(entry.colour);
    Store32(bytes + kLeftAt, entry.left);
    Store32(bytes + kRightAt, entry.right);
    Store32(bytes + kChildAt, entry.child);
    StoreGuid(bytes + kClsidAt, entry.clsid);
    Store32(bytes + kStateBitsAt, entry.stateBits);
    Store64(bytes + kCreationTimeAt, entry.creationTime);
    Store64(bytes + kModifiedTimeAt, entry.modifiedTime);
    Store32(bytes + kStartSectorAt, entry.startSector);
    Store64(bytes + kSizeAt, entry.size);
}

}  // namespace storage::format
