// Files other writers made, read by us byte for byte: files the gsf program
// builds from a folder tree, and files of ours whose streams olefile has
// overwritten in place.
#include "interop_support.h"

#include "testsupport/fresh_machine.h"

#include <string>

namespace {

using interop::Element;
using interop::Tree;

class ImportFromOtherWritersTest : public testsupport::FreshMachineTest {
protected:
    interop::fs::path Path(const std::string& name) const { return machine_.root() / name; }

    // Lays `tree` out as folders and files below `folder`.
    static void MakeFolderTree(const interop::fs::path& folder, const Tree& tree) {
        for (const auto& [path, element] : tree) {
            interop::fs::path target = folder / interop::fs::u8path(path);
            if (element.storage) {
                interop::fs::create_directories(target);
            } else {
                interop::WriteFileBytes(target, element.bytes);
            }
        }
    }

    // Opens `file` read-only through our interfaces and reads it whole.
    static Tree ReadOurselves(const interop::fs::path& file) {
        auto root = interop::OpenCompoundFile(file, STGM_READ | STGM_SHARE_EXCLUSIVE);
        if (root == nullptr) return {};
        return interop::ReadTree(root);
    }
};

// gsf writes version 3 only. The tree has every size class, nested and
// empty folders, non-ASCII and 31-unit names, a folder of many files (a
// directory tree balanced by another writer's rules) and a stream so large
// that its allocation table outgrows the header's 109 entries.
TEST_F(ImportFromOtherWritersTest, WeReadFilesTheGsfProgramMade) {
    if (!interop::GsfAvailable()) GTEST_SKIP() << "the gsf program (libgsf-bin) is not installed";
    Tree tree;
    uint32_t seed = 100;
    for (size_t size : {0, 1, 63, 64, 4095, 4096, 4097, 100000}) {
        tree["Size" + std::to_string(size)] = {false, interop::PatternBytes(size, seed++)};
    }
    tree["MiXeD cAsE"] = {true, {}};
    tree["MiXeD cAsE/Größe Ωμέγα 日本語"] = {false, interop::PatternBytes(3000, seed++)};
    tree["MiXeD cAsE/ThirtyOneCodeUnitsLongNameAbcde"] = {false, interop::PatternBytes(31, seed++)};
    tree["MiXeD cAsE/Empty folder"] = {true, {}};
    tree["MiXeD cAsE/Deeper"] = {true, {}};
    tree["MiXeD cAsE/Deeper/Deepest"] = {true, {}};
    tree["MiXeD cAsE/Deeper/Deepest/leaf"] = {false, interop::PatternBytes(5000, seed++)};
    tree["Many"] = {true, {}};
    for (int i = 0; i < 120; ++i) {
        std::string name = (i % 2 == 0 ? "file " : "FILE_") + std::to_string(i * 7919 % 1000);
        tree["Many/" + name] = {false, interop::PatternBytes(static_cast<size_t>(i * 53 % 900), seed++)};
    }
    tree["Large"] = {false, interop::PatternBytes(7300000, seed++)};

    MakeFolderTree(Path("tree"), tree);
    auto file = Path("made-by-gsf.cfb");
    ASSERT_EQ(0, interop::RunOracle("gsf_create.py", {Path("tree").string(), file.string()}));
    ASSERT_GT(interop::fs::file_size(file), 110u * 128 * 512);

    interop::ExpectSameTree(tree, ReadOurselves(file));
}

// olefile rewrites streams in place, in regular sectors and in the mini
// stream; we must read what it wrote, in both versions.
TEST_F(ImportFromOtherWritersTest, WeReadStreamsOlefileOverwroteInOurFiles) {
    if (!interop::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed (tools/install-deps.sh)";
    for (ULONG sectorSize : {512u, 4096u}) {
        SCOPED_TRACE("sector size " + std::to_string(sectorSize));
        Tree tree;
        tree["Regular"] = {false, interop::PatternBytes(10000, 1)};
        tree["Storage"] = {true, {}};
        tree["Storage/Mini"] = {false, interop::PatternBytes(1500, 2)};
        tree["Storage/Untouched"] = {false, interop::PatternBytes(700, 3)};
        auto file = Path("overwritten-" + std::to_string(sectorSize) + ".cfb");
        {
            auto root = interop::CreateCompoundFile(file, sectorSize, false);
            ASSERT_TRUE(root != nullptr);
            interop::WriteTree(root, tree);
            ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
        }
        for (const char* path : {"Regular", "Storage/Mini"}) {
            Element& element = tree[path];
            element.bytes = interop::PatternBytes(element.bytes.size(), 50 + sectorSize);
            auto data = Path("new-bytes");
            interop::WriteFileBytes(data, element.bytes);
            ASSERT_EQ(0, interop::RunOracle("olefile_overwrite.py", {file.string(), path, data.string()})) << path;
        }
        interop::ExpectSameTree(tree, ReadOurselves(file));
    }
}

}  // namespace
