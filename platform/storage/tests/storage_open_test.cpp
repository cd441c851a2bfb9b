// Creating and opening compound files: arguments, modes, versions, paths,
// and the exclusive lock - within this process and against another one.
#include "storage_test_support.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"
#include "winapi/path_mapping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>

namespace storage_test {
namespace {

class StorageOpenTest : public testsupport::FreshMachineTest {
protected:
    fs::path file_ = machine_.root() / "cache.Items";
};

std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

uint16_t MajorVersionOnDisk(const fs::path& path) {
    std::string bytes = FileBytes(path);
    if (bytes.size() < 512) return 0;
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[26]) | static_cast<uint8_t>(bytes[27]) << 8);
}

TEST_F(StorageOpenTest, CreatesVersionFourOrThreeAsTheOptionsAsk) {
    struct Case {
        ULONG sectorSize;  // 0: no options
        uint16_t version;
        size_t sectorBytes;
    };
    for (Case c : {Case{4096, 4, 4096}, Case{512, 3, 512}, Case{0, 3, 512}}) {
        SCOPED_TRACE(c.sectorSize);
        {
            ComPtr<IStorage> root;
            ASSERT_EQ(S_OK, CreateFile(file_, kCreateDirect, &root, c.sectorSize));
            ASSERT_EQ(S_OK, PutStream(root, "s", "content"));
        }
        EXPECT_EQ(c.version, MajorVersionOnDisk(file_));
        EXPECT_EQ(0u, fs::file_size(file_) % c.sectorBytes);
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, OpenFile(file_, kOpenDirect, &root));
        EXPECT_EQ("content", GetStream(root, "s"));
        // A file keeps its version when it is written again.
        ASSERT_EQ(S_OK, PutStream(root, "t", "more"));
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
        EXPECT_EQ(c.version, MajorVersionOnDisk(file_));
    }
}

TEST_F(StorageOpenTest, CreateAndOpenReportMissingExistingForeignAndDamagedFiles) {
    ComPtr<IStorage> root;
    EXPECT_EQ(STG_E_FILENOTFOUND, OpenFile(file_, kOpenDirect, &root));
    EXPECT_EQ(nullptr, root.GetInterfacePtr());
    EXPECT_EQ(STG_E_PATHNOTFOUND, OpenFile(machine_.root() / "no" / "x", kOpenDirect, &root));
    EXPECT_EQ(STG_E_PATHNOTFOUND, CreateFile(machine_.root() / "no" / "x", kCreateDirect, &root));
    EXPECT_EQ(STG_E_FILENOTFOUND, StgIsStorageFile(U16(file_).c_str()));

    ASSERT_EQ(S_OK, CreateFile(file_, kCreateDirect, &root));
    root = nullptr;
    EXPECT_EQ(S_OK, StgIsStorageFile(U16(file_).c_str()));
    EXPECT_EQ(STG_E_FILEALREADYEXISTS, CreateFile(file_, kCreateDirect & ~STGM_CREATE, &root));

    fs::path text = machine_.root() / "notes.txt";
    std::ofstream(text) << "not a compound file, but long enough to hold a header..." << std::string(600, 'x');
    EXPECT_EQ(S_FALSE, StgIsStorageFile(U16(text).c_str()));
    EXPECT_EQ(STG_E_FILEALREADYEXISTS, OpenFile(text, kOpenDirect, &root));
    fs::path empty = machine_.root() / "empty";
    std::ofstream{empty};
    EXPECT_EQ(STG_E_FILEALREADYEXISTS, OpenFile(empty, kOpenDirect, &root));

    // The signature, then nonsense.
    std::string damaged = FileBytes(file_);
    std::fill(damaged.begin() + 8, damaged.begin() + 512, '\xEE');
    fs::path broken = machine_.root() / "broken";
    std::ofstream(broken, std::ios::binary) << damaged;
    HRESULT hr = OpenFile(broken, kOpenDirect, &root);
    EXPECT_TRUE(hr == STG_E_DOCFILECORRUPT || hr == STG_E_INVALIDHEADER) << std::hex << hr;
    EXPECT_EQ(nullptr, root.GetInterfacePtr());
}

TEST_F(StorageOpenTest, CreateWithCreateFlagReplacesAnExistingFileWhole) {
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, CreateFile(file_, kCreateDirect, &root));
        ASSERT_EQ(S_OK, PutStream(root, "old", "old"));
    }
    fs::path text = machine_.root() / "notes.txt";
    std::ofstream(text) << "plain text";
    for (const fs::path& path : {file_, text}) {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, CreateFile(path, kCreateTransacted, &root));
        EXPECT_TRUE(ElementNames(root).empty());
        root = nullptr;
        ASSERT_EQ(S_OK, OpenFile(path, kOpenDirect, &root));
        EXPECT_TRUE(ElementNames(root).empty());
    }
    EXPECT_TRUE(TemporaryFilesBeside(file_).empty());
}

