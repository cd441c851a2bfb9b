// Trees written as files and read back, in both versions: every stream's
// bytes (read forwards and backwards), names, types, CLSIDs, state bits and
// times survive; the written files have the layout the format prescribes.
#include "format_test_support.h"

#include "format/directory_tree.h"
#include "winapi/text.h"

#include <algorithm>

namespace formattest {
namespace {

// Sizes around the mini stream's and the sectors' edges.
const size_t kStreamSizes[] = {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 8192, 100000, (1u << 20) + 3};

constexpr GUID kClsid = {0x01234567, 0x89AB, 0xCDEF, {1, 2, 3, 4, 5, 6, 7, 8}};

void BuildSampleTree(Tree& tree) {
    Element& root = tree.Root();
    root.SetClsid(kClsid);
    root.SetModifiedTime(0x01D0000000000002ull);
    uint32_t seed = 1;
    for (size_t size : kStreamSizes) {
        AddStream(root, u"s" + std::u16string(1, static_cast<char16_t>(u'A' + seed)), Pattern(size, seed));
        ++seed;
    }
    Element* outer = AddStorage(root, u"Outer");
    outer->SetClsid(kClsid);
    outer->SetStateBits(0x5A5A);
    outer->SetCreationTime(0x01D0000000000001ull);
    outer->SetModifiedTime(0x01D0000000000003ull);
    Element* inner = AddStorage(*outer, u"Inner storage with 31 units ...");
    AddStream(*inner, u"\x05SummaryInformation", Pattern(300, 99));
    AddStream(*inner, u"big", Pattern(70000, 98));
    AddStorage(*outer, u"Empty");
}

// Reads the stream in pieces from its end to its start.
std::vector<uint8_t> ReadBackwards(const Element& stream, size_t piece) {
    const uint64_t size = stream.Content().Size();
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    uint64_t end = size;
    while (end > 0) {
        const uint64_t begin = end > piece ? end - piece : 0;
        size_t read = 0;
        EXPECT_EQ(S_OK, stream.Content().Read(begin, bytes.data() + begin, static_cast<size_t>(end - begin), &read));
        EXPECT_EQ(end - begin, read);
        end = begin;
    }
    return bytes;
}

// Compares two subtrees element by element, stream bytes included.
void ExpectSameTree(const Element& expected, const Element& actual) {
    std::vector<std::pair<const Element*, const Element*>> pending{{&expected, &actual}};
    while (!pending.empty()) {
        auto [want, got] = pending.back();
        pending.pop_back();
        SCOPED_TRACE(winapi::ToUtf8(want->Name()));
        EXPECT_EQ(want->Name(), got->Name());
        EXPECT_EQ(want->Type(), got->Type());
        EXPECT_EQ(0, std::memcmp(&want->Clsid(), &got->Clsid(), sizeof(GUID)));
        EXPECT_EQ(want->StateBits(), got->StateBits());
        EXPECT_EQ(want->CreationTime(), got->CreationTime());
        EXPECT_EQ(want->ModifiedTime(), got->ModifiedTime());
        if (want->IsStream()) {
            const std::vector<uint8_t> bytes = ReadAll(*want);
            EXPECT_EQ(bytes, ReadAll(*got));
            EXPECT_EQ(bytes, ReadBackwards(*got, 1000));
            EXPECT_EQ(bytes, ReadBackwards(*got, 7));
            continue;
        }
        ASSERT_EQ(want->ChildCount(), got->ChildCount());
        auto gotChild = got->Children().begin();
        for (const auto& [name, child] : want->Children()) {
            pending.push_back({child.get(), gotChild->second.get()});
            ++gotChild;
        }
    }
}

class FormatRoundTripTest : public FormatFileTest, public ::testing::WithParamInterface<uint16_t> {};

TEST_P(FormatRoundTripTest, WrittenTreeReadsBackWhole) {
    const uint16_t version = GetParam();
    Tree tree;
    BuildSampleTree(tree);
    ASSERT_EQ(S_OK, WriteFile(Path("a.cfb"), tree, version));

    std::unique_ptr<Tree> loaded;
    ASSERT_EQ(S_OK, LoadFile(Path("a.cfb"), &loaded));
    EXPECT_EQ(version, loaded->MajorVersion());
    ExpectSameTree(tree.Root(), loaded->Root());
}

TEST_P(FormatRoundTripTest, RewritingAnUnchangedTreeGivesTheSameBytes) {
    // The second file copies every stream from the first through the lazy
    // source path; a deterministic writer then produces identical bytes.
    const uint16_t version = GetParam();
    Tree tree;
    BuildSampleTree(tree);
    ASSERT_EQ(S_OK, WriteFile(Path("first.cfb"), tree, version));
    std::unique_ptr<Tree> loaded;
    ASSERT_EQ(S_OK, LoadFile(Path("first.cfb"), &loaded));
    ASSERT_EQ(S_OK, WriteFile(Path("second.cfb"), *loaded, version));
    EXPECT_EQ(ReadBytes(Path("first.cfb")), ReadBytes(Path("second.cfb")));
}

TEST_P(FormatRoundTripTest, FileFollowsTheFormatsLayout) {
    const uint16_t version = GetParam();
    Tree tree;
    BuildSampleTree(tree);
    ASSERT_EQ(S_OK, WriteFile(Path("a.cfb"), tree, version));
    FileImage image = FileImage::Load(Path("a.cfb"));
    const uint32_t sectorSize = version == 3 ? 512 : 4096;
    ASSERT_EQ(sectorSize, image.SectorSize());
    EXPECT_EQ(0u, image.Bytes().size() % sectorSize);
    EXPECT_EQ(0x3Eu, image.Get16(0x18));
    EXPECT_EQ(version, image.Get16(kHeaderMajorVersion));
    EXPECT_EQ(0xFFFEu, image.Get16(kHeaderByteOrder));
    EXPECT_EQ(6u, image.Get16(kHeaderMiniShift));
    EXPECT_EQ(4096u, image.Get32(kHeaderCutoff));
    // Version 4 counts its directory sectors; version 3 leaves the field 0.
    const uint32_t directorySectors = image.DirectorySlots() * 128 / sectorSize;
    EXPECT_EQ(version == 3 ? 0u : directorySectors, image.Get32(0x28));
    // Unused directory slots are unallocated entries linking nowhere (the
    // sample has 20 elements: version 3 fills its 5 sectors exactly).
    for (uint32_t unused = 20; unused < image.DirectorySlots(); ++unused) {
        EXPECT_EQ(0, image.EntryByte(unused, kEntryType));
        EXPECT_EQ(0, image.EntryByte(unused, kEntryColour));
        EXPECT_EQ(0u, image.Entry32(unused, kEntryStart));
        EXPECT_EQ(kNone, image.Entry32(unused, kEntryLeft));
        EXPECT_EQ(kNone, image.Entry32(unused, kEntryRight));
        EXPECT_EQ(kNone, image.Entry32(unused, kEntryChild));
    }
    // Every sector is accounted for: the FAT marks its own sectors, and no
    // slot of an existing sector is free (the file is compact).
    const uint32_t sectors = static_cast<uint32_t>(image.Bytes().size() / sectorSize - 1);
    const uint32_t fatCount = image.Get32(kHeaderFatCount);
    for (uint32_t i = 0; i < fatCount; ++i) {
        EXPECT_EQ(kFatMark, image.Fat(image.FatSector(i)));
    }
    for (uint32_t s = 0; s < sectors; ++s) {
        EXPECT_NE(kFree, image.Fat(s)) << s;
    }
    // Small streams in the mini stream, the others in regular sectors: a
    // stream of 4095 bytes has a mini FAT chain of 64 mini sectors.
    const uint32_t small = image.FindEntry("sJ");  // 4095 bytes
    ASSERT_NE(kNone, small);
    ASSERT_EQ(4095u, image.Entry32(small, kEntrySize));
    uint32_t mini = image.Entry32(small, kEntryStart);
    int length = 1;
    while (image.MiniFat(mini) != kEnd) {
        mini = image.MiniFat(mini);
        ++length;
    }
    EXPECT_EQ(64, length);
    const uint32_t large = image.FindEntry("sK");  // 4096 bytes
    ASSERT_NE(kNone, large);
    EXPECT_EQ(4096u / sectorSize, [&] {
        uint32_t count = 1;
        for (uint32_t s = image.Entry32(large, kEntryStart); image.Fat(s) != kEnd; s = image.Fat(s)) ++count;
        return count;
    }());
}

TEST_P(FormatRoundTripTest, FieldsTheFormatKeepsZeroAreWrittenAsZeros) {
    // A stream has no CLSID, state bits or times, and the root no creation
    // time, whatever the model holds.
    Tree tree;
    tree.Root().SetCreationTime(0x01D0000000000001ull);
    tree.Root().SetModifiedTime(0x01D0000000000002ull);
    Element* stream = AddStream(tree.Root(), u"s", Pattern(10, 1));
    stream->SetClsid(kClsid);
    stream->SetStateBits(7);
    stream->SetCreationTime(1);
    stream->SetModifiedTime(2);
    ASSERT_EQ(S_OK, WriteFile(Path("a.cfb"), tree, GetParam()));
    const FileImage image = FileImage::Load(Path("a.cfb"));
    const uint64_t root = image.EntryAt(0);
    EXPECT_EQ(0u, image.Get32(root + 0x64) | image.Get32(root + 0x68));
    EXPECT_EQ(0x01D00000u, image.Get32(root + 0x70));
    const uint64_t entry = image.EntryAt(image.FindEntry("s"));
    for (uint64_t at = entry + 0x50; at < entry + 0x74; at += 4) {
        EXPECT_EQ(0u, image.Get32(at)) << std::hex << at - entry;
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, FormatRoundTripTest, ::testing::Values(uint16_t{3}, uint16_t{4}),
                         [](const auto& info) { return "v" + std::to_string(info.param); });

// The balanced trees the writer builds are valid red-black trees in the
// format's order, for every sibling count up to a few hundred.
TEST(FormatSiblingTreeTest, EverySiblingTreeIsAValidRedBlackSearchTree) {
    using storage::format::BuildSiblingTree;
    using storage::format::EntryColour;
    using storage::format::SiblingLinks;
    for (uint32_t count = 0; count <= 300; ++count) {
        SCOPED_TRACE(count);
        std::vector<SiblingLinks> links;
        const uint32_t root = BuildSiblingTree(count, &links);
        if (count == 0) {
            EXPECT_EQ(kNone, root);
            continue;
        }
        ASSERT_LT(root, count);
        EXPECT_EQ(EntryColour::Black, links[root].colour);
        // In-order walk gives 0..count-1; every path has one black height.
        struct Frame {
            uint32_t node;
            uint32_t low, high;  // The node must lie in [low, high).
            int blacks;
        };
        std::vector<Frame> pending{{root, 0, count, 0}};
        int blackHeight = -1;
        uint32_t visited = 0;
        while (!pending.empty()) {
            const Frame f = pending.back();
            pending.pop_back();
            if (f.node == kNone) {
                if (blackHeight < 0) blackHeight = f.blacks;
                EXPECT_EQ(blackHeight, f.blacks);
                continue;
            }
            ++visited;
            ASSERT_GE(f.node, f.low);
            ASSERT_LT(f.node, f.high);
            const SiblingLinks& n = links[f.node];
            if (n.colour == EntryColour::Red) {
                for (uint32_t c : {n.left, n.right}) {
                    if (c != kNone) {
                        EXPECT_EQ(EntryColour::Black, links[c].colour);
                    }
                }
            }
            const int blacks = f.blacks + (n.colour == EntryColour::Black ? 1 : 0);
            pending.push_back({n.left, f.low, f.node, blacks});
            pending.push_back({n.right, f.node + 1, f.high, blacks});
        }
        EXPECT_EQ(count, visited);
    }
}

}  // namespace
}  // namespace formattest
