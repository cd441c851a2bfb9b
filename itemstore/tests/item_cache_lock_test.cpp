#include "itemstore/item_cache_lock.h"

#include "cache_file_probe.h"

#include "common/error_codes.h"
#include "itemstore/element_names.h"

#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"
#include "winapi/handles.h"
#include "winapi/sync.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string kHeaderBytes = [] {
    std::u16string text = u"ZENTRAVIKO Morvantile Item Cache1";
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * 2);
}();

class ItemCacheLockTest : public testsupport::FreshMachineTest {
protected:
    std::u16string PathOf(const std::string& name) {
        std::string path = (machine_.root() / name).string();
        return std::u16string(path.begin(), path.end());
    }
    RefPtr<CItemCacheFile> NewFile(const std::string& name = "cache.Items") {
        return RefPtr<CItemCacheFile>(new CItemCacheFile(PathOf(name)));
    }
    // Writes a root stream `name` + "S" in the lock's scope.
    static HRESULT Write(CItemCacheLock& lock, const std::u16string& name) {
        if (!lock.mpoChain()) return E_FAIL;
        return WriteThroughChain(*lock.mpoChain(), name);
    }
    static std::string FileBytes(const std::u16string& path) {
        std::ifstream in(std::string(path.begin(), path.end()), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(ItemCacheLockTest, TheFirstScopeCreatesTheFileWithOnlyTheHeaderStream) {
    for (int mode : {kCacheLockDirect, kCacheLockTransacted}) {
        SCOPED_TRACE(mode);
        std::string name = "new" + std::to_string(mode) + ".Items";
        RefPtr<CItemCacheFile> file = NewFile(name);
        {
            CItemCacheLock lock(file, mode);
            EXPECT_TRUE(lock.mbHoldsMutex());
            ASSERT_NE(nullptr, lock.mpoChain());
            EXPECT_TRUE(file->mbOpenIn(lock));
        }
        EXPECT_FALSE(file->mbOpenIn(CItemCacheLock()));
        EXPECT_EQ(ElementTree(PathOf(name)), std::vector<std::string>{"headerstreamS"});
        EXPECT_EQ(kHeaderBytes, RootStreamBytes(PathOf(name), u"headerstreamS"));
    }
}

TEST_F(ItemCacheLockTest, AVaultsCacheFileIsCreatedAtItsPlaceByTheFirstScope) {
    const GUID vault = {0x12345678, 0x9abc, 0xdef0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef}};
    RefPtr<CItemCacheFile> file(new CItemCacheFile(vault));
    const std::u16string suffix = u"12345678-9abc-def0-0123-456789abcdef_vrsn_1.Items";
    ASSERT_GT(file->mPath().size(), suffix.size());
    EXPECT_EQ(suffix, file->mPath().substr(file->mPath().size() - suffix.size()));
    {
        CItemCacheLock lock(file, kCacheLockDirect);
        EXPECT_NE(nullptr, lock.mpoChain());
    }
    EXPECT_EQ(ElementTree(file->mPath()), std::vector<std::string>{"headerstreamS"});
}

TEST_F(ItemCacheLockTest, AnExistingCacheIsOpenedNeverReplaced) {
    RefPtr<CItemCacheFile> file = NewFile();
    {
        CItemCacheLock lock(file, kCacheLockDirect);
        ASSERT_EQ(S_OK, Write(lock, u"kept"));
    }
    for (int mode : {kCacheLockDirect, kCacheLockTransacted}) {
        CItemCacheLock lock(file, mode);
        ASSERT_NE(nullptr, lock.mpoChain());
    }
    EXPECT_EQ(ElementTree(file->mPath()), (std::vector<std::string>{"headerstreamS", "keptS"}));
}

TEST_F(ItemCacheLockTest, AFileThatCannotBeOpenedLeavesAScopeWithoutChainAndTheFileUntouched) {
    struct Case {
        const char* what;
        std::string name;
        std::string content;  // written first unless empty
    };
    const Case cases[] = {
        {"not a compound file", "text.Items", "this is not a compound file\n"},
        {"folder missing", "missing/cache.Items", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.content.empty()) std::ofstream(machine_.root() / c.name, std::ios::binary) << c.content;
        RefPtr<CItemCacheFile> file = NewFile(c.name);
        CItemCacheLock lock(file, kCacheLockTransacted);
        EXPECT_EQ(nullptr, lock.mpoChain());
        EXPECT_FALSE(file->mbOpenIn(lock));
        EXPECT_EQ(E_FAIL, file->mhCommit(lock));
        EXPECT_EQ(E_FAIL, file->mhRevert(lock));
        EXPECT_EQ(E_OXN_IO_ERROR, file->mhOpen(lock, kCacheLockDirect));
        EXPECT_EQ(c.content, FileBytes(file->mPath()));
    }
}

TEST_F(ItemCacheLockTest, ALockWithoutFileTakesNothing) {
    {
        CItemCacheLock lock(nullptr, kCacheLockTransacted);
        EXPECT_FALSE(lock.mbHoldsMutex());
        EXPECT_EQ(nullptr, lock.mpoChain());
        EXPECT_EQ(nullptr, lock.mpoFile());
    }
    // No scope ever ran, so the mutex was never made.
    EXPECT_EQ(nullptr, OpenMutexW(SYNCHRONIZE, FALSE, kItemCacheMutexName));

    RefPtr<CItemCacheFile> file = NewFile();
    CItemCacheLock later;
    later.mvLock(file, kCacheLockDirect);
    EXPECT_TRUE(later.mbHoldsMutex());
    EXPECT_TRUE(file->mbOpenIn(later));
}

TEST_F(ItemCacheLockTest, TheFileKeepsOneMutexHandleFromItsFirstScopeToItsEndAndScopesOnlyReleaseIt) {
    RefPtr<CItemCacheFile> file = NewFile();
    HANDLE first = nullptr;
    for (int mode : {kCacheLockDirect, kCacheLockTransacted, kCacheLockDirect}) {
        { CItemCacheLock lock(file, mode); }
        // Between scopes the name lives on (the file's handle) and is free.
        HANDLE probe = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kItemCacheMutexName);
        ASSERT_NE(nullptr, probe) << mode;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(probe, 0)) << mode;
        ReleaseMutex(probe);
        CloseHandle(probe);
        if (!first) first = file->mpoCacheMutex();
        EXPECT_EQ(first, file->mpoCacheMutex()) << mode;
    }
    // The last handle went with the file: the name is free again.
    file = nullptr;
    EXPECT_EQ(nullptr, OpenMutexW(SYNCHRONIZE, FALSE, kItemCacheMutexName));
}

