#include "format/difat.h"

#include "format/constants.h"
#include "format/endian.h"
#include "format/source_image.h"
#include "winapi/errors.h"

#include <algorithm>
#include <unordered_set>

namespace storage::format {

uint32_t DifatSectorsFor(uint32_t fatSectorCount, uint32_t sectorSize) {
    if (fatSectorCount <= kHeaderDifatEntries) {
        return 0;
    }
    const uint32_t perSector = DifatIdsPerSector(sectorSize);
    return (fatSectorCount - static_cast<uint32_t>(kHeaderDifatEntries) + perSector - 1) / perSector;
}

HRESULT ReadDifat(const Header& header, const SourceImage& image, uint32_t sectorsInFile,
                  std::vector<uint32_t>* fatSectors, std::vector<uint32_t>* difatSectors) {
    const uint32_t count = header.fatSectorCount;
    if (count > sectorsInFile) {
        return STG_E_DOCFILECORRUPT;
    }
    const uint32_t sectorSize = header.SectorSize();
    // Every id is checked as it is read - inside the file, and not one seen
    // before - so that a header claiming a huge FAT over a sparse or short
    // file fails at its first repeated id: what is collected (and later
    // allocated for the FAT) stays proportional to the ids the file really
    // holds.
    std::unordered_set<uint32_t> seen;
    auto take = [&seen, sectorsInFile](uint32_t id) { return id < sectorsInFile && seen.insert(id).second; };
    for (size_t i = 0; i < std::min<size_t>(count, kHeaderDifatEntries); ++i) {
        if (!take(header.difat[i])) {
            return STG_E_DOCFILECORRUPT;
        }
        fatSectors->push_back(header.difat[i]);
    }
    std::vector<uint8_t> sector(sectorSize);
    uint32_t next = header.firstDifatSector;
    for (uint32_t i = 0; i < DifatSectorsFor(count, sectorSize); ++i) {
        if (!take(next)) {
            return STG_E_DOCFILECORRUPT;
        }
        difatSectors->push_back(next);
        if (const HRESULT hr = image.ReadSectors({next}, sector.data()); FAILED(hr)) {
            return hr;
        }
        const uint32_t ids = std::min(DifatIdsPerSector(sectorSize), count - static_cast<uint32_t>(fatSectors->size()));
        for (uint32_t k = 0; k < ids; ++k) {
            const uint32_t id = Load32(sector.data() + 4 * k);
            if (!take(id)) {
                return STG_E_DOCFILECORRUPT;
            }
            fatSectors->push_back(id);
        }
        next = Load32(sector.data() + 4 * DifatIdsPerSector(sectorSize));
    }
    return S_OK;
}

void LayOutDifat(const std::vector<uint32_t>& fatSectors, uint32_t firstDifatSector, Header* header,
                 std::vector<uint8_t>* difatBytes) {
    const uint32_t sectorSize = header->SectorSize();
    const uint32_t fatCount = static_cast<uint32_t>(fatSectors.size());
    const uint32_t difatCount = DifatSectorsFor(fatCount, sectorSize);
    header->fatSectorCount = fatCount;
    header->difatSectorCount = difatCount;
    header->firstDifatSector = difatCount == 0 ? kEndOfChain : firstDifatSector;
    for (size_t i = 0; i < kHeaderDifatEntries; ++i) {
        header->difat[i] = i < fatSectors.size() ? fatSectors[i] : kFreeSector;
    }
    difatBytes->assign(static_cast<size_t>(difatCount) * sectorSize, 0);
    const uint32_t perSector = DifatIdsPerSector(sectorSize);
    for (uint32_t d = 0; d < difatCount; ++d) {
        uint8_t* out = difatBytes->data() + static_cast<size_t>(d) * sectorSize;
        for (uint32_t k = 0; k < perSector; ++k) {
            const size_t index = kHeaderDifatEntries + static_cast<size_t>(d) * perSector + k;
            Store32(out + 4 * k, index < fatSectors.size() ? fatSectors[index] : kFreeSector);
        }
        Store32(out + 4 * perSector, d + 1 < difatCount ? firstDifatSector + d + 1 : kEndOfChain);
    }
}

}  // namespace storage::format
