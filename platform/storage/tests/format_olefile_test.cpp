// Smoke test against an independent reader: python3-olefile lists every
// element of files we write and reads every stream byte for byte, with its
// defect checks set to refuse anything the format calls incorrect. (The
// wider interoperability suite lives in interop_*_test.cpp.)
#include "format_test_support.h"

#include "winapi/text.h"

#include <cstdio>
#include <map>
#include <sstream>

namespace formattest {
namespace {

// Debian's Python modules import under /usr/bin/python3, whatever comes first on PATH.
constexpr char kListing[] = R"(
import sys, olefile
ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)
for path in ole.listdir(streams=True, storages=True):
    name = '/'.join(path)
    if ole.get_type(path) == olefile.STGTY_STREAM:
        print('stream', name, ole.openstream(path).read().hex())
    else:
        print('storage', name)
)";

constexpr char kSizeAndLastByte[] = R"(
import sys, olefile
ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)
data = ole.openstream('payload').read()
print(len(data), data[-1])
)";

// Runs `script` on `file` with Debian's python3 and returns what it printed.
std::string RunPython(const char* script, const fs::path& file) {
    const fs::path scriptPath = file.parent_path() / "script.py";
    std::ofstream(scriptPath) << script;
    const std::string command = "/usr/bin/python3 '" + scriptPath.string() + "' '" + file.string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run python3";
        return {};
    }
    std::string output;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) output.append(buffer, got);
    EXPECT_EQ(0, ::pclose(pipe)) << output;
    return output;
}

std::map<std::string, std::string> ListWithOlefile(const fs::path& file) {
    std::map<std::string, std::string> listing;
    std::istringstream lines(RunPython(kListing, file));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string kind, name, hex;
        fields >> kind >> name >> hex;
        listing[name] = kind + ":" + hex;
    }
    return listing;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

class FormatOlefileTest : public FormatFileTest, public ::testing::WithParamInterface<uint16_t> {};

TEST_P(FormatOlefileTest, OlefileListsAndReadsWhatWeWrite) {
    Tree tree;
    std::map<std::string, std::string> expected;
    Element& root = tree.Root();
    // Enough siblings for a tree several levels deep, so a reader that
    // searches by the format's order would miss misplaced names.
    uint32_t seed = 0;
    for (size_t size : {0, 1, 63, 64, 4095, 4096, 4097, 70000}) {
        const std::string name = "stream" + std::to_string(size);
        const auto bytes = Pattern(size, ++seed);
        AddStream(root, winapi::ToUtf16(name), bytes);
        expected[name] = "stream:" + Hex(bytes);
    }
    Element* items = AddStorage(root, u"Items");
    expected["Items"] = "storage:";
    for (int i = 0; i < 40; ++i) {
        const std::string name = (i % 2 ? "item" : "ITEM-longer-name") + std::to_string(i);
        const auto bytes = Pattern(static_cast<size_t>(i * 37), ++seed);
        AddStream(*items, winapi::ToUtf16(name), bytes);
        expected["Items/" + name] = "stream:" + Hex(bytes);
    }
    Element* nested = AddStorage(*AddStorage(*items, u"a"), u"b");
    expected["Items/a"] = expected["Items/a/b"] = "storage:";
    AddStream(*nested, u"leaf", Pattern(5000, ++seed));
    expected["Items/a/b/leaf"] = "stream:" + Hex(Pattern(5000, seed));

    ASSERT_EQ(S_OK, WriteFile(Path("out.cfb"), tree, GetParam()));
    EXPECT_EQ(expected, ListWithOlefile(Path("out.cfb")));
}

class FormatOlefileDifatTest : public FormatFileTest {};

TEST_F(FormatOlefileDifatTest, OlefileReadsAFatListedInTwoDifatSectors) {
    // Version 3 with 237 FAT sectors: 109 in the header, 127 in the first
    // DIFAT sector and one in the second.
    constexpr uint64_t kSectors = 30096;
    Tree tree;
    Element* stream = AddStream(tree.Root(), u"payload", {});
    ASSERT_EQ(S_OK, stream->MutableContent().SetSize(kSectors * 512 - 1));
    const uint8_t mark = 0x5A;
    ASSERT_EQ(S_OK, stream->MutableContent().Write(kSectors * 512 - 1, &mark, 1));
    ASSERT_EQ(S_OK, WriteFile(Path("difat.cfb"), tree, 3));
    ASSERT_EQ(2u, FileImage::Load(Path("difat.cfb")).Get32(kHeaderDifatCount));
    EXPECT_EQ(std::to_string(kSectors * 512) + " 90\n", RunPython(kSizeAndLastByte, Path("difat.cfb")));
}

INSTANTIATE_TEST_SUITE_P(Versions, FormatOlefileTest, ::testing::Values(uint16_t{3}, uint16_t{4}),
                         [](const auto& info) { return "v" + std::to_string(info.param); });

}  // namespace
}  // namespace formattest