TEST_F(ItemCacheLockTest, CommitAndRevertWorkOncePerTransactedScope) {
    RefPtr<CItemCacheFile> file = NewFile();
    {
        CItemCacheLock direct(file, kCacheLockDirect);
        EXPECT_EQ(E_FAIL, file->mhCommit(direct));
        EXPECT_EQ(E_FAIL, file->mhRevert(direct));
        ASSERT_EQ(S_OK, Write(direct, u"direct"));
    }
    {
        CItemCacheLock lock(file, kCacheLockTransacted);
        ASSERT_EQ(S_OK, Write(lock, u"reverted"));
        EXPECT_EQ(S_OK, file->mhRevert(lock));
        EXPECT_EQ(E_FAIL, file->mhRevert(lock));
        EXPECT_EQ(E_FAIL, file->mhCommit(lock));
    }
    {
        CItemCacheLock lock(file, kCacheLockTransacted);
        ASSERT_EQ(S_OK, Write(lock, u"committed"));
        EXPECT_EQ(S_OK, file->mhCommit(lock));
        EXPECT_EQ(E_FAIL, file->mhCommit(lock));
        EXPECT_EQ(E_FAIL, file->mhRevert(lock));
        // After the commit the scope's transaction is over: this is discarded.
        ASSERT_EQ(S_OK, Write(lock, u"late"));
    }
    EXPECT_EQ(ElementTree(file->mPath()), (std::vector<std::string>{"committedS", "directS", "headerstreamS"}));
}

