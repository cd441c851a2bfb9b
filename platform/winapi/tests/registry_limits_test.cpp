// The limits that keep every hive readable: value names and sizes are
// refused before anything is written, and so is a change that would make a
// hive larger than its reader takes.
#include "registry_test_support.h"

#include "registry_hive.h"
#include "registry_store.h"

#include "winapi/registry_write_batch.h"

#include <gtest/gtest.h>

namespace {

using namespace registrytest;
using winapi::registry::kMaxValueNameLength;
using winapi::registry::kMaxValueSize;

class RegistryLimitsTest : public RegistryTest {
protected:
    void TearDown() override {
        winapi::registry::SetHiveTextLimitForTesting(winapi::registry::kMaxHiveTextSize);
        RegistryTest::TearDown();
    }
};

// A REG_SZ of `bytes` bytes (an even number): 'a's and the terminator.
Bytes TextOfSize(size_t bytes) { return TextBytes(std::u16string(bytes / 2 - 1, u'a')); }

TEST_F(RegistryLimitsTest, ValueNamesAndSizesAreRefusedBeforeAnythingIsWritten) {
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Limits");
    Set(key, u"Kept", REG_DWORD, DwordBytes(7));
    const std::string before = FileText(winapi::UserHivePath());
    struct Case {
        const char* label;
        std::u16string name;
        Bytes data;
        LSTATUS expected;
    };
    const Case cases[] = {
        {"longest name", std::u16string(kMaxValueNameLength, u'v'), DwordBytes(1), ERROR_SUCCESS},
        {"name one too long", std::u16string(kMaxValueNameLength + 1, u'v'), DwordBytes(1), ERROR_INVALID_PARAMETER},
        {"largest value", u"Large", TextOfSize(kMaxValueSize), ERROR_SUCCESS},
        {"value one byte too large", u"Larger", Bytes(kMaxValueSize + 1, 0x5A), ERROR_NO_SYSTEM_RESOURCES},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RegSetValueExW(key, c.name.c_str(), 0, REG_SZ, c.data.data(), static_cast<DWORD>(c.data.size())),
                  c.expected)
            << c.label;
        auto [type, data] = Get(key, c.name.c_str());
        if (c.expected == ERROR_SUCCESS)
            EXPECT_TRUE(type == REG_SZ && data == c.data) << c.label << ": read back whole";
        else
            EXPECT_EQ(type, REG_NONE) << c.label << ": nothing stored";
    }
    // The refused ones did not touch the file: the hive holds exactly the
    // accepted values, and reads afresh in another process.
    EXPECT_NE(FileText(winapi::UserHivePath()), before);
    EXPECT_EQ(RunChild({"expect", "HKCU", "Software\\Limits", "Kept", "4", "07000000"}), 0);
}

TEST_F(RegistryLimitsTest, AChangeThatWouldOutgrowTheHiveIsRefusedAndTheHiveStaysUsable) {
    constexpr size_t kLimit = 64 * 1024;
    winapi::registry::SetHiveTextLimitForTesting(kLimit);
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Growing");
    const Bytes chunk = TextOfSize(4 * 1024);  // about 2 KiB of text each
    LSTATUS status = ERROR_SUCCESS;
    int stored = 0;
    for (; stored < 100; ++stored) {
        std::u16string name = u"V" + winapi::ToUtf16(std::to_string(stored));
        status = RegSetValueExW(key, name.c_str(), 0, REG_SZ, chunk.data(), static_cast<DWORD>(chunk.size()));
        if (status != ERROR_SUCCESS) break;
    }
    ASSERT_EQ(status, ERROR_NO_SYSTEM_RESOURCES) << "the limit is reached";
    ASSERT_GT(stored, 10);
    const std::string full = FileText(winapi::UserHivePath());
    EXPECT_LE(full.size(), kLimit);
    std::u16string refused = u"V" + winapi::ToUtf16(std::to_string(stored));
    EXPECT_EQ(Get(key, refused.c_str()).first, REG_NONE);

    // A batch that outgrows the hive writes nothing, and says so at its end.
    {
        winapi::RegistryWriteBatch batch;
        Set(key, u"Small", REG_DWORD, DwordBytes(1));
        Set(key, refused.c_str(), REG_SZ, chunk);
        EXPECT_EQ(batch.Finish(), ERROR_NO_SYSTEM_RESOURCES);
    }
    EXPECT_EQ(FileText(winapi::UserHivePath()), full);
    EXPECT_EQ(Get(key, u"Small").first, REG_NONE);

    // The hive is still read, and room made is used again.
    ASSERT_EQ(RegDeleteValueW(key, u"V0"), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, refused.c_str(), 0, REG_SZ, chunk.data(), static_cast<DWORD>(chunk.size())),
              ERROR_SUCCESS);
    EXPECT_EQ(Get(key, refused.c_str()).second, chunk);
}

}  // namespace
