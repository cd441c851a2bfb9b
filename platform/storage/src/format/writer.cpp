#include "format/writer.h"

#include "format/allocation_table.h"
#include "format/constants.h"
#include "format/difat.h"
#include "format/directory_entry.h"
#include "format/directory_tree.h"
#include "format/element_entry.h"
#include "format/endian.h"
#include "format/file.h"
#include "format/header.h"
#include "winapi/errors.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <unistd.h>
#include <vector>

namespace storage::format {

namespace {

constexpr size_t kOutputBufferSize = size_t{1} << 20;
constexpr size_t kCopyChunkSize = size_t{64} << 10;

uint64_t CeilDiv(uint64_t value, uint64_t divisor) { return (value + divisor - 1) / divisor; }

// The file written front to back through one large buffer, so that a file
// of many small pieces costs few system calls.
class Output {
public:
    explicit Output(int descriptor) : descriptor_(descriptor) { buffer_.reserve(kOutputBufferSize); }

    uint64_t Position() const { return flushed_ + buffer_.size(); }

    HRESULT Append(const void* data, size_t count) {
        const auto* in = static_cast<const uint8_t*>(data);
        while (count > 0) {
            const size_t piece = std::min(count, kOutputBufferSize - buffer_.size());
            buffer_.insert(buffer_.end(), in, in + piece);
            in += piece;
            count -= piece;
            if (buffer_.size() == kOutputBufferSize) {
                if (const HRESULT hr = Flush(); FAILED(hr)) {
                    return hr;
                }
            }
        }
        return S_OK;
    }

    HRESULT AppendZeros(uint64_t count) {
        static const uint8_t zeros[4096] = {};
        while (count > 0) {
            const size_t piece = static_cast<size_t>(std::min<uint64_t>(count, sizeof(zeros)));
            if (const HRESULT hr = Append(zeros, piece); FAILED(hr)) {
                return hr;
            }
            count -= piece;
        }
        return S_OK;
    }

    HRESULT Flush() {
        if (buffer_.empty()) {
            return S_OK;
        }
        if (const HRESULT hr = WriteAllAt(descriptor_, flushed_, buffer_.data(), buffer_.size()); FAILED(hr)) {
            return hr;
        }
        flushed_ += buffer_.size();
        buffer_.clear();
        return S_OK;
    }

private:
    int descriptor_;
    uint64_t flushed_ = 0;
    std::vector<uint8_t> buffer_;
};

// One directory entry to be written and the element it describes.
struct PlannedEntry {
    const Element* element;
    DirectoryEntry entry;
    bool mini = false;  // Its stream lives in the mini stream.
};

class FileWriter {
public:
    FileWriter(const Tree& tree, uint16_t majorVersion)
        : tree_(tree),
          majorVersion_(majorVersion),
          sectorShift_(majorVersion == kVersion3 ? 9 : 12),
          sectorSize_(uint32_t{1} << sectorShift_) {}

    HRESULT Write(int descriptor);

private:
    void PlanDirectory();
    HRESULT PlanStreams();
    HRESULT PlanSectors();
    void BuildTables();
    HRESULT WriteAll(Output& out);
    HRESULT CopyStream(Output& out, const StreamContent& content, uint64_t paddedSize);

    const Tree& tree_;
    uint16_t majorVersion_;
    uint32_t sectorShift_;
    uint32_t sectorSize_;

    std::vector<PlannedEntry> entries_;  // By directory id; the root first.
    uint64_t miniSectorCount_ = 0;
    uint64_t largeSectorCount_ = 0;

    // Sector counts and first sectors of each region, in file order.
    uint64_t fatSectors_ = 0;
    uint64_t difatSectors_ = 0;
    uint64_t directorySectors_ = 0;
    uint64_t miniFatSectors_ = 0;
    uint64_t miniStreamSectors_ = 0;
    uint64_t totalSectors_ = 0;
    uint32_t firstDirectory_ = 0;
    uint32_t firstMiniFat_ = 0;
    uint32_t firstMiniStream_ = 0;

