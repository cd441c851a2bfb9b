// Files we write, read back byte for byte by independent readers: olefile
// (python3-olefile) and libgsf (oracles/gsf_extract), for both format
// versions, after a first write and after edits that move and free space.
#include "interop_support.h"

#include "testsupport/fresh_machine.h"

#include <ostream>
#include <string>

namespace {

using interop::Element;
using interop::Tree;

// A tree with the shapes that matter to other readers: streams on both
// sides of every sector and cut-off boundary, nested storages, an empty
// one, names of 31 code units, mixed case, non-ASCII and outside the basic
// plane, and a storage with enough children to make a deep directory tree.
Tree SampleTree() {
    Tree tree;
    uint32_t seed = 1;
    for (size_t size : {0, 1, 63, 64, 4095, 4096, 4097, 100000}) {
        tree["Size" + std::to_string(size)] = {false, interop::PatternBytes(size, seed++)};
    }
    tree["MiXeD cAsE Name"] = {false, interop::PatternBytes(100, seed++)};
    tree["Größe Ωμέγα 日本語"] = {false, interop::PatternBytes(5000, seed++)};
    tree["Emoji \xF0\x9F\x98\x80 outside the BMP"] = {false, interop::PatternBytes(10, seed++)};
    tree["ThirtyOneCodeUnitsLongNameAbcde"] = {false, interop::PatternBytes(31, seed++)};
    tree["Ünïcödé näme of 31 ünits, exäct"] = {false, interop::PatternBytes(700, seed++)};
    tree["Empty storage"] = {true, {}};
    tree["Items"] = {true, {}};
    tree["Items/Level 1"] = {true, {}};
    tree["Items/Level 1/Level 2"] = {true, {}};
    tree["Items/Level 1/Level 2/Level 3"] = {true, {}};
    tree["Items/Level 1/small"] = {false, interop::PatternBytes(200, seed++)};
    tree["Items/Level 1/Level 2/large"] = {false, interop::PatternBytes(9000, seed++)};
    tree["Items/Level 1/Level 2/Level 3/deepest"] = {false, interop::PatternBytes(4096, seed++)};
    tree["Many"] = {true, {}};
    for (int i = 0; i < 150; ++i) {
        // Lengths and cases vary, so the format's ordering (length first,
        // then upper-cased units) differs from plain text order.
        std::string name = (i % 3 == 0 ? "item " : i % 3 == 1 ? "ITEM-" : "It") + std::to_string(i * 7919 % 1000);
        tree["Many/" + name] = {false, interop::PatternBytes(static_cast<size_t>(i * 37 % 300), seed++)};
    }
    return tree;
}

struct Format {
    int majorVersion;
    ULONG sectorSize;
    bool transacted;
};

void PrintTo(const Format& format, std::ostream* out) {
    *out << "version " << format.majorVersion << (format.transacted ? ", transacted" : ", direct");
}

std::string FormatName(const testing::TestParamInfo<Format>& info) {
    return "Version" + std::to_string(info.param.majorVersion) + (info.param.transacted ? "Transacted" : "Direct");
}

class ExportToOtherReadersTest : public testsupport::FreshMachineTest, public testing::WithParamInterface<Format> {
protected:
    void SetUp() override {
        if (!interop::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed (tools/install-deps.sh)";
        if (!interop::GsfReaderAvailable()) GTEST_SKIP() << "gsf_extract was not built (libgsf-1-dev is missing)";
    }

    interop::fs::path Path(const std::string& name) const { return machine_.root() / name; }

    // Writes `tree` to a new file of the tested format and commits it.
    void Write(const interop::fs::path& file, const Tree& tree) {
        auto root = interop::CreateCompoundFile(file, GetParam().sectorSize, GetParam().transacted);
        ASSERT_TRUE(root != nullptr);
        interop::WriteTree(root, tree);
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    }

    // Both readers must list exactly `expected`, with the same bytes.
    void ExpectOthersRead(const interop::fs::path& file, const Tree& expected) {
        {
            SCOPED_TRACE("olefile");
            auto listing = interop::ReadWithOracle("olefile_extract.py", file, Path("olefile-out"));
            EXPECT_EQ(GetParam().majorVersion, listing.majorVersion);
            EXPECT_EQ(static_cast<int>(GetParam().sectorSize), listing.sectorSize);
            interop::ExpectSameTree(expected, listing.tree);
        }
        {
            SCOPED_TRACE("gsf");
            auto listing = interop::ReadWithGsf(file, Path("gsf-out"));
            interop::ExpectSameTree(expected, listing.tree);
        }
    }
};

TEST_P(ExportToOtherReadersTest, OthersReadTheTreeWeWrote) {
    auto file = Path("written.cfb");
    Tree tree = SampleTree();
    Write(file, tree);
    ExpectOthersRead(file, tree);
}

// Edits free sectors and mini sectors, move streams across the cut-off in
// both directions and re-balance the directory; the result must still be
// a file that other readers read whole.
TEST_P(ExportToOtherReadersTest, OthersReadTheTreeAfterEdits) {
    auto file = Path("edited.cfb");
    Tree tree = SampleTree();
    Write(file, tree);

    DWORD mode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
    if (GetParam().transacted) mode |= STGM_TRANSACTED | STGM_NOSCRATCH;
    auto root = interop::OpenCompoundFile(file, mode);
    ASSERT_TRUE(root != nullptr);
    auto many = interop::OpenParent(root, "Many/x", STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
    ASSERT_TRUE(many != nullptr);
    for (auto it = tree.lower_bound("Many/"); it != tree.end() && it->first.starts_with("Many/");) {
        if (it->first.size() % 2 == 0) {
            ASSERT_EQ(S_OK, many->DestroyElement(interop::Utf16(it->first.substr(5)).c_str())) << it->first;
            it = tree.erase(it);
        } else {
            ++it;
        }
    }
    many = nullptr;
    ASSERT_EQ(S_OK, root->DestroyElement(u"Items"));
    for (auto it = tree.lower_bound("Items"); it != tree.end() && it->first.starts_with("Items");) it = tree.erase(it);
    ASSERT_EQ(S_OK, root->RenameElement(u"Size63", u"Renamed to a longer name"));
    tree["Renamed to a longer name"] = tree["Size63"];
    tree.erase("Size63");

    // A large stream shrinks below the cut-off, a small one grows above it,
    // and a new stream is written where the freed sectors are.
    const std::pair<const char*, std::string> rewrites[] = {
        {"Size100000", interop::PatternBytes(100, 901)},
        {"Size64", interop::PatternBytes(20000, 902)},
        {"Size4097", interop::PatternBytes(4097, 903)},
        {"New after edits", interop::PatternBytes(50000, 904)},
    };
    for (const auto& [name, bytes] : rewrites) {
        com::ComPtr<IStream> stream;
        ASSERT_EQ(S_OK, root->CreateStream(interop::Utf16(name).c_str(),
                                           STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream));
        interop::WriteInPieces(stream, bytes);
        tree[name] = {false, bytes};
    }
    ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    root = nullptr;

    ExpectOthersRead(file, tree);
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportToOtherReadersTest,
                         testing::Values(Format{3, 512, false}, Format{3, 512, true}, Format{4, 4096, false},
                                         Format{4, 4096, true}),
                         FormatName);

// Past 109 allocation-table sectors a version 3 file needs the chained
// table of their locations; other readers must follow it.
class ExportLargeFileTest : public testsupport::FreshMachineTest {};

TEST_F(ExportLargeFileTest, OthersReadAVersion3FileBeyondTheHeaderTableOfSectors) {
    if (!interop::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed (tools/install-deps.sh)";
    if (!interop::GsfReaderAvailable()) GTEST_SKIP() << "gsf_extract was not built (libgsf-1-dev is missing)";
    // 109 sectors of 128 entries map 13,952 sectors of 512 bytes.
    Tree tree;
    tree["Large"] = {false, interop::PatternBytes(7300000, 77)};
    tree["Small"] = {false, interop::PatternBytes(300, 78)};
    auto file = machine_.root() / "large.cfb";
    {
        auto root = interop::CreateCompoundFile(file, 512, false);
        ASSERT_TRUE(root != nullptr);
        interop::WriteTree(root, tree);
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    }
    ASSERT_GT(interop::fs::file_size(file), 110u * 128 * 512);
    auto olefile = interop::ReadWithOracle("olefile_extract.py", file, machine_.root() / "olefile-out");
    EXPECT_EQ(3, olefile.majorVersion);
    interop::ExpectSameTree(tree, olefile.tree);
    auto gsf = interop::ReadWithGsf(file, machine_.root() / "gsf-out");
    interop::ExpectSameTree(tree, gsf.tree);
}

}  // namespace
