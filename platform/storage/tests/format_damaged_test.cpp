// Damaged and hostile files: each case breaks one thing in a valid file and
// expects the reader's code for it - an error for damage, success for the
// deviations other writers produce. Whatever loads is then read whole, so a
// case that slips through the checks would still show as a crash under the
// sanitizers.
#include "format/difat.h"
#include "format/header.h"
#include "format_test_support.h"

#include "winapi/text.h"

#include <functional>
#include <fstream>
#include <sys/resource.h>

namespace formattest {
namespace {

// Stream names of the base file and their sizes.
constexpr size_t kBigSize = 20000;   // regular sectors: 5 of 4096, 40 of 512
constexpr size_t kBig2Size = 9000;   // 3 of 4096, 18 of 512
constexpr size_t kSmallSize = 200;   // 4 mini sectors
constexpr size_t kSmall2Size = 130;  // 3 mini sectors

void WriteBaseFile(const fs::path& path, uint16_t version) {
    Tree tree;
    AddStream(tree.Root(), u"big", Pattern(kBigSize, 1));
    AddStream(tree.Root(), u"big2", Pattern(kBig2Size, 2));
    AddStream(tree.Root(), u"small", Pattern(kSmallSize, 3));
    AddStream(tree.Root(), u"small2", Pattern(kSmall2Size, 4));
    Element* dir = AddStorage(tree.Root(), u"dir");
    AddStream(*dir, u"inner", Pattern(100, 5));
    AddStream(*dir, u"inner2", Pattern(5000, 6));
    ASSERT_EQ(S_OK, WriteFile(path, tree, version));
}

uint32_t Id(const FileImage& image, const std::string& name) {
    const uint32_t id = image.FindEntry(name);
    EXPECT_NE(kNone, id) << name;
    return id;
}
uint32_t Start(const FileImage& image, const std::string& name) { return image.Entry32(Id(image, name), kEntryStart); }
// The n-th sector (or mini sector) of a stream's chain.
uint32_t NthSector(const FileImage& image, const std::string& name, int n, bool mini = false) {
    uint32_t sector = Start(image, name);
    while (n-- > 0) sector = mini ? image.MiniFat(sector) : image.Fat(sector);
    return sector;
}
uint32_t LastSector(const FileImage& image, const std::string& name, bool mini = false) {
    uint32_t sector = Start(image, name);
    for (;;) {
        const uint32_t next = mini ? image.MiniFat(sector) : image.Fat(sector);
        if (next == kEnd) return sector;
        sector = next;
    }
}
uint32_t SectorCount(const FileImage& image) {
    return static_cast<uint32_t>(image.Bytes().size() / image.SectorSize() - 1);
}

struct DamageCase {
    const char* name;
    std::function<void(FileImage&)> damage;
    HRESULT expected;
};

const HRESULT kCorrupt = STG_E_DOCFILECORRUPT;

std::vector<DamageCase> DamageCases(uint16_t version) {
    const bool v3 = version == 3;
    return {
        // --- Not a compound file, or a damaged header ---
        {"zeroed header", [](FileImage& f) { std::fill(f.Bytes().begin(), f.Bytes().begin() + 512, 0); },
         STG_E_FILEALREADYEXISTS},
        {"shorter than a header", [](FileImage& f) { f.Bytes().resize(511); }, STG_E_FILEALREADYEXISTS},
        {"empty file", [](FileImage& f) { f.Bytes().clear(); }, STG_E_FILEALREADYEXISTS},
        {"header only", [](FileImage& f) { f.Bytes().resize(512); }, kCorrupt},
        {"wrong byte order mark", [](FileImage& f) { f.Set16(kHeaderByteOrder, 0xFEFF); }, kCorrupt},
        {"unknown major version", [](FileImage& f) { f.Set16(kHeaderMajorVersion, 5); }, kCorrupt},
        {"sector size of the other version",
         [](FileImage& f) { f.Set16(kHeaderSectorShift, f.SectorSize() == 512 ? 12 : 9); }, kCorrupt},
        {"major version of the other sector size",
         [](FileImage& f) { f.Set16(kHeaderMajorVersion, f.SectorSize() == 512 ? 4 : 3); }, kCorrupt},
        {"mini sector size 128", [](FileImage& f) { f.Set16(kHeaderMiniShift, 7); }, kCorrupt},
        {"mini stream cutoff 8192", [](FileImage& f) { f.Set32(kHeaderCutoff, 8192); }, kCorrupt},
        {"FAT sector count 0xFFFFFFFF", [](FileImage& f) { f.Set32(kHeaderFatCount, 0xFFFFFFFFu); }, kCorrupt},
        {"FAT sector count beyond the file", [](FileImage& f) { f.Set32(kHeaderFatCount, SectorCount(f) + 1); },
         kCorrupt},
        {"no FAT sector", [](FileImage& f) { f.Set32(kHeaderFatCount, 0); }, kCorrupt},
        {"FAT sector id past the file", [](FileImage& f) { f.Set32(kHeaderDifat, SectorCount(f)); }, kCorrupt},
        {"FAT sector id special", [](FileImage& f) { f.Set32(kHeaderDifat, kEnd); }, kCorrupt},

        // --- The directory chain ---
        {"no directory", [](FileImage& f) { f.Set32(kHeaderFirstDirectory, kEnd); }, kCorrupt},
        {"directory starts at a free id", [](FileImage& f) { f.Set32(kHeaderFirstDirectory, kFree); }, kCorrupt},
        {"directory starts past the file", [](FileImage& f) { f.Set32(kHeaderFirstDirectory, SectorCount(f)); },
         kCorrupt},
        {"directory starts at MAXREGSECT", [](FileImage& f) { f.Set32(kHeaderFirstDirectory, 0xFFFFFFFAu); }, kCorrupt},
        {"directory in a FAT sector", [](FileImage& f) { f.Set32(kHeaderFirstDirectory, f.FatSector(0)); }, kCorrupt},
        {"directory chain loops on itself",
         [](FileImage& f) {
             const uint32_t first = f.Get32(kHeaderFirstDirectory);
             f.SetFat(first, first);
         },
         kCorrupt},

        // --- FAT chains of streams ---
        {"FAT self-loop", [](FileImage& f) { f.SetFat(Start(f, "big"), Start(f, "big")); }, kCorrupt},
        {"FAT long loop", [](FileImage& f) { f.SetFat(LastSector(f, "big"), Start(f, "big")); }, kCorrupt},
        {"FAT id past the file mid-chain", [](FileImage& f) { f.SetFat(Start(f, "big"), SectorCount(f)); }, kCorrupt},
        {"FAT id 0x00FFFFFF mid-chain", [](FileImage& f) { f.SetFat(Start(f, "big"), 0x00FFFFFFu); }, kCorrupt},
        {"FAT free id mid-chain", [](FileImage& f) { f.SetFat(Start(f, "big"), kFree); }, kCorrupt},
        {"FAT FATSECT mid-chain", [](FileImage& f) { f.SetFat(Start(f, "big"), kFatMark); }, kCorrupt},
        {"FAT DIFSECT mid-chain", [](FileImage& f) { f.SetFat(Start(f, "big"), kDifatMark); }, kCorrupt},
        {"FAT MAXREGSECT mid-chain", [](FileImage& f) { f.SetFat(Start(f, "big"), 0xFFFFFFFAu); }, kCorrupt},
        {"FAT reserved id mid-chain", [](FileImage& f) { f.SetFat(Start(f, "big"), 0xFFFFFFFBu); }, kCorrupt},
        {"chain cut short", [](FileImage& f) { f.SetFat(Start(f, "big"), kEnd); }, kCorrupt},
        {"size larger than the chain",
         [](FileImage& f) { f.SetEntry32(Id(f, "big"), kEntrySize, kBigSize + f.SectorSize()); }, kCorrupt},
        {"stream start past the file", [](FileImage& f) { f.SetEntry32(Id(f, "big"), kEntryStart, SectorCount(f)); },
         kCorrupt},
        {"stream starts at a free id", [](FileImage& f) { f.SetEntry32(Id(f, "big"), kEntryStart, kFree); }, kCorrupt},
        {"two streams share their sectors",
         [](FileImage& f) { f.SetEntry32(Id(f, "big2"), kEntryStart, Start(f, "big")); }, kCorrupt},
        {"one stream joins another's chain",
         [](FileImage& f) { f.SetEntry32(Id(f, "big2"), kEntryStart, NthSector(f, "big", 2)); }, kCorrupt},
        {"chains merge", [](FileImage& f) { f.SetFat(Start(f, "big2"), NthSector(f, "big", 1)); }, kCorrupt},
        {"stream in the directory's sector",
         [](FileImage& f) { f.SetEntry32(Id(f, "big"), kEntryStart, f.Get32(kHeaderFirstDirectory)); }, kCorrupt},
        {"stream in a FAT sector", [](FileImage& f) { f.SetEntry32(Id(f, "big"), kEntryStart, f.FatSector(0)); },
         kCorrupt},
        {"stream size 2^63",
         [](FileImage& f) {
             f.SetEntry32(Id(f, "big"), kEntrySize, 0);
             f.Set32(f.EntryAt(Id(f, "big")) + kEntrySize + 4, 0x80000000u);
         },
         v3 ? S_OK : kCorrupt},  // Version 3 sizes have 32 bits: this one is 0 there.
        {"garbage in the high half of the size",
         [](FileImage& f) { f.Set32(f.EntryAt(Id(f, "big")) + kEntrySize + 4, 0xDEADBEEFu); }, v3 ? S_OK : kCorrupt},

        // --- The mini FAT and mini stream ---
        {"mini FAT self-loop", [](FileImage& f) { f.SetMiniFat(Start(f, "small"), Start(f, "small")); }, kCorrupt},
        {"mini FAT long loop", [](FileImage& f) { f.SetMiniFat(LastSector(f, "small", true), Start(f, "small")); },
         kCorrupt},
        {"mini id past the mini stream", [](FileImage& f) { f.SetMiniFat(Start(f, "small"), 5000); }, kCorrupt},
        {"mini free id mid-chain", [](FileImage& f) { f.SetMiniFat(Start(f, "small"), kFree); }, kCorrupt},
        {"mini chain cut short", [](FileImage& f) { f.SetMiniFat(Start(f, "small"), kEnd); }, kCorrupt},
        {"mini size larger than the chain", [](FileImage& f) { f.SetEntry32(Id(f, "small"), kEntrySize, 1000); },
         kCorrupt},
        {"two streams share mini sectors",
         [](FileImage& f) { f.SetEntry32(Id(f, "small2"), kEntryStart, Start(f, "small")); }, kCorrupt},
        {"mini stream larger than its chain",
         [](FileImage& f) { f.SetEntry32(0, kEntrySize, f.Entry32(0, kEntrySize) + 2 * f.SectorSize()); }, kCorrupt},
        {"mini stream missing", [](FileImage& f) { f.SetEntry32(0, kEntrySize, 0); }, kCorrupt},
        {"no mini FAT", [](FileImage& f) { f.Set32(kHeaderFirstMiniFat, kEnd); }, kCorrupt},
        {"mini FAT chain shared with the directory",
         [](FileImage& f) { f.Set32(kHeaderFirstMiniFat, f.Get32(kHeaderFirstDirectory)); }, kCorrupt},

        // --- The directory tree ---
        {"entry 0 not the root", [](FileImage& f) { f.SetEntryByte(0, kEntryType, 1); }, kCorrupt},
        {"second root entry", [](FileImage& f) { f.SetEntryByte(Id(f, "big"), kEntryType, 5); }, kCorrupt},
        {"unknown entry type", [](FileImage& f) { f.SetEntryByte(Id(f, "big"), kEntryType, 3); }, kCorrupt},
        {"sibling link to itself", [](FileImage& f) { f.SetEntry32(Id(f, "big"), kEntryLeft, Id(f, "big")); },
         kCorrupt},
        {"sibling link to the root", [](FileImage& f) { f.SetEntry32(Id(f, "big"), kEntryRight, 0); }, kCorrupt},
        {"child link to its own storage", [](FileImage& f) { f.SetEntry32(Id(f, "dir"), kEntryChild, Id(f, "dir")); },
         kCorrupt},
        {"entry reachable twice", [](FileImage& f) { f.SetEntry32(Id(f, "dir"), kEntryChild, Id(f, "small")); },
         kCorrupt},
        {"link past the directory", [](FileImage& f) { f.SetEntry32(Id(f, "big"), kEntryLeft, f.DirectorySlots()); },
         kCorrupt},
        {"link 0xFFFFFFF0", [](FileImage& f) { f.SetEntry32(Id(f, "big"), kEntryLeft, 0xFFFFFFF0u); }, kCorrupt},
        {"link 0x80000000", [](FileImage& f) { f.SetEntry32(0, kEntryChild, 0x80000000u); }, kCorrupt},
        {"name of 32 units", [](FileImage& f) { f.Set16(f.EntryAt(Id(f, "big")) + kEntryNameLength, 66); }, kCorrupt},
        {"name length odd", [](FileImage& f) { f.Set16(f.EntryAt(Id(f, "big")) + kEntryNameLength, 7); }, kCorrupt},
        {"empty name", [](FileImage& f) { f.Set16(f.EntryAt(Id(f, "big")) + kEntryNameLength, 2); }, kCorrupt},
        {"terminator inside the name", [](FileImage& f) { f.Set16(f.EntryAt(Id(f, "small")), 0); }, kCorrupt},
        {"two siblings of the same name",
         [](FileImage& f) {
             // "big2" becomes "BIG" (case does not tell names apart).
             const uint64_t at = f.EntryAt(Id(f, "big2"));
             f.Set16(at, 'B');
             f.Set16(at + 2, 'I');
             f.Set16(at + 4, 'G');
             f.Set16(at + 6, 0);
             f.Set16(at + kEntryNameLength, 8);
         },
         kCorrupt},

        // --- Truncation ---
        {"last sector missing", [](FileImage& f) { f.Bytes().resize(f.Bytes().size() - f.SectorSize()); }, kCorrupt},
        {"half the file missing", [](FileImage& f) { f.Bytes().resize(f.Bytes().size() / 2); }, kCorrupt},

        // --- Tolerated: what other writers do ---
        {"minor version 0x3B", [](FileImage& f) { f.Set16(0x18, 0x3B); }, S_OK},
        {"wrong mini FAT and DIFAT counts",
         [](FileImage& f) {
             f.Set32(kHeaderMiniFatCount, 0xFFFFFFFFu);
             f.Set32(kHeaderDifatCount, 0xFFFFFFFFu);
         },
         S_OK},
        {"chain longer than the size",
         [](FileImage& f) { f.SetEntry32(Id(f, "big"), kEntrySize, kBigSize - 2 * f.SectorSize()); }, S_OK},
        {"mini chain longer than the size", [](FileImage& f) { f.SetEntry32(Id(f, "small"), kEntrySize, 1); }, S_OK},
        {"every entry red",
         [](FileImage& f) {
             for (uint32_t id = 0; id < f.DirectorySlots(); ++id) f.SetEntryByte(id, kEntryColour, 0);
         },
         S_OK},
        {"siblings in reverse order",
         [](FileImage& f) {
             for (uint32_t id = 1; id < f.DirectorySlots(); ++id) {
                 const uint32_t left = f.Entry32(id, kEntryLeft);
                 f.SetEntry32(id, kEntryLeft, f.Entry32(id, kEntryRight));
                 f.SetEntry32(id, kEntryRight, left);
             }
         },
         S_OK},
        {"storage with a size and a start",
         [](FileImage& f) {
             f.SetEntry32(Id(f, "dir"), kEntryStart, 0x12345678u);
             f.SetEntry32(Id(f, "dir"), kEntrySize, 0x12345678u);
         },
         S_OK},
        {"empty stream with a bogus start",
         [](FileImage& f) {
             f.SetEntry32(Id(f, "small2"), kEntrySize, 0);
             f.SetEntry32(Id(f, "small2"), kEntryStart, 0x12345678u);
         },
         S_OK},
        {"last sector cut short", [](FileImage& f) { f.Bytes().resize(f.Bytes().size() - 100); }, S_OK},
    };
}

class FormatDamagedFileTest : public FormatFileTest, public ::testing::WithParamInterface<uint16_t> {};

TEST_P(FormatDamagedFileTest, EachDamageGivesItsCode) {
    WriteBaseFile(Path("base.cfb"), GetParam());
    for (const DamageCase& c : DamageCases(GetParam())) {
        SCOPED_TRACE(c.name);
        FileImage image = FileImage::Load(Path("base.cfb"));
        c.damage(image);
        image.Save(Path("damaged.cfb"));
        std::unique_ptr<Tree> tree;
        EXPECT_EQ(c.expected, LoadFile(Path("damaged.cfb"), &tree));
        if (tree) {
            ReadEverything(*tree);
        }
    }
}

TEST_P(FormatDamagedFileTest, ToleratedDeviationsKeepEveryElement) {
    // Reversed sibling order and wrong colours: lookups must not rely on the
    // file's order, so every element is still found by name.
    WriteBaseFile(Path("base.cfb"), GetParam());
    FileImage image = FileImage::Load(Path("base.cfb"));
    for (uint32_t id = 0; id < image.DirectorySlots(); ++id) {
        const uint32_t left = image.Entry32(id, kEntryLeft);
        image.SetEntry32(id, kEntryLeft, image.Entry32(id, kEntryRight));
        image.SetEntry32(id, kEntryRight, left);
        image.SetEntryByte(id, kEntryColour, 0);
    }
    // High bits of a version 3 size are not part of it.
    if (GetParam() == 3) {
        image.Set32(image.EntryAt(image.FindEntry("big")) + kEntrySize + 4, 0xDEADBEEFu);
    }
    image.Save(Path("deviant.cfb"));
    std::unique_ptr<Tree> tree;
    ASSERT_EQ(S_OK, LoadFile(Path("deviant.cfb"), &tree));
    const Element& root = tree->Root();
    ASSERT_EQ(5u, root.ChildCount());
    EXPECT_EQ(Pattern(kBigSize, 1), ReadAll(*root.FindChild(u"BIG")));
    EXPECT_EQ(Pattern(kBig2Size, 2), ReadAll(*root.FindChild(u"big2")));
    EXPECT_EQ(Pattern(kSmallSize, 3), ReadAll(*root.FindChild(u"Small")));
    EXPECT_EQ(Pattern(kSmall2Size, 4), ReadAll(*root.FindChild(u"small2")));
    const Element* dir = root.FindChild(u"dir");
    ASSERT_NE(nullptr, dir);
    EXPECT_EQ(Pattern(100, 5), ReadAll(*dir->FindChild(u"inner")));
    EXPECT_EQ(Pattern(5000, 6), ReadAll(*dir->FindChild(u"INNER2")));
}

TEST_P(FormatDamagedFileTest, UnallocatedEntryInATreeIsSkippedAndItsSiblingsKept) {
    WriteBaseFile(Path("base.cfb"), GetParam());
    FileImage image = FileImage::Load(Path("base.cfb"));
    // The root of the root storage's sibling tree has siblings on both sides.
    const uint32_t top = image.Entry32(0, kEntryChild);
    ASSERT_NE(kNone, image.Entry32(top, kEntryLeft));
    ASSERT_NE(kNone, image.Entry32(top, kEntryRight));
    image.SetEntryByte(top, kEntryType, 0);
    image.Save(Path("hole.cfb"));
    std::unique_ptr<Tree> tree;
    ASSERT_EQ(S_OK, LoadFile(Path("hole.cfb"), &tree));
    EXPECT_EQ(4u, tree->Root().ChildCount());
}

TEST_P(FormatDamagedFileTest, EveryTruncationLoadsOrFails) {
    // Cut at every sector boundary and a few bytes either side of it.
    WriteBaseFile(Path("base.cfb"), GetParam());
    const std::vector<uint8_t> whole = ReadBytes(Path("base.cfb"));
    const size_t sector = GetParam() == 3 ? 512 : 4096;
    for (size_t boundary = 0; boundary <= whole.size(); boundary += sector) {
        for (size_t cut : {boundary - 1, boundary, boundary + 1, boundary + 200}) {
            if (cut > whole.size()) continue;
            SCOPED_TRACE(cut);
            WriteBytes(Path("cut.cfb"), std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(cut)));
            std::unique_ptr<Tree> tree;
            const HRESULT hr = LoadFile(Path("cut.cfb"), &tree);
            if (cut < 512) {
                EXPECT_EQ(STG_E_FILEALREADYEXISTS, hr);
            } else if (cut + sector <= whole.size()) {
                EXPECT_EQ(kCorrupt, hr);  // Every sector is in use: losing one loses data.
            } else if (SUCCEEDED(hr)) {
                ReadEverything(*tree);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, FormatDamagedFileTest, ::testing::Values(uint16_t{3}, uint16_t{4}),
                         [](const auto& info) { return "v" + std::to_string(info.param); });

// --- Deep and degenerate directory trees --------------------------------

class FormatDeepTreeTest : public FormatFileTest {};

TEST_F(FormatDeepTreeTest, DegenerateSiblingListOfAHundredThousandLoads) {
    constexpr uint32_t kCount = 100000;
    {
        Tree tree;
        for (uint32_t i = 0; i < kCount; ++i) {
            AddStream(tree.Root(), winapi::ToUtf16(std::to_string(i)), {});
        }
        ASSERT_EQ(S_OK, WriteFile(Path("wide.cfb"), tree, 4));
    }
    // Relink the root's children as one right-leaning list: a tree as deep
    // as it is wide.
    FileImage image = FileImage::Load(Path("wide.cfb"));
    image.SetEntry32(0, kEntryChild, 1);
    for (uint32_t id = 1; id <= kCount; ++id) {
        image.SetEntry32(id, kEntryLeft, kNone);
        image.SetEntry32(id, kEntryRight, id < kCount ? id + 1 : kNone);
    }
    image.Save(Path("list.cfb"));
    std::unique_ptr<Tree> tree;
    ASSERT_EQ(S_OK, LoadFile(Path("list.cfb"), &tree));
    EXPECT_EQ(kCount, tree->Root().ChildCount());
    EXPECT_NE(nullptr, tree->Root().FindChild(u"99999"));

    // The same list closed into a ring.
    image.SetEntry32(kCount, kEntryRight, 1);
    image.Save(Path("ring.cfb"));
    EXPECT_EQ(kCorrupt, LoadFile(Path("ring.cfb"), &tree));
}

TEST_F(FormatDeepTreeTest, StoragesNestedAHundredThousandDeepRoundTrip) {
    constexpr int kDepth = 100000;
    {
        Tree tree;
        Element* storage = &tree.Root();
        for (int i = 0; i < kDepth; ++i) {
            storage = AddStorage(*storage, u"d");
        }
        AddStream(*storage, u"bottom", Pattern(10, 7));
        ASSERT_EQ(S_OK, WriteFile(Path("deep.cfb"), tree, 4));
    }  // Destroying the tree must not recurse either.
    std::unique_ptr<Tree> tree;
    ASSERT_EQ(S_OK, LoadFile(Path("deep.cfb"), &tree));
    const Element* storage = &tree->Root();
    for (int i = 0; i < kDepth; ++i) {
        storage = storage->FindChild(u"D");
        ASSERT_NE(nullptr, storage) << i;
    }
    EXPECT_EQ(Pattern(10, 7), ReadAll(*storage->FindChild(u"bottom")));
}

// --- DIFAT boundaries (version 3: 128 ids per FAT sector, 127 per DIFAT sector)

struct DifatCase {
    uint32_t streamSectors;  // With the directory sector, the data sectors.
    uint32_t fatSectors;
    uint32_t difatSectors;
};

class FormatDifatTest : public FormatFileTest {
protected:
    // A version 3 file with one stream of `sectors` regular sectors (zeros
    // but for a marked last byte, so nothing large is held in memory).
    void WriteFileWithSectors(const fs::path& path, uint32_t sectors) {
        Tree tree;
        Element* stream = AddStream(tree.Root(), u"payload", {});
        ASSERT_EQ(S_OK, stream->MutableContent().SetSize(uint64_t{sectors} * 512 - 1));
        const uint8_t mark = 0x5A;
        ASSERT_EQ(S_OK, stream->MutableContent().Write(uint64_t{sectors} * 512 - 1, &mark, 1));
        ASSERT_EQ(S_OK, WriteFile(path, tree, 3));
    }
};

TEST_F(FormatDifatTest, FatSectorCountsAroundTheHeadersAndTheDifatSectorsCapacity) {
    // The most data each FAT size can cover: with F FAT sectors and X DIFAT
    // sectors, 128 F >= data + F + X.
    const DifatCase cases[] = {
        {13842, 109, 0},  // the header's 109 ids exactly
        {13968, 110, 1},  // one id in a DIFAT sector
        {29970, 236, 1},  // a DIFAT sector with exactly 127 ids
        {30096, 237, 2},  // the next one starts a second DIFAT sector
    };
    for (const DifatCase& c : cases) {
        SCOPED_TRACE(c.fatSectors);
        WriteFileWithSectors(Path("difat.cfb"), c.streamSectors);
        FileImage image = FileImage::Load(Path("difat.cfb"));
        EXPECT_EQ(c.fatSectors, image.Get32(kHeaderFatCount));
        EXPECT_EQ(c.difatSectors, image.Get32(kHeaderDifatCount));
        EXPECT_EQ(c.difatSectors == 0 ? kEnd : c.fatSectors, image.Get32(kHeaderFirstDifat));
        for (uint32_t d = 0; d < c.difatSectors; ++d) {
            EXPECT_EQ(kDifatMark, image.Fat(c.fatSectors + d));
        }
        for (uint32_t i = 0; i < c.fatSectors; ++i) {
            ASSERT_EQ(i, image.FatSector(i));
        }
        std::unique_ptr<Tree> tree;
        ASSERT_EQ(S_OK, LoadFile(Path("difat.cfb"), &tree));
        const Element* payload = tree->Root().FindChild(u"payload");
        uint8_t last = 0;
        size_t read = 0;
        ASSERT_EQ(S_OK, payload->Content().Read(uint64_t{c.streamSectors} * 512 - 1, &last, 1, &read));
        EXPECT_EQ(0x5A, last);
    }
}

TEST_F(FormatDifatTest, DamagedDifatChainsAreRefused) {
    WriteFileWithSectors(Path("difat.cfb"), 30096);  // 237 FAT sectors, 2 DIFAT sectors
    const FileImage base = FileImage::Load(Path("difat.cfb"));
    const uint32_t firstDifat = base.Get32(kHeaderFirstDifat);
    const uint64_t linkAt = base.SectorOffset(firstDifat) + 127 * 4;
    const uint32_t sectors = SectorCount(base);
    const std::vector<std::pair<const char*, std::function<void(FileImage&)>>> cases = {
        {"DIFAT self-loop", [&](FileImage& f) { f.Set32(linkAt, firstDifat); }},
        {"DIFAT link past the file", [&](FileImage& f) { f.Set32(linkAt, sectors); }},
        {"DIFAT link free", [&](FileImage& f) { f.Set32(linkAt, kFree); }},
        {"DIFAT ends early", [&](FileImage& f) { f.Set32(linkAt, kEnd); }},
        {"no DIFAT", [&](FileImage& f) { f.Set32(kHeaderFirstDifat, kEnd); }},
        {"DIFAT in a FAT sector", [&](FileImage& f) { f.Set32(kHeaderFirstDifat, 0); }},
        {"FAT id in the DIFAT past the file", [&](FileImage& f) { f.Set32(base.SectorOffset(firstDifat), sectors); }},
        {"FAT id in the DIFAT repeated", [&](FileImage& f) { f.Set32(base.SectorOffset(firstDifat), 0); }},
        {"FAT id in the DIFAT is the DIFAT", [&](FileImage& f) { f.Set32(base.SectorOffset(firstDifat), firstDifat); }},
    };
    for (const auto& [name, damage] : cases) {
        SCOPED_TRACE(name);
        FileImage image = base;
        damage(image);
        image.Save(Path("damaged.cfb"));
        std::unique_ptr<Tree> tree;
        EXPECT_EQ(kCorrupt, LoadFile(Path("damaged.cfb"), &tree));
    }
}

// A 4 KiB file made to look 4 GiB long (sparse), whose header claims a FAT
// of eight million sectors listed in DIFAT sectors of zeros: refused at the
// first repeated id, without allocating for the claimed FAT.
TEST_F(FormatDifatTest, AHugeFatClaimedOverASparseFileIsRefusedWithoutAllocatingIt) {
    using namespace storage::format;
    Header header;
    header.majorVersion = kVersion3;
    header.sectorShift = 9;
    header.fatSectorCount = 8'000'000;
    for (uint32_t i = 0; i < kHeaderDifatEntries; ++i) header.difat[i] = i + 1;
    header.firstDifatSector = 200;
    header.difatSectorCount = DifatSectorsFor(header.fatSectorCount, 512);
    uint8_t bytes[kHeaderSize];
    SerializeHeader(header, bytes);
    {
        std::ofstream out(Path("sparse.cfb"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    }
    fs::resize_file(Path("sparse.cfb"), uint64_t{4} << 30);

    struct rusage before {};
    ::getrusage(RUSAGE_SELF, &before);
    std::unique_ptr<Tree> tree;
    EXPECT_EQ(kCorrupt, LoadFile(Path("sparse.cfb"), &tree));
    struct rusage after {};
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "KiB of peak memory added";
}

}  // namespace
}  // namespace formattest
