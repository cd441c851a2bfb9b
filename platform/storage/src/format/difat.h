// The DIFAT: the list of the FAT's own sectors. The first 109 ids sit in the
// header; more follow in DIFAT sectors, each holding (sector size / 4 - 1)
// ids and, in its last slot, the id of the next DIFAT sector.
#pragma once

#include "format/header.h"
#include "winapi/types.h"

#include <cstdint>
#include <vector>

namespace storage::format {

class SourceImage;

// Ids each DIFAT sector holds besides its link to the next one.
inline uint32_t DifatIdsPerSector(uint32_t sectorSize) { return sectorSize / 4 - 1; }

// DIFAT sectors needed to list `fatSectorCount` FAT sectors.
uint32_t DifatSectorsFor(uint32_t fatSectorCount, uint32_t sectorSize);

// Collects the header's fatSectorCount FAT sector ids into *fatSectors and
// the DIFAT sectors they were read from into *difatSectors. Only as many
// DIFAT sectors as the count needs are followed. STG_E_DOCFILECORRUPT when
// the count exceeds the sectors in the file, or an id (of a FAT or a DIFAT
// sector) lies outside the file or repeats one before it - checked as each
// is read, so memory stays proportional to what the file holds;
// STG_E_READFAULT.
HRESULT ReadDifat(const Header& header, const SourceImage& image, uint32_t sectorsInFile,
                  std::vector<uint32_t>* fatSectors, std::vector<uint32_t>* difatSectors);

// Lists `fatSectors` in header->difat and, beyond 109, in DIFAT sectors placed
// one after another from `firstDifatSector`; sets the header's DIFAT fields
// and fills *difatBytes with those sectors.
void LayOutDifat(const std::vector<uint32_t>& fatSectors, uint32_t firstDifatSector, Header* header,
                 std::vector<uint8_t>* difatBytes);

}  // namespace storage::format
