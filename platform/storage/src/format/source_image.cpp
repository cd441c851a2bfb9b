#include "format/source_image.h"

#include "format/constants.h"
#include "winapi/errors.h"

#include <algorithm>
#include <cstring>

namespace storage::format {

SourceImage::SourceImage(std::shared_ptr<const File> file, unsigned sectorShift)
    : file_(std::move(file)), sectorShift_(sectorShift) {}

uint32_t SourceImage::AddStream(bool mini, const std::vector<uint32_t>& chain) {
    chains_.push_back(Chain{chainSectors_.size(), chain.size(), mini});
    chainSectors_.insert(chainSectors_.end(), chain.begin(), chain.end());
    return static_cast<uint32_t>(chains_.size() - 1);
}

uint64_t SourceImage::UnitOffset(const Chain& chain, size_t position) const {
    const uint32_t unit = chainSectors_[chain.first + position];
    if (!chain.mini) {
        return SectorOffset(unit);
    }
    const uint64_t inMiniStream = static_cast<uint64_t>(unit) * kMiniSectorSize;
    const uint64_t sectorMask = (uint64_t{1} << sectorShift_) - 1;
    return SectorOffset(miniStreamSectors_[inMiniStream >> sectorShift_]) + (inMiniStream & sectorMask);
}

HRESULT SourceImage::ReadFile(uint64_t offset, uint8_t* out, size_t count) const {
    size_t got = 0;
    if (const HRESULT hr = file_->ReadAt(offset, out, count, &got); FAILED(hr)) {
        return hr;
    }
    // Only the last sector of a file may be cut short (the reader checked that
    // every sector starts inside the file); its missing bytes are zeros.
    std::memset(out + got, 0, count - got);
    return S_OK;
}

HRESULT SourceImage::ReadStream(uint32_t index, uint64_t offset, void* buffer, size_t count) const {
    const Chain& chain = chains_[index];
    const uint64_t unitSize = chain.mini ? kMiniSectorSize : (uint64_t{1} << sectorShift_);
    auto* out = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        size_t position = static_cast<size_t>(offset / unitSize);
        const uint64_t within = offset % unitSize;
        const uint64_t start = UnitOffset(chain, position) + within;
        uint64_t length = std::min<uint64_t>(unitSize - within, count);
        // Extend the read over units that follow each other in the file.
        while (length < count && position + 1 < chain.count && UnitOffset(chain, position + 1) == start + length) {
            ++position;
            length += std::min<uint64_t>(unitSize, count - length);
        }
        if (const HRESULT hr = ReadFile(start, out, static_cast<size_t>(length)); FAILED(hr)) {
            return hr;
        }
        out += length;
        offset += length;
        count -= static_cast<size_t>(length);
    }
    return S_OK;
}

HRESULT SourceImage::ReadSectors(const std::vector<uint32_t>& sectors, uint8_t* out) const {
    const size_t sectorSize = size_t{1} << sectorShift_;
    size_t i = 0;
    while (i < sectors.size()) {
        size_t run = 1;
        while (i + run < sectors.size() && sectors[i + run] == sectors[i] + run) {
            ++run;
        }
        if (const HRESULT hr = ReadFile(SectorOffset(sectors[i]), out + i * sectorSize, run * sectorSize); FAILED(hr)) {
            return hr;
        }
        i += run;
    }
    return S_OK;
}

}  // namespace storage::format
