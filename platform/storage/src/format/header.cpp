#include "format/header.h"

#include "format/endian.h"
#include "winapi/errors.h"

#include <cstring>

namespace storage::format {

namespace {

// Field offsets in the header.
constexpr size_t kMinorVersionAt = 0x18;
constexpr size_t kMajorVersionAt = 0x1A;
constexpr size_t kByteOrderAt = 0x1C;
constexpr size_t kSectorShiftAt = 0x1E;
constexpr size_t kMiniSectorShiftAt = 0x20;
constexpr size_t kDirectorySectorCountAt = 0x28;
constexpr size_t kFatSectorCountAt = 0x2C;
constexpr size_t kFirstDirectorySectorAt = 0x30;
constexpr size_t kTransactionSignatureAt = 0x34;
constexpr size_t kMiniStreamCutoffAt = 0x38;
constexpr size_t kFirstMiniFatSectorAt = 0x3C;
constexpr size_t kMiniFatSectorCountAt = 0x40;
constexpr size_t kFirstDifatSectorAt = 0x44;
constexpr size_t kDifatSectorCountAt = 0x48;
constexpr size_t kDifatAt = 0x4C;
constexpr uint16_t kByteOrderMark = 0xFFFE;

}  // namespace

Header::Header() {
    for (uint32_t& id : difat) {
        id = kFreeSector;
    }
}

HRESULT ParseHeader(const uint8_t (&bytes)[kHeaderSize], Header* header) {
    if (std::memcmp(bytes, kSignature, sizeof(kSignature)) != 0) {
        return STG_E_FILEALREADYEXISTS;
    }
    Header h;
    h.minorVersion = Load16(bytes + kMinorVersionAt);
    h.majorVersion = Load16(bytes + kMajorVersionAt);
    h.sectorShift = Load16(bytes + kSectorShiftAt);
    h.miniSectorShift = Load16(bytes + kMiniSectorShiftAt);
    h.directorySectorCount = Load32(bytes + kDirectorySectorCountAt);
    h.fatSectorCount = Load32(bytes + kFatSectorCountAt);
    h.firstDirectorySector = Load32(bytes + kFirstDirectorySectorAt);
    h.transactionSignature = Load32(bytes + kTransactionSignatureAt);
    h.miniStreamCutoff = Load32(bytes + kMiniStreamCutoffAt);
    h.firstMiniFatSector = Load32(bytes + kFirstMiniFatSectorAt);
    h.miniFatSectorCount = Load32(bytes + kMiniFatSectorCountAt);
    h.firstDifatSector = Load32(bytes + kFirstDifatSectorAt);
    h.difatSectorCount = Load32(bytes + kDifatSectorCountAt);
    for (size_t i = 0; i < kHeaderDifatEntries; ++i) {
        h.difat[i] = Load32(bytes + kDifatAt + 4 * i);
    }
    if (Load16(bytes + kByteOrderAt) != kByteOrderMark) {
        return STG_E_DOCFILECORRUPT;
    }
    const bool sizeMatchesVersion =
        (h.majorVersion == kVersion3 && h.sectorShift == 9) || (h.majorVersion == kVersion4 && h.sectorShift == 12);
    if (!sizeMatchesVersion || h.miniSectorShift != 6 || h.miniStreamCutoff != kMiniStreamCutoff) {
        return STG_E_DOCFILECORRUPT;
    }
    *header = h;
    return S_OK;
}

void SerializeHeader(const Header& header, uint8_t (&bytes)[kHeaderSize]) {
    std::memset(bytes, 0, kHeaderSize);
    std::memcpy(bytes, kSignature, sizeof(kSignature));
    Store16(bytes + kMinorVersionAt, header.minorVersion);
    Store16(bytes + kMajorVersionAt, header.majorVersion);
    Store16(bytes + kByteOrderAt, kByteOrderMark);
    Store16(bytes + kSectorShiftAt, header.sectorShift);
    Store16(bytes + kMiniSectorShiftAt, header.miniSectorShift);
    Store32(bytes + kDirectorySectorCountAt, header.directorySectorCount);
    Store32(bytes + kFatSectorCountAt, header.fatSectorCount);
    Store32(bytes + kFirstDirectorySectorAt, header.firstDirectorySector);
    Store32(bytes + kTransactionSignatureAt, header.transactionSignature);
    Store32(bytes + kMiniStreamCutoffAt, header.miniStreamCutoff);
    Store32(bytes + kFirstMiniFatSectorAt, header.firstMiniFatSector);
    Store32(bytes + kMiniFatSectorCountAt, header.miniFatSectorCount);
    Store32(bytes + kFirstDifatSectorAt, header.firstDifatSector);
    Store32(bytes + kDifatSectorCountAt, header.difatSectorCount);
    for (size_t i = 0; i < kHeaderDifatEntries; ++i) {
        Store32(bytes + kDifatAt + 4 * i, header.difat[i]);
    }
}

}  // namespace storage::format
