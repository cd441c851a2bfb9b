#include "format/reader.h"

#include "format/chain_walker.h"
#include "format/constants.h"
#include "format/difat.h"
#include "format/directory_entry.h"
#include "format/directory_tree.h"
#include "format/header.h"
#include "format/source_image.h"
#include "winapi/errors.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace storage::format {

namespace {

// Everything the loading of one file needs; the steps run in order, each
// relying on the checks of the ones before.
class Loader {
public:
    explicit Loader(std::shared_ptr<const File> file) : file_(std::move(file)) {}

    HRESULT Load(std::unique_ptr<Tree>* tree);

private:
    HRESULT ReadHeader();
    HRESULT ReadFat();
    HRESULT ReadDirectory();
    HRESULT ReadMiniStream();
    HRESULT BuildTree(Tree* tree);
    // Hands what the tree's file looks like to the tree, for commits in place.
    void KeepLayout(Tree* tree);
    HRESULT AddElement(uint32_t id, uint32_t storageId);
    // Reads a chain of regular sectors whole into memory.
    HRESULT ReadChain(uint32_t start, std::vector<uint32_t>* chain, std::vector<uint8_t>* bytes);
    uint64_t StreamSize(const DirectoryEntry& entry) const {
        // Version 3 writers may leave garbage in the high half.
        return header_.majorVersion == kVersion3 ? (entry.size & 0xFFFFFFFFu) : entry.size;
    }