TEST_F(StorageOpenTest, AFileCreatedToBeDeletedOnReleaseGoesWithItsLastElement) {
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, CreateFile(file_, kCreateDirect | STGM_DELETEONRELEASE, &root));
    ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, root->CreateStream(u"s", kNewStream, 0, 0, &stream));
    ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    root = nullptr;
    EXPECT_TRUE(fs::exists(file_));
    stream = nullptr;
    EXPECT_FALSE(fs::exists(file_));
}

TEST_F(StorageOpenTest, RefusesInvalidArgumentsAndModes) {
    ComPtr<IStorage> existing;
    ASSERT_EQ(S_OK, CreateFile(file_, kCreateDirect, &existing));
    existing = nullptr;
    std::u16string path = U16(file_);
    STGOPTIONS badSector{1, 0, 1024, nullptr};
    STGOPTIONS template_{2, 0, 512, u"template"};
    struct Case {
        const char* what;
        bool create;
        DWORD mode;
        DWORD format;
        STGOPTIONS* options;
        HRESULT expected;
    };
    const Case cases[] = {
        {"both access bits", false, STGM_SHARE_EXCLUSIVE | 3, STGFMT_ANY, nullptr, STG_E_INVALIDFLAG},
        {"unknown bit", false, kOpenDirect | 0x80, STGFMT_ANY, nullptr, STG_E_INVALIDFLAG},
        {"write without exclusive", false, STGM_SHARE_DENY_WRITE | STGM_READWRITE, STGFMT_ANY, nullptr,
         STG_E_INVALIDFLAG},
        {"deny none", false, STGM_SHARE_DENY_NONE | STGM_READWRITE | STGM_TRANSACTED, STGFMT_ANY, nullptr,
         STG_E_INVALIDFLAG},
        {"no sharing given", false, STGM_READWRITE, STGFMT_ANY, nullptr, STG_E_INVALIDFLAG},
        {"create flag on open", false, kOpenDirect | STGM_CREATE, STGFMT_ANY, nullptr, STG_E_INVALIDFLAG},
        {"delete on release on open", false, kOpenDirect | STGM_DELETEONRELEASE, STGFMT_ANY, nullptr,
         STG_E_INVALIDFUNCTION},
        {"simple mode", false, kOpenDirect | STGM_SIMPLE, STGFMT_ANY, nullptr, STG_E_INVALIDFLAG},
        {"file format on open", false, kOpenDirect, STGFMT_FILE, nullptr, STG_E_INVALIDPARAMETER},
        {"read-only create", true, STGM_CREATE | STGM_SHARE_EXCLUSIVE, STGFMT_DOCFILE, nullptr, STG_E_INVALIDFLAG},
        {"convert", true, kCreateDirect | STGM_CONVERT, STGFMT_DOCFILE, nullptr, STG_E_INVALIDFLAG},
        {"any format on create", true, kCreateDirect, STGFMT_ANY, nullptr, STG_E_INVALIDPARAMETER},
        {"sector size 1024", true, kCreateDirect, STGFMT_DOCFILE, &badSector, STG_E_INVALIDPARAMETER},
        {"template file", true, kCreateDirect, STGFMT_DOCFILE, &template_, STG_E_INVALIDPARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IStorage* root = reinterpret_cast<IStorage*>(1);
        HRESULT hr = c.create ? StgCreateStorageEx(path.c_str(), c.mode, c.format, 0, c.options, nullptr, IID_IStorage,
                                                   reinterpret_cast<void**>(&root))
                              : StgOpenStorageEx(path.c_str(), c.mode, c.format, 0, c.options, nullptr, IID_IStorage,
                                                 reinterpret_cast<void**>(&root));
        EXPECT_EQ(c.expected, hr);
        EXPECT_EQ(nullptr, root);
    }
    EXPECT_EQ(STG_E_INVALIDPOINTER,
              StgOpenStorageEx(path.c_str(), kOpenDirect, STGFMT_ANY, 0, nullptr, nullptr, IID_IStorage, nullptr));
    void* object = nullptr;
    EXPECT_EQ(E_NOINTERFACE,
              StgOpenStorageEx(path.c_str(), kOpenDirect, STGFMT_ANY, 0, nullptr, nullptr, IID_IStream, &object));
    EXPECT_EQ(STG_E_INVALIDNAME,
              StgOpenStorageEx(nullptr, kOpenDirect, STGFMT_ANY, 0, nullptr, nullptr, IID_IStorage, &object));
    // The file is still free after all of that.
    EXPECT_EQ(S_OK, OpenFile(file_, kOpenDirect, &existing));
}

TEST_F(StorageOpenTest, SystemFormPathsAndTheOlderFunctionsReachTheSameFile) {
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, StgCreateDocfile(u"C:\\a.cfb", kCreateDirect, 0, &root));
    ASSERT_EQ(S_OK, PutStream(root, "s", "via drive"));
    STATSTG stat{};
    ASSERT_EQ(S_OK, root->Stat(&stat, STATFLAG_DEFAULT));
    EXPECT_EQ(u"C:\\a.cfb", std::u16string(stat.pwcsName));
    EXPECT_EQ(DWORD{STGTY_STORAGE}, stat.type);
    EXPECT_EQ(kCreateDirect, stat.grfMode);
    CoTaskMemFree(stat.pwcsName);
    root = nullptr;

    fs::path posix = winapi::ToPosixPath(u"C:\\a.cfb");
    ASSERT_TRUE(fs::exists(posix));
    ASSERT_EQ(S_OK, StgOpenStorage(U16(posix).c_str(), nullptr, STGM_SHARE_EXCLUSIVE | STGM_READ, nullptr, 0, &root));
    EXPECT_EQ("via drive", GetStream(root, "s"));
}

