#include "explorer/data/global_lock_auto.h"
#include "explorer/data/oxn_res.h"
#include "explorer/data/wstr.h"

#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"
#include "winapi/modules.h"
#include "winapi/path_mapping.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

class ResourceHoldersTest : public testsupport::FreshMachineTest {
protected:
    // A module loaded from a file of this test only, so no one else holds it.
    HMODULE LoadDataModule(const char* name) {
        std::filesystem::path file = machine_.root() / name;
        std::ofstream(file) << "resources";
        std::u16string path = winapi::FromPosixPath(file.string());
        return LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static bool IsLoaded(HMODULE module) {
        WCHAR name[MAX_PATH] = {};
        return GetModuleFileNameW(module, name, MAX_PATH) != 0;
    }
};

TEST_F(ResourceHoldersTest, OxnResFreesEachModuleItHolds) {
    HMODULE first = LoadDataModule("first.res");
    HMODULE second = LoadDataModule("second.res");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    {
        OxnRes one;
        one.mhModule2 = second;  // only the second slot used
    }
    EXPECT_TRUE(IsLoaded(first));
    EXPECT_FALSE(IsLoaded(second));
    HMODULE third = LoadDataModule("third.res");
    {
        OxnRes both;
        both.mhModule = first;
        both.mhModule2 = third;
    }
    EXPECT_FALSE(IsLoaded(third));
    EXPECT_FALSE(IsLoaded(first));
}

TEST_F(ResourceHoldersTest, GlobalLockAutoHoldsOneLockAtATime) {
    HGLOBAL first = GlobalAlloc(GMEM_MOVEABLE, 16);
    HGLOBAL second = GlobalAlloc(GMEM_MOVEABLE, 4);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    {
        GlobalLockAuto lock;
        ASSERT_TRUE(lock.mbLock(first));
        EXPECT_EQ(lock.Handle(), first);
        EXPECT_NE(lock.Data(), nullptr);
        EXPECT_EQ(lock.Size(), 16u);
        std::memset(lock.Data(), 0xAB, lock.Size());

        // Taking a new block gives back the lock on the previous one.
        ASSERT_TRUE(lock.mbLock(second));
        EXPECT_EQ(lock.Size(), 4u);
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(GlobalUnlock(first));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));

        // A block that cannot be locked is not held, and the one before is
        // unlocked all the same.
        HGLOBAL freed = GlobalAlloc(GMEM_MOVEABLE, 8);
        GlobalFree(freed);
        EXPECT_FALSE(lock.mbLock(freed));
        EXPECT_EQ(lock.Handle(), nullptr);
        EXPECT_EQ(lock.Data(), nullptr);
        EXPECT_EQ(lock.Size(), 0u);
        EXPECT_FALSE(lock.mbLock(nullptr));

        ASSERT_TRUE(lock.mbLock(second));
    }
    // The destructor gave back its lock: the block is not locked any more.
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(GlobalUnlock(second));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
    EXPECT_EQ(GlobalFree(first), nullptr);
    EXPECT_EQ(GlobalFree(second), nullptr);
}

TEST(WStrTest, CopiesShareOneBody) {
    std::u16string text = u"Bracket.<item>";
    auto* original = new WStr(text.c_str());
    EXPECT_NE(original->Wide(), text.c_str());  // a copy of its own
    WStr copy(*original);
    EXPECT_EQ(copy.Wide(), original->Wide());
    EXPECT_STREQ(copy.Narrow(), "Bracket.<item>");
    EXPECT_EQ(copy.Narrow(), original->Narrow());
    delete original;  // the copy keeps the body alive
    EXPECT_EQ(std::u16string(copy.Wide()), text);

    WStr other(u"Plate");
    other = copy;
    EXPECT_EQ(other.Wide(), copy.Wide());
    other = other;
    EXPECT_EQ(std::u16string(other.Wide()), text);

    WStr none(nullptr);
    EXPECT_EQ(none.Wide(), nullptr);
    EXPECT_EQ(none.Narrow(), nullptr);
}

// The locale is a process's: a fresh process shows the first WStr setting
// it, and a later one leaving the program's own choice alone.
TEST(WStrTest, FirstWStrOfAProcessSetsTheUsersLocaleOnce) {
    testsupport::ChildProcess child(testsupport::SiblingProgram("explorer_data_wstr_locale_child"), {});
    EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