    std::shared_ptr<const File> file_;
    uint64_t fileSize_ = 0;
    Header header_;
    uint32_t sectorSize_ = 0;
    uint32_t sectorsInFile_ = 0;  // Sectors that begin inside the file.
    std::shared_ptr<SourceImage> image_;
    AllocationTable fat_;
    std::unique_ptr<ChainWalker> sectors_;  // Every regular sector taken so far.
    std::vector<DirectoryEntry> entries_;
    AllocationTable miniFat_;
    std::unique_ptr<ChainWalker> miniSectors_;  // Every mini sector taken so far.
    std::vector<Element*> elements_;            // By entry id; null for entries not (yet) loaded.
    std::vector<bool> reached_;                 // By entry id: reached from the root.
    std::vector<uint32_t> chainScratch_;
    std::vector<uint32_t> fatSectors_;
    std::vector<uint32_t> difatSectors_;
    std::vector<uint32_t> directoryChain_;
    std::vector<uint32_t> miniFatChain_;
    std::vector<uint32_t> miniStreamChain_;
};

HRESULT Loader::Load(std::unique_ptr<Tree>* tree) {
    HRESULT hr = ReadHeader();
    if (SUCCEEDED(hr)) hr = ReadFat();
    if (SUCCEEDED(hr)) hr = ReadDirectory();
    if (SUCCEEDED(hr)) hr = ReadMiniStream();
    if (FAILED(hr)) {
        return hr;
    }
    auto loaded = std::make_unique<Tree>();
    if (hr = BuildTree(loaded.get()); FAILED(hr)) {
        return hr;
    }
    KeepLayout(loaded.get());
    *tree = std::move(loaded);
    return S_OK;
}

HRESULT Loader::ReadHeader() {
    if (const HRESULT hr = file_->Size(&fileSize_); FAILED(hr)) {
        return hr;
    }
    uint8_t bytes[kHeaderSize];
    size_t read = 0;
    if (const HRESULT hr = file_->ReadAt(0, bytes, kHeaderSize, &read); FAILED(hr)) {
        return hr;
    }
    if (read < kHeaderSize) {
        return STG_E_FILEALREADYEXISTS;
    }
    if (const HRESULT hr = ParseHeader(bytes, &header_); FAILED(hr)) {
        return hr;
    }
    sectorSize_ = header_.SectorSize();
    // The header occupies the whole first sector; sector n starts at (n + 1) x size.
    const uint64_t sectors = fileSize_ <= sectorSize_ ? 0 : (fileSize_ - 1) / sectorSize_;
    sectorsInFile_ = static_cast<uint32_t>(std::min<uint64_t>(sectors, uint64_t{kMaxRegularSector} + 1));
    image_ = std::make_shared<SourceImage>(file_, header_.sectorShift);
    return S_OK;
}

HRESULT Loader::ReadFat() {
    std::vector<uint32_t>& fatSectors = fatSectors_;
    std::vector<uint32_t>& difatSectors = difatSectors_;
    if (const HRESULT hr = ReadDifat(header_, *image_, sectorsInFile_, &fatSectors, &difatSectors); FAILED(hr)) {
        return hr;
    }
    for (uint32_t sector : fatSectors) {
        if (sector >= sectorsInFile_) {
            return STG_E_DOCFILECORRUPT;
        }
    }
    // fatSectors.size() <= sectorsInFile_, so the table is bounded by the file.
    std::vector<uint8_t> bytes(fatSectors.size() * sectorSize_);
    if (const HRESULT hr = image_->ReadSectors(fatSectors, bytes.data()); FAILED(hr)) {
        return hr;
    }
    fat_ = AllocationTable::FromBytes(bytes.data(), bytes.size());
    sectors_ = std::make_unique<ChainWalker>(fat_, sectorsInFile_);
    // The table's own sectors belong to no chain.
    for (const auto* list : {&fatSectors, &difatSectors}) {
        for (uint32_t sector : *list) {
            if (const HRESULT hr = sectors_->Take(sector); FAILED(hr)) {
                return hr;
            }
        }
    }
    return S_OK;
}

HRESULT Loader::ReadChain(uint32_t start, std::vector<uint32_t>* chain, std::vector<uint8_t>* bytes) {
    if (const HRESULT hr = sectors_->Walk(start, chain); FAILED(hr)) {
        return hr;
    }
    bytes->resize(chain->size() * sectorSize_);
    return image_->ReadSectors(*chain, bytes->data());
}

HRESULT Loader::ReadDirectory() {
    std::vector<uint32_t>& chain = directoryChain_;
    std::vector<uint8_t> bytes;
    if (const HRESULT hr = ReadChain(header_.firstDirectorySector, &chain, &bytes); FAILED(hr)) {
        return hr;
    }
    const size_t count = bytes.size() / kDirectoryEntrySize;
    if (count == 0) {
        return STG_E_DOCFILECORRUPT;
    }
    entries_.resize(count);
    for (size_t i = 0; i < count; ++i) {
        ParseDirectoryEntry(bytes.data() + i * kDirectoryEntrySize, &entries_[i]);
    }
    elements_.assign(count, nullptr);
    reached_.assign(count, false);
    return S_OK;
}

HRESULT Loader::ReadMiniStream() {
    // The mini FAT: its declared sector count is not trusted; the chain is.
    std::vector<uint32_t>& chain = miniFatChain_;
    std::vector<uint8_t> bytes;
    if (header_.firstMiniFatSector != kEndOfChain && header_.firstMiniFatSector != kFreeSector) {
        if (const HRESULT hr = ReadChain(header_.firstMiniFatSector, &chain, &bytes); FAILED(hr)) {
            return hr;
        }
    }
    miniFat_ = AllocationTable::FromBytes(bytes.data(), bytes.size());

    // The mini stream: the root entry's stream.
    const DirectoryEntry& root = entries_[0];
    const uint64_t miniStreamSize = StreamSize(root);
    if (miniStreamSize > kMaxStreamSize) {
        return STG_E_DOCFILECORRUPT;
    }
    std::vector<uint32_t> miniStreamSectors;
    if (miniStreamSize > 0) {
        if (const HRESULT hr = sectors_->Walk(root.startSector, &miniStreamSectors); FAILED(hr)) {
            return hr;
        }
        if (miniStreamSectors.size() < (miniStreamSize + sectorSize_ - 1) / sectorSize_) {
            return STG_E_DOCFILECORRUPT;
        }
    }
    // A mini sector exists when it starts inside the mini stream's size (the
    // chain covers every byte of such a sector, sectors being multiples of 64).
    const uint64_t miniSectorCount = (miniStreamSize + kMiniSectorSize - 1) / kMiniSectorSize;
    miniSectors_ = std::make_unique<ChainWalker>(
        miniFat_, static_cast<uint32_t>(std::min<uint64_t>(miniSectorCount, miniFat_.Size())));
    miniStreamChain_ = miniStreamSectors;
    image_->SetMiniStreamSectors(std::move(miniStreamSectors));
    return S_OK;
}

HRESULT Loader::AddElement(uint32_t id, uint32_t storageId) {
    reached_[id] = true;
    const DirectoryEntry& entry = entries_[id];
    const auto type = static_cast<ElementType>(entry.type);
    if (type == ElementType::Unallocated) {
        return S_OK;  // Holds nothing; its sibling links are still followed.
    }
    if (type != ElementType::Storage && type != ElementType::Stream) {
        return STG_E_DOCFILECORRUPT;  // A second root, or no known type.
    }
    Element* storage = elements_[storageId];
    std::u16string name;
    if (storage == nullptr || !entry.DecodeName(&name)) {
        return STG_E_DOCFILECORRUPT;
    }
    auto element = std::make_unique<Element>(type, std::move(name));
    element->SetClsid(entry.clsid);
    element->SetStateBits(entry.stateBits);
    element->SetCreationTime(entry.creationTime);
    element->SetModifiedTime(entry.modifiedTime);
    if (type == ElementType::Stream) {
        const uint64_t size = StreamSize(entry);
        if (size > kMaxStreamSize) {
            return STG_E_DOCFILECORRUPT;  // Beyond any file; also keeps the arithmetic below from overflowing.
        }
        if (size > 0) {
            const bool mini = size < kMiniStreamCutoff;
            const uint64_t unit = mini ? kMiniSectorSize : sectorSize_;
            // One buffer for every chain: a file of many small streams costs no allocation per stream here.
            std::vector<uint32_t>& chain = chainScratch_;
            chain.clear();
            if (const HRESULT hr = (mini ? miniSectors_ : sectors_)->Walk(entry.startSector, &chain); FAILED(hr)) {
                return hr;
            }
            // A chain shorter than the size is damage; a longer one is tolerated.
            if (chain.size() < (size + unit - 1) / unit) {
                return STG_E_DOCFILECORRUPT;
            }
            const uint32_t index = image_->AddStream(mini, chain);
            element->MutableContent() = StreamContent(image_, index, size);
        }
    }
    Element* added = nullptr;
    if (FAILED(storage->AdoptChild(std::move(element), &added))) {
        return STG_E_DOCFILECORRUPT;  // Two siblings of the same name.
    }
    elements_[id] = added;
    return S_OK;
}

HRESULT Loader::BuildTree(Tree* tree) {
    const DirectoryEntry& rootEntry = entries_[0];
    Element& root = tree->Root();
    root.SetClsid(rootEntry.clsid);
    root.SetStateBits(rootEntry.stateBits);
    root.SetCreationTime(rootEntry.creationTime);
    root.SetModifiedTime(rootEntry.modifiedTime);
    tree->SetMajorVersion(header_.majorVersion);
    elements_[0] = &root;
    return WalkDirectory(entries_, [this](uint32_t id, uint32_t storageId) { return AddElement(id, storageId); });
}

void Loader::KeepLayout(Tree* tree) {
    for (uint32_t id = 0; id < elements_.size(); ++id) {
        if (elements_[id] != nullptr) {
            elements_[id]->MarkWritten(id);
        }
    }
    auto layout = std::make_unique<FileLayout>();
    layout->header = header_;
    layout->fatSectors = std::move(fatSectors_);
    layout->difatSectors = std::move(difatSectors_);
    layout->miniFatSectors = std::move(miniFatChain_);
    layout->directorySectors = std::move(directoryChain_);
    layout->miniStreamSectors = std::move(miniStreamChain_);
    layout->miniStreamSize = StreamSize(entries_[0]);
    layout->sectorUsed = sectors_->Taken();
    layout->usedSectorCount =
        static_cast<uint64_t>(std::count(layout->sectorUsed.begin(), layout->sectorUsed.end(), true));
    layout->miniSectorUsed = miniSectors_->Taken();
    layout->entryUsed = std::move(reached_);
    layout->entryUsed[0] = true;
    layout->firstFreeSector = FirstUnused(layout->sectorUsed, 0);
    layout->firstFreeMiniSector = FirstUnused(layout->miniSectorUsed, 0);
    layout->firstFreeEntry = FirstUnused(layout->entryUsed, 1);
    // The walkers refer to the tables; they are done with them now.
    sectors_.reset();
    miniSectors_.reset();
    layout->fat = fat_.TakeEntries();
    layout->miniFat = miniFat_.TakeEntries();
    layout->entries = std::move(entries_);
    layout->image = image_;
    tree->SetLayout(std::move(layout));
}

}  // namespace

HRESULT ProbeSignature(const File& file) {
    uint8_t bytes[sizeof(kSignature)];
    size_t read = 0;
    if (const HRESULT hr = file.ReadAt(0, bytes, sizeof(bytes), &read); FAILED(hr)) {
        return hr;
    }
    return read == sizeof(bytes) && std::memcmp(bytes, kSignature, sizeof(bytes)) == 0 ? S_OK : S_FALSE;
}

HRESULT ReadCompoundFile(std::shared_ptr<const File> file, std::unique_ptr<Tree>* tree) {
    try {
        Loader loader(std::move(file));
        return loader.Load(tree);
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
}

}  // namespace storage::format
