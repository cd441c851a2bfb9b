// Batches of registry writes: one rewrite of each changed hive at the end,
// the thread's own changes visible to it meanwhile and to no one else.
#include "registry_test_support.h"

#include "winapi/registry_write_batch.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace registrytest;
using RegistryBatchTest = RegistryTest;

TEST_F(RegistryBatchTest, ChangesAreTheThreadsOwnUntilTheOutermostBatchEnds) {
    HKEY seed = Create(HKEY_CURRENT_USER, u"Software\\Probe");
    Set(seed, u"N", REG_DWORD, DwordBytes(1));
    const uint64_t userBefore = winapi::RegistryHiveWrites(HKEY_CURRENT_USER);
    const uint64_t machineBefore = winapi::RegistryHiveWrites(HKEY_LOCAL_MACHINE);
    {
        winapi::RegistryWriteBatch outer;
        HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Probe\\Inner");
        Set(key, u"A", REG_SZ, TextBytes(u"one"));
        Set(seed, u"N", REG_DWORD, DwordBytes(2));
        {
            winapi::RegistryWriteBatch inner;
            Set(key, u"B", REG_DWORD, DwordBytes(7));
            EXPECT_EQ(inner.Finish(), ERROR_SUCCESS);
        }
        // The thread reads its own changes, through old and new handles.
        EXPECT_EQ(Get(seed, u"N").second, DwordBytes(2));
        EXPECT_EQ(Get(key, u"B").second, DwordBytes(7));
        DWORD values = 0;
        ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                                   nullptr, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(values, 2u);
        EXPECT_EQ(RegDeleteValueW(key, u"A"), ERROR_SUCCESS);
        EXPECT_EQ(RegQueryValueExW(key, u"A", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
        // Nothing is written yet. (Another process that reads the hive
        // afresh waits for the batch's lock, so none is asked here.)
        EXPECT_EQ(winapi::RegistryHiveWrites(HKEY_CURRENT_USER), userBefore);
        EXPECT_EQ(FileText(winapi::UserHivePath()).find("Inner"), std::string::npos);
        EXPECT_EQ(outer.Finish(), ERROR_SUCCESS);
    }
    EXPECT_EQ(winapi::RegistryHiveWrites(HKEY_CURRENT_USER), userBefore + 1) << "one rewrite for all of it";
    EXPECT_EQ(winapi::RegistryHiveWrites(HKEY_LOCAL_MACHINE), machineBefore) << "an unchanged hive is not written";
    EXPECT_EQ(RunChild({"expect", "HKCU", "Software\\Probe", "N", "4", "02000000"}), 0);
    EXPECT_EQ(RunChild({"expect", "HKCU", "Software\\Probe\\Inner", "B", "4", "07000000"}), 0);
    EXPECT_EQ(Get(seed, u"N").second, DwordBytes(2));
}

TEST_F(RegistryBatchTest, AnotherThreadReadsTheHiveAsItWasMeanwhile) {
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Probe");
    Set(key, u"N", REG_DWORD, DwordBytes(1));
    winapi::RegistryWriteBatch batch;
    Set(key, u"N", REG_DWORD, DwordBytes(2));
    std::pair<DWORD, Bytes> seen;
    std::thread([&] { seen = Get(key, u"N"); }).join();  // its copy is current: no lock needed
    EXPECT_EQ(seen.second, DwordBytes(1));
    EXPECT_EQ(batch.Finish(), ERROR_SUCCESS);
    std::thread([&] { seen = Get(key, u"N"); }).join();
    EXPECT_EQ(seen.second, DwordBytes(2));
}

}  // namespace
