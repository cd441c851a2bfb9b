// The 512-byte header at the start of every compound file.
#pragma once

#include "format/constants.h"
#include "winapi/types.h"

#include <cstdint>

namespace storage::format {

struct Header {
    uint16_t minorVersion = 0x003E;
    uint16_t majorVersion = kVersion4;
    uint16_t sectorShift = 12;
    uint16_t miniSectorShift = 6;
    uint32_t directorySectorCount = 0;  // Version 4 only; 0 in version 3.
    uint32_t fatSectorCount = 0;
    uint32_t firstDirectorySector = kEndOfChain;
    uint32_t transactionSignature = 0;
    uint32_t miniStreamCutoff = static_cast<uint32_t>(kMiniStreamCutoff);
    uint32_t firstMiniFatSector = kEndOfChain;
    uint32_t miniFatSectorCount = 0;
    uint32_t firstDifatSector = kEndOfChain;
    uint32_t difatSectorCount = 0;
    uint32_t difat[kHeaderDifatEntries];  // The first 109 FAT sector ids.

    Header();
    uint32_t SectorSize() const { return uint32_t{1} << sectorShift; }
};

// Reads and checks a header. STG_E_FILEALREADYEXISTS when the signature is
// missing (not a compound file); STG_E_DOCFILECORRUPT for a wrong byte order
// mark, an unknown major version, a sector size that does not match the
// version (512 for 3, 4096 for 4), a mini sector size other than 64 or a
// mini stream cutoff other than 4096. Other minor versions and the reserved
// fields are not checked: writers differ there.
HRESULT ParseHeader(const uint8_t (&bytes)[kHeaderSize], Header* header);

// The 512 bytes of a header, with the signature and byte order mark.
void SerializeHeader(const Header& header, uint8_t (&bytes)[kHeaderSize]);

}  // namespace storage::format
