// Shared by the format tests: trees built in code, files written and loaded
// through the format layer, and FileImage, which edits a file's bytes at the
// places the format defines so that tests can damage exactly one thing.
// FileImage reads the layout with its own small code, not the reader's.
#pragma once

#include "format/file.h"
#include "format/reader.h"
#include "format/tree.h"
#include "format/writer.h"
#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace formattest {

namespace fs = std::filesystem;
using storage::format::Element;
using storage::format::ElementType;
using storage::format::File;
using storage::format::Tree;

// Bytes that differ from stream to stream and from offset to offset.
inline std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed * 2654435761u + 1u;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 23);
    }
    return bytes;
}

inline Element* AddStorage(Element& parent, std::u16string_view name) {
    Element* child = nullptr;
    EXPECT_EQ(S_OK, parent.CreateChild(ElementType::Storage, name, &child));
    return child;
}

inline Element* AddStream(Element& parent, std::u16string_view name, const std::vector<uint8_t>& bytes) {
    Element* child = nullptr;
    EXPECT_EQ(S_OK, parent.CreateChild(ElementType::Stream, name, &child));
    if (child != nullptr) {
        EXPECT_EQ(S_OK, child->MutableContent().Write(0, bytes.data(), bytes.size()));
    }
    return child;
}

// The whole content of a stream, read in one call.
inline std::vector<uint8_t> ReadAll(const Element& stream) {
    std::vector<uint8_t> bytes(static_cast<size_t>(stream.Content().Size()));
    size_t read = 0;
    EXPECT_EQ(S_OK, stream.Content().Read(0, bytes.data(), bytes.size(), &read));
    EXPECT_EQ(bytes.size(), read);
    return bytes;
}

// Reads every stream of a loaded tree to its end.
inline void ReadEverything(const Tree& tree) {
    std::vector<const Element*> pending{&tree.Root()};
    while (!pending.empty()) {
        const Element* element = pending.back();
        pending.pop_back();
        if (element->IsStream()) {
            ReadAll(*element);
        }
        for (const auto& [name, child] : element->Children()) {
            pending.push_back(child.get());
        }
    }
}

inline HRESULT WriteFile(const fs::path& path, const Tree& tree, uint16_t version) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return E_FAIL;
    }
    const HRESULT hr = storage::format::WriteCompoundFile(fd, tree, version);
    ::close(fd);
    return hr;
}

inline HRESULT LoadFile(const fs::path& path, std::unique_ptr<Tree>* tree) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return E_FAIL;
    }
    return storage::format::ReadCompoundFile(std::make_shared<File>(fd), tree);
}

inline std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::vector<uint8_t> bytes(fs::file_size(path));
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

inline void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Offsets of directory entry fields.
enum EntryField : size_t {
    kEntryNameLength = 0x40,
    kEntryType = 0x42,
    kEntryColour = 0x43,
    kEntryLeft = 0x44,
    kEntryRight = 0x48,
    kEntryChild = 0x4C,
    kEntryStart = 0x74,
    kEntrySize = 0x78,
};

// Offsets of header fields.
enum HeaderField : size_t {
    kHeaderMajorVersion = 0x1A,
    kHeaderByteOrder = 0x1C,
    kHeaderSectorShift = 0x1E,
    kHeaderMiniShift = 0x20,
    kHeaderFatCount = 0x2C,
    kHeaderFirstDirectory = 0x30,
    kHeaderCutoff = 0x38,
    kHeaderFirstMiniFat = 0x3C,
    kHeaderMiniFatCount = 0x40,
    kHeaderFirstDifat = 0x44,
    kHeaderDifatCount = 0x48,
    kHeaderDifat = 0x4C,
};

constexpr uint32_t kFree = 0xFFFFFFFFu;
constexpr uint32_t kEnd = 0xFFFFFFFEu;
constexpr uint32_t kFatMark = 0xFFFFFFFDu;
constexpr uint32_t kDifatMark = 0xFFFFFFFCu;
constexpr uint32_t kNone = 0xFFFFFFFFu;