TEST_F(ItemCacheLockTest, StoragesEmptiedInAScopeAreGoneFromTheFileWhenItEnds) {
    for (int mode : {kCacheLockDirect, kCacheLockTransacted}) {
        SCOPED_TRACE(mode);
        std::string name = "pruned" + std::to_string(mode) + ".Items";
        RefPtr<CItemCacheFile> file = NewFile(name);
        const std::u16string record = std::u16string(30, u'a') + std::u16string(30, u'b') + u"c";
        {
            CItemCacheLock lock(file, mode);
            ASSERT_EQ(S_OK, Write(lock, record));
        }
        EXPECT_EQ(4u, ElementTree(PathOf(name)).size());  // the header, two storages, the record
        {
            CItemCacheLock lock(file, mode);
            ASSERT_EQ(S_OK, lock.mpoChain()->mhDestroyElement(record));
        }
        EXPECT_EQ(ElementTree(PathOf(name)), std::vector<std::string>{"headerstreamS"});
    }
}

// A process that dies inside a transacted scope loses its changes instead
// (see the cross-process tests).
TEST_F(ItemCacheLockTest, ATransactedScopeEndingWithoutCommitOrRevertCommits) {
    RefPtr<CItemCacheFile> file = NewFile();
    { CItemCacheLock create(file, kCacheLockDirect); }
    {
        CItemCacheLock lock(file, kCacheLockTransacted);
        ASSERT_EQ(S_OK, Write(lock, u"pending"));
    }
    EXPECT_EQ(ElementTree(file->mPath()), (std::vector<std::string>{"headerstreamS", "pendingS"}));
}

TEST_F(ItemCacheLockTest, ANestedScopeOnTheSameThreadLeavesTheOuterScopeAndItsPendingChanges) {
    for (int outerMode : {kCacheLockDirect, kCacheLockTransacted}) {
        for (int innerMode : {kCacheLockDirect, kCacheLockTransacted}) {
            SCOPED_TRACE(testing::Message() << "outer " << outerMode << " inner " << innerMode);
            std::string name = "nested" + std::to_string(outerMode) + std::to_string(innerMode) + ".Items";
            RefPtr<CItemCacheFile> file = NewFile(name);
            {
                CItemCacheLock outer(file, outerMode);
                ASSERT_EQ(S_OK, Write(outer, std::u16string(40, u'p') + u"before"));
                {
                    CItemCacheLock inner(file, innerMode);  // the mutex lets this thread in again
                    EXPECT_TRUE(inner.mbHoldsMutex());
                    EXPECT_EQ(nullptr, inner.mpoChain());
                    EXPECT_FALSE(file->mbOpenIn(inner));
                    EXPECT_EQ(E_FAIL, file->mhCommit(inner));
                    EXPECT_EQ(E_FAIL, file->mhRevert(inner));
                    EXPECT_TRUE(file->mbOpenIn(outer));
                }
                ASSERT_TRUE(file->mbOpenIn(outer));
                ASSERT_EQ(S_OK, Write(outer, u"after"));
                if (outerMode == kCacheLockTransacted) {
                    EXPECT_EQ(S_OK, file->mhCommit(outer));
                }
            }
            std::vector<std::string> tree = ElementTree(PathOf(name));
            EXPECT_EQ(4u, tree.size());
            EXPECT_EQ("afterS", tree[0]);
            EXPECT_EQ("headerstreamS", tree[1]);
        }
    }
}

}  // namespace
