// Writing files: failures of the disk at every write, the version limits,
// and the probe of the signature.
#include "format_test_support.h"

#include "format/file.h"

#include <cerrno>

namespace formattest {
namespace {

using storage::format::SetWriteHook;

class FormatWriterTest : public FormatFileTest {
protected:
    ~FormatWriterTest() override { SetWriteHook({}); }

    // A tree that takes several buffered writes (more than 1 MiB).
    static void BuildTree(Tree& tree) {
        AddStream(tree.Root(), u"a", Pattern(1500000, 1));
        AddStream(*AddStorage(tree.Root(), u"s"), u"b", Pattern(3000, 2));
        AddStream(tree.Root(), u"c", Pattern(900000, 3));
    }
};

TEST_F(FormatWriterTest, EveryFailedWriteIsReportedWithItsCode) {
    Tree tree;
    BuildTree(tree);
    int writes = 0;
    SetWriteHook([&writes](uint64_t, size_t) {
        ++writes;
        return 0;
    });
    ASSERT_EQ(S_OK, WriteFile(Path("ok.cfb"), tree, 4));
    ASSERT_GE(writes, 3);
    const int total = writes;
    for (int failing = 1; failing <= total; ++failing) {
        for (const auto& [error, expected] : {std::pair{EIO, STG_E_WRITEFAULT}, std::pair{ENOSPC, STG_E_MEDIUMFULL},
                                              std::pair{EDQUOT, STG_E_MEDIUMFULL}}) {
            SCOPED_TRACE(failing);
            int count = 0;
            SetWriteHook([&count, failing, error = error](uint64_t, size_t) { return ++count == failing ? error : 0; });
            EXPECT_EQ(expected, WriteFile(Path("failed.cfb"), tree, 4));
            EXPECT_EQ(failing, count);  // Nothing is written after a failure.
        }
    }
    // With the hook gone the same tree writes again, and loads.
    SetWriteHook({});
    ASSERT_EQ(S_OK, WriteFile(Path("failed.cfb"), tree, 4));
    std::unique_ptr<Tree> loaded;
    EXPECT_EQ(S_OK, LoadFile(Path("failed.cfb"), &loaded));
}

TEST_F(FormatWriterTest, WritingOverALongerFileCutsIt) {
    Tree big;
    BuildTree(big);
    ASSERT_EQ(S_OK, WriteFile(Path("a.cfb"), big, 4));
    Tree small;
    AddStream(small.Root(), u"only", Pattern(10, 1));
    const int fd = ::open(Path("a.cfb").c_str(), O_RDWR | O_CLOEXEC);  // no O_TRUNC
    ASSERT_GE(fd, 0);
    EXPECT_EQ(S_OK, storage::format::WriteCompoundFile(fd, small, 4));
    ::close(fd);
    // Header, FAT, directory, mini FAT and mini stream: one sector each.
    EXPECT_EQ(5u * 4096, fs::file_size(Path("a.cfb")));
    std::unique_ptr<Tree> loaded;
    ASSERT_EQ(S_OK, LoadFile(Path("a.cfb"), &loaded));
    EXPECT_EQ(1u, loaded->Root().ChildCount());
}

TEST_F(FormatWriterTest, VersionLimits) {
    Tree tree;
    Element* stream = AddStream(tree.Root(), u"huge", {});
    EXPECT_EQ(STG_E_INVALIDPARAMETER, WriteFile(Path("a.cfb"), tree, 5));
    EXPECT_EQ(STG_E_INVALIDPARAMETER, WriteFile(Path("a.cfb"), tree, 0));
    // Version 3 records sizes in 32 bits: 4 GiB does not fit (and is refused
    // before anything is written or allocated).
    ASSERT_EQ(S_OK, stream->MutableContent().SetSize(uint64_t{1} << 32));
    int writes = 0;
    SetWriteHook([&writes](uint64_t, size_t) {
        ++writes;
        return 0;
    });
    EXPECT_EQ(STG_E_MEDIUMFULL, WriteFile(Path("a.cfb"), tree, 3));
    EXPECT_EQ(0, writes);
}

TEST_F(FormatWriterTest, SignatureProbe) {
    Tree tree;
    ASSERT_EQ(S_OK, WriteFile(Path("a.cfb"), tree, 3));
    WriteBytes(Path("text.txt"), {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
    WriteBytes(Path("short"), {0xD0, 0xCF, 0x11});
    const struct {
        const char* name;
        HRESULT expected;
    } cases[] = {{"a.cfb", S_OK}, {"text.txt", S_FALSE}, {"short", S_FALSE}};
    for (const auto& c : cases) {
        File file(::open(Path(c.name).c_str(), O_RDONLY | O_CLOEXEC));
        EXPECT_EQ(c.expected, storage::format::ProbeSignature(file)) << c.name;
    }
    // An empty tree is a valid file: a header, a FAT sector and a directory sector.
    EXPECT_EQ(3u * 512, fs::file_size(Path("a.cfb")));
    std::unique_ptr<Tree> loaded;
    ASSERT_EQ(S_OK, LoadFile(Path("a.cfb"), &loaded));
    EXPECT_EQ(0u, loaded->Root().ChildCount());
    EXPECT_EQ(3u, loaded->MajorVersion());
}

}  // namespace
}  // namespace formattest