    Header header_;
    AllocationTable fat_;
    AllocationTable miniFat_;
    std::vector<uint8_t> difatBytes_;
};

// Entries in breadth-first order: each storage's children get consecutive ids
// and a balanced tree over them, in name order (the child map's order).
void FileWriter::PlanDirectory() {
    const Element& root = tree_.Root();
    PlannedEntry rootPlan{&root, {}, false};
    DescribeElement(root, &rootPlan.entry);
    entries_.push_back(rootPlan);
    std::vector<SiblingLinks> links;
    for (size_t storage = 0; storage < entries_.size(); ++storage) {
        const Element* parent = entries_[storage].element;
        if (!parent->IsStorage() || parent->ChildCount() == 0) {
            continue;
        }
        const auto firstId = static_cast<uint32_t>(entries_.size());
        const uint32_t treeRoot = BuildSiblingTree(static_cast<uint32_t>(parent->ChildCount()), &links);
        auto toId = [firstId](uint32_t index) { return index == kNoEntry ? kNoEntry : firstId + index; };
        entries_[storage].entry.child = toId(treeRoot);
        uint32_t index = 0;
        for (const auto& [name, child] : parent->Children()) {
            PlannedEntry plan{child.get(), {}, false};
            DescribeElement(*child, &plan.entry);
            plan.entry.colour = links[index].colour;
            plan.entry.left = toId(links[index].left);
            plan.entry.right = toId(links[index].right);
            entries_.push_back(plan);
            ++index;
        }
    }
}

// Mini sector numbers are given now; regular sectors once the regions are known.
HRESULT FileWriter::PlanStreams() {
    for (PlannedEntry& plan : entries_) {
        if (!plan.element->IsStream()) {
            continue;
        }
        const uint64_t size = plan.element->Content().Size();
        if (majorVersion_ == kVersion3 && size > 0xFFFFFFFFu) {
            return STG_E_MEDIUMFULL;
        }
        plan.entry.size = size;
        if (size == 0) {
            plan.entry.startSector = kEndOfChain;
        } else if (size < kMiniStreamCutoff) {
            plan.mini = true;
            plan.entry.startSector = static_cast<uint32_t>(miniSectorCount_);
            miniSectorCount_ += CeilDiv(size, kMiniSectorSize);
            if (miniSectorCount_ > uint64_t{kMaxRegularSector} + 1) {
                return STG_E_MEDIUMFULL;
            }
        } else {
            largeSectorCount_ += CeilDiv(size, sectorSize_);
        }
    }
    return S_OK;
}

HRESULT FileWriter::PlanSectors() {
    const uint64_t perSector = sectorSize_ / 4;
    if (entries_.size() > uint64_t{kMaxRegularEntry} + 1) {
        return STG_E_MEDIUMFULL;
    }
    directorySectors_ = CeilDiv(entries_.size() * kDirectoryEntrySize, sectorSize_);
    miniFatSectors_ = CeilDiv(miniSectorCount_, perSector);
    miniStreamSectors_ = CeilDiv(miniSectorCount_ * kMiniSectorSize, sectorSize_);
    const uint64_t dataSectors = directorySectors_ + miniFatSectors_ + miniStreamSectors_ + largeSectorCount_;
    // The FAT must also cover its own sectors and those of the DIFAT.
    const uint64_t sectorLimit = uint64_t{kMaxRegularSector} + 1;
    fatSectors_ = CeilDiv(dataSectors, perSector);
    for (;;) {
        if (fatSectors_ > sectorLimit) {
            return STG_E_MEDIUMFULL;
        }
        difatSectors_ = DifatSectorsFor(static_cast<uint32_t>(fatSectors_), sectorSize_);
        if (fatSectors_ * perSector >= dataSectors + fatSectors_ + difatSectors_) {
            break;
        }
        ++fatSectors_;
    }
    totalSectors_ = fatSectors_ + difatSectors_ + dataSectors;
    if (totalSectors_ > sectorLimit) {
        return STG_E_MEDIUMFULL;
    }
    if (majorVersion_ == kVersion3 && miniSectorCount_ * kMiniSectorSize > 0xFFFFFFFFu) {
        return STG_E_MEDIUMFULL;  // The root entry records the mini stream's size in 32 bits.
    }
    firstDirectory_ = static_cast<uint32_t>(fatSectors_ + difatSectors_);
    firstMiniFat_ = static_cast<uint32_t>(firstDirectory_ + directorySectors_);
    firstMiniStream_ = static_cast<uint32_t>(firstMiniFat_ + miniFatSectors_);
    return S_OK;
}

void FileWriter::BuildTables() {
    const uint32_t perSector = sectorSize_ / 4;
    fat_ = AllocationTable(std::vector<uint32_t>(fatSectors_ * perSector, kFreeSector));
    uint32_t next = 0;
    // A run of `count` sectors from `next`, chained in order; returns its first sector.
    auto chain = [this, &next](uint64_t count) {
        const uint32_t first = count == 0 ? kEndOfChain : next;
        for (uint64_t i = 0; i < count; ++i, ++next) {
            fat_.Set(next, i + 1 < count ? next + 1 : kEndOfChain);
        }
        return first;
    };
    std::vector<uint32_t> fatSectorIds;
    for (uint64_t i = 0; i < fatSectors_; ++i, ++next) {
        fat_.Set(next, kFatSector);
        fatSectorIds.push_back(next);
    }
    const uint32_t firstDifat = next;
    for (uint64_t i = 0; i < difatSectors_; ++i, ++next) {
        fat_.Set(next, kDifatSector);
    }
    chain(directorySectors_);
    chain(miniFatSectors_);
    const uint32_t miniStreamStart = chain(miniStreamSectors_);

    std::vector<uint32_t> miniEntries(miniSectorCount_, kFreeSector);
    for (PlannedEntry& plan : entries_) {
        const uint64_t size = plan.entry.size;
        if (!plan.element->IsStream() || size == 0) {
            continue;
        }
        if (plan.mini) {
            const uint32_t first = plan.entry.startSector;
            const uint64_t count = CeilDiv(size, kMiniSectorSize);
            for (uint64_t i = 0; i < count; ++i) {
                miniEntries[first + i] = i + 1 < count ? static_cast<uint32_t>(first + i + 1) : kEndOfChain;
            }
        } else {
            plan.entry.startSector = chain(CeilDiv(size, sectorSize_));
        }
    }
    miniFat_ = AllocationTable(std::move(miniEntries));

    PlannedEntry& root = entries_[0];
    root.entry.startSector = miniStreamStart;
    root.entry.size = miniSectorCount_ * kMiniSectorSize;

    header_.majorVersion = majorVersion_;
    header_.sectorShift = static_cast<uint16_t>(sectorShift_);
    header_.directorySectorCount = majorVersion_ == kVersion3 ? 0 : static_cast<uint32_t>(directorySectors_);
    header_.firstDirectorySector = firstDirectory_;
    header_.firstMiniFatSector = miniFatSectors_ == 0 ? kEndOfChain : firstMiniFat_;
    header_.miniFatSectorCount = static_cast<uint32_t>(miniFatSectors_);
    LayOutDifat(fatSectorIds, firstDifat, &header_, &difatBytes_);
}

HRESULT FileWriter::CopyStream(Output& out, const StreamContent& content, uint64_t paddedSize) {
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(kCopyChunkSize, content.Size())));
    uint64_t offset = 0;
    while (offset < content.Size()) {
        size_t read = 0;
        if (const HRESULT hr = content.Read(offset, chunk.data(), chunk.size(), &read); FAILED(hr)) {
            return hr;
        }
        if (read == 0) {
            return STG_E_READFAULT;  // Never short before the end: guard against looping.
        }
        if (const HRESULT hr = out.Append(chunk.data(), read); FAILED(hr)) {
            return hr;
        }
        offset += read;
    }
    return out.AppendZeros(paddedSize - content.Size());
}