// A compound file's bytes with accessors at the format's places.
class FileImage {
public:
    explicit FileImage(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    static FileImage Load(const fs::path& path) { return FileImage(ReadBytes(path)); }
    void Save(const fs::path& path) const { WriteBytes(path, bytes_); }
    std::vector<uint8_t>& Bytes() { return bytes_; }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

    uint32_t Get32(uint64_t at) const {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | bytes_.at(at + static_cast<uint64_t>(i));
        return v;
    }
    void Set32(uint64_t at, uint32_t v) {
        if (at < 512) directory_.clear();  // The header places the directory.
        for (int i = 0; i < 4; ++i) bytes_.at(at + static_cast<uint64_t>(i)) = static_cast<uint8_t>(v >> (8 * i));
    }
    uint16_t Get16(uint64_t at) const { return static_cast<uint16_t>(bytes_.at(at) | (bytes_.at(at + 1) << 8)); }
    void Set16(uint64_t at, uint16_t v) {
        directory_.clear();
        bytes_.at(at) = static_cast<uint8_t>(v);
        bytes_.at(at + 1) = static_cast<uint8_t>(v >> 8);
    }

    uint32_t SectorSize() const { return 1u << Get16(kHeaderSectorShift); }
    uint64_t SectorOffset(uint32_t sector) const { return (uint64_t{sector} + 1) * SectorSize(); }

    // The id of the i-th FAT sector, from the header or the DIFAT sectors.
    uint32_t FatSector(uint32_t i) const {
        if (i < 109) return Get32(kHeaderDifat + 4 * i);
        const uint32_t per = SectorSize() / 4 - 1;
        uint32_t difat = Get32(kHeaderFirstDifat);
        i -= 109;
        while (i >= per) {
            difat = Get32(SectorOffset(difat) + 4 * per);
            i -= per;
        }
        return Get32(SectorOffset(difat) + 4 * i);
    }
    uint64_t FatAt(uint32_t sector) const {
        const uint32_t per = SectorSize() / 4;
        return SectorOffset(FatSector(sector / per)) + 4 * (sector % per);
    }
    uint32_t Fat(uint32_t sector) const { return Get32(FatAt(sector)); }
    void SetFat(uint32_t sector, uint32_t next) {
        directory_.clear();  // The directory's chain may have changed.
        Set32(FatAt(sector), next);
    }

    // Offset of byte `offset` of a chain of regular sectors.
    uint64_t ChainAt(uint32_t start, uint64_t offset) const {
        uint32_t sector = start;
        for (uint64_t skip = offset / SectorSize(); skip > 0; --skip) sector = Fat(sector);
        return SectorOffset(sector) + offset % SectorSize();
    }
    uint64_t EntryAt(uint32_t id) const {
        if (directory_.empty()) {
            for (uint32_t s = Get32(kHeaderFirstDirectory); s != kEnd; s = Fat(s)) directory_.push_back(s);
        }
        const uint32_t perSector = SectorSize() / 128;
        return SectorOffset(directory_.at(id / perSector)) + uint64_t{id % perSector} * 128;
    }
    uint32_t Entry32(uint32_t id, EntryField field) const { return Get32(EntryAt(id) + field); }
    void SetEntry32(uint32_t id, EntryField field, uint32_t v) { Set32(EntryAt(id) + field, v); }
    uint8_t EntryByte(uint32_t id, EntryField field) const { return bytes_.at(EntryAt(id) + field); }
    void SetEntryByte(uint32_t id, EntryField field, uint8_t v) { bytes_.at(EntryAt(id) + field) = v; }

    // The directory id of the entry named `name` (ASCII), or kNone.
    uint32_t FindEntry(const std::string& name) const {
        const uint32_t slots = DirectorySlots();
        for (uint32_t id = 0; id < slots; ++id) {
            const uint64_t at = EntryAt(id);
            if (bytes_.at(at + kEntryType) == 0 || Get16(at + kEntryNameLength) != 2 * (name.size() + 1)) continue;
            bool same = true;
            for (size_t i = 0; i < name.size() && same; ++i) same = Get16(at + 2 * i) == static_cast<uint8_t>(name[i]);
            if (same) return id;
        }
        return kNone;
    }
    uint32_t DirectorySlots() const {
        EntryAt(0);
        return static_cast<uint32_t>(directory_.size() * SectorSize() / 128);
    }

    uint64_t MiniFatAt(uint32_t mini) const { return ChainAt(Get32(kHeaderFirstMiniFat), uint64_t{mini} * 4); }
    uint32_t MiniFat(uint32_t mini) const { return Get32(MiniFatAt(mini)); }
    void SetMiniFat(uint32_t mini, uint32_t next) { Set32(MiniFatAt(mini), next); }

private:
    std::vector<uint8_t> bytes_;
    mutable std::vector<uint32_t> directory_;  // The directory's sectors, found on first use.
};

// Fixture: files live in the test's private machine folder, removed with it.
class FormatFileTest : public testsupport::FreshMachineTest {
protected:
    fs::path Path(const std::string& name) const { return machine_.root() / name; }
};

}  // namespace formattest