TEST_F(StorageOpenTest, ACommitThroughASymbolicLinkReplacesTheFileItLeadsTo) {
    fs::path link = machine_.root() / "link.Items";
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, CreateFile(file_, kCreateDirect, &root));
    }
    fs::create_symlink(file_, link);
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, OpenFile(link, kOpenTransacted, &root));
        ASSERT_EQ(S_OK, PutStream(root, "s", "through the link"));
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    }
    EXPECT_TRUE(fs::is_symlink(link));
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenDirect, &root));
    EXPECT_EQ("through the link", GetStream(root, "s"));
    root = nullptr;
    // So does a creation that replaces the file.
    ASSERT_EQ(S_OK, CreateFile(link, kCreateDirect, &root));
    root = nullptr;
    EXPECT_TRUE(fs::is_symlink(link));
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenDirect, &root));
    EXPECT_TRUE(ElementNames(root).empty());
}

TEST_F(StorageOpenTest, AnExclusiveHolderShutsOutEveryOtherOpenInThisProcess) {
    ComPtr<IStorage> holder;
    ASSERT_EQ(S_OK, CreateFile(file_, kCreateTransacted, &holder));
    ASSERT_EQ(S_OK, holder->Commit(STGC_DEFAULT));  // a commit moves the lock to the new file

    ComPtr<IStorage> second;
    EXPECT_EQ(STG_E_SHAREVIOLATION, OpenFile(file_, kOpenTransacted, &second));
    EXPECT_EQ(STG_E_SHAREVIOLATION, OpenFile(file_, STGM_SHARE_DENY_WRITE | STGM_READ, &second));
    EXPECT_EQ(STG_E_SHAREVIOLATION, CreateFile(file_, kCreateDirect, &second));
    EXPECT_EQ(nullptr, second.GetInterfacePtr());

    holder = nullptr;
    EXPECT_EQ(S_OK, OpenFile(file_, kOpenDirect, &second));
}

TEST_F(StorageOpenTest, ReadersThatDenyWritersShareTheFile) {
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, CreateFile(file_, kCreateDirect, &root));
        ASSERT_EQ(S_OK, PutStream(root, "s", "shared"));
    }
    constexpr DWORD kReader = STGM_SHARE_DENY_WRITE | STGM_READ;
    ComPtr<IStorage> first, second, writer;
    ASSERT_EQ(S_OK, OpenFile(file_, kReader, &first));
    ASSERT_EQ(S_OK, OpenFile(file_, kReader | STGM_TRANSACTED, &second));
    EXPECT_EQ("shared", GetStream(second, "s"));
    EXPECT_EQ(STG_E_SHAREVIOLATION, OpenFile(file_, kOpenDirect, &writer));
    EXPECT_EQ(STG_E_ACCESSDENIED, PutStream(first, "t", "x"));
    first = nullptr;
    second = nullptr;
    EXPECT_EQ(S_OK, OpenFile(file_, kOpenDirect, &writer));
}

TEST_F(StorageOpenTest, AnotherProcessHoldingTheFileShutsUsOutUntilItLetsGoOrDies) {
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, CreateFile(file_, kCreateDirect, &root));
    }
    for (bool killed : {false, true}) {
        SCOPED_TRACE(killed ? "holder killed" : "holder releases");
        fs::remove(file_.string() + ".release");
        testsupport::ChildProcess holder(testsupport::SiblingProgram("storage_child"), {"hold", file_.string()});
        ASSERT_TRUE(holder.WaitForLine("holding"));

        ComPtr<IStorage> root;
        EXPECT_EQ(STG_E_SHAREVIOLATION, OpenFile(file_, kOpenDirect, &root));
        EXPECT_EQ(STG_E_SHAREVIOLATION, OpenFile(file_, kOpenTransacted, &root));
        EXPECT_EQ(STG_E_SHAREVIOLATION, CreateFile(file_, kCreateTransacted, &root));

        if (killed) {
            holder.Kill();
            EXPECT_EQ(128 + SIGKILL, holder.Wait());
        } else {
            std::ofstream(file_.string() + ".release");
            ASSERT_TRUE(holder.WaitForLine("released"));
            EXPECT_EQ(0, holder.Wait());
        }
        EXPECT_EQ(S_OK, OpenFile(file_, kOpenDirect, &root));
    }
}

}  // namespace
}  // namespace storage_test