HRESULT FileWriter::WriteAll(Output& out) {
    HRESULT hr = S_OK;
    auto ok = [&hr](HRESULT step) {
        hr = step;
        return SUCCEEDED(step);
    };
    uint8_t headerBytes[kHeaderSize];
    SerializeHeader(header_, headerBytes);
    if (!ok(out.Append(headerBytes, kHeaderSize)) || !ok(out.AppendZeros(sectorSize_ - kHeaderSize))) {
        return hr;
    }
    std::vector<uint8_t> sector(sectorSize_);
    auto writeTable = [&](const AllocationTable& table, uint64_t sectors) {
        const size_t perSector = sectorSize_ / 4;
        for (uint64_t s = 0; s < sectors; ++s) {
            for (size_t i = 0; i < perSector; ++i) {
                const uint64_t index = s * perSector + i;
                Store32(sector.data() + 4 * i,
                        index < table.Size() ? table.Next(static_cast<uint32_t>(index)) : kFreeSector);
            }
            if (!ok(out.Append(sector.data(), sector.size()))) {
                return false;
            }
        }
        return true;
    };
    if (!writeTable(fat_, fatSectors_) || !ok(out.Append(difatBytes_.data(), difatBytes_.size()))) {
        return hr;
    }

    // The directory, its last sector filled with unallocated entries.
    uint8_t entryBytes[kDirectoryEntrySize];
    const uint64_t slots = directorySectors_ * sectorSize_ / kDirectoryEntrySize;
    // All zeros but for the links, as the format asks of a free entry.
    DirectoryEntry unused;
    unused.colour = EntryColour::Red;
    for (uint64_t id = 0; id < slots; ++id) {
        SerializeDirectoryEntry(id < entries_.size() ? entries_[id].entry : unused, entryBytes);
        if (!ok(out.Append(entryBytes, sizeof(entryBytes)))) {
            return hr;
        }
    }

    if (!writeTable(miniFat_, miniFatSectors_)) {
        return hr;
    }
    for (const PlannedEntry& plan : entries_) {
        if (plan.mini && !ok(CopyStream(out, plan.element->Content(),
                                        CeilDiv(plan.entry.size, kMiniSectorSize) * kMiniSectorSize))) {
            return hr;
        }
    }
    if (!ok(out.AppendZeros(miniStreamSectors_ * sectorSize_ - miniSectorCount_ * kMiniSectorSize))) {
        return hr;
    }
    for (const PlannedEntry& plan : entries_) {
        if (plan.element->IsStream() && !plan.mini && plan.entry.size > 0 &&
            !ok(CopyStream(out, plan.element->Content(), CeilDiv(plan.entry.size, sectorSize_) * sectorSize_))) {
            return hr;
        }
    }
    return out.Flush();
}

HRESULT FileWriter::Write(int descriptor) {
    PlanDirectory();
    HRESULT hr = PlanStreams();
    if (SUCCEEDED(hr)) hr = PlanSectors();
    if (FAILED(hr)) {
        return hr;
    }
    BuildTables();
    Output out(descriptor);
    if (hr = WriteAll(out); FAILED(hr)) {
        return hr;
    }
    // Whatever the file held before ends here.
    const uint64_t size = (totalSectors_ + 1) * sectorSize_;
    if (out.Position() != size) {
        return E_UNEXPECTED;
    }
    if (::ftruncate(descriptor, static_cast<off_t>(size)) != 0) {
        return errno == ENOSPC || errno == EFBIG ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT;
    }
    return S_OK;
}

}  // namespace

HRESULT WriteCompoundFile(int descriptor, const Tree& tree, uint16_t majorVersion) {
    if (majorVersion != kVersion3 && majorVersion != kVersion4) {
        return STG_E_INVALIDPARAMETER;
    }
    try {
        FileWriter writer(tree, majorVersion);
        return writer.Write(descriptor);
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
}

}  // namespace storage::format
