#include "com/guid_strings.h"

#include "com/runtime.h"
#include "com/task_memory.h"

#include "winapi/registry.h"
#include "winapi/text.h"

#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr GUID kGuid = com::MakeGuid("0e2d96ac-21b5-4678-96c2-5d9b25191c0a");
constexpr const char16_t* kText = u"{0E2D96AC-21B5-4678-96C2-5D9B25191C0A}";

TEST(GuidStringsTest, StringFromGuid2WritesUpperCaseBracedTextWhenItFits) {
    struct Case {
        int bufferSize;
        int expected;
    };
    for (Case c : {Case{39, 39}, Case{80, 39}, Case{38, 0}, Case{1, 0}, Case{0, 0}, Case{-1, 0}}) {
        std::u16string buffer(80, u'#');
        EXPECT_EQ(StringFromGUID2(kGuid, buffer.data(), c.bufferSize), c.expected) << c.bufferSize;
        if (c.expected)
            EXPECT_EQ(std::u16string(buffer.c_str()), kText);
        else
            EXPECT_EQ(buffer, std::u16string(80, u'#')) << "nothing written";
    }
    EXPECT_EQ(StringFromGUID2(kGuid, nullptr, 39), 0);
    WCHAR nil[39];
    ASSERT_EQ(StringFromGUID2(GUID_NULL, nil, 39), 39);
    EXPECT_EQ(std::u16string(nil), u"{00000000-0000-0000-0000-000000000000}");
}

TEST(GuidStringsTest, StringFromClsidAndIidGiveTaskMemory) {
    long long before = com::testing::LiveTaskAllocations();
    for (auto convert : {&StringFromCLSID, &StringFromIID}) {
        LPOLESTR text = nullptr;
        ASSERT_EQ(convert(kGuid, &text), S_OK);
        EXPECT_EQ(std::u16string(text), kText);
        EXPECT_EQ(com::testing::LiveTaskAllocations(), before + 1);
        CoTaskMemFree(text);
        EXPECT_EQ(convert(kGuid, nullptr), E_INVALIDARG);
    }
    EXPECT_EQ(com::testing::LiveTaskAllocations(), before);
}

class GuidStringsParseTest : public testsupport::FreshMachineTest {};

TEST_F(GuidStringsParseTest, ParsesTheRegistryFormAndClsidFromStringAlsoProgIds) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CLASSES_ROOT, u"Some.Class\\CLSID", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    std::u16string clsidText = kText;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsidText.c_str()),
                   static_cast<DWORD>((clsidText.size() + 1) * 2));
    RegCloseKey(key);

    struct Case {
        const char* text;
        bool isGuid;  // the registry form
        bool isProgId;
    };
    const Case cases[] = {
        {"{0E2D96AC-21B5-4678-96C2-5D9B25191C0A}", true, false},
        {"{0e2d96ac-21b5-4678-96c2-5d9b25191c0a}", true, false},
        {"Some.Class", false, true},
        {"0E2D96AC-21B5-4678-96C2-5D9B25191C0A", false, false},  // braces required
        {"{0E2D96AC-21B5-4678-96C2-5D9B25191C0A", false, false},
        {"{0E2D96AC-21B5-4678-96C2-5D9B25191C0A}x", false, false},
        {"{0E2D96AC+21B5-4678-96C2-5D9B25191C0A}", false, false},
        {"{0E2D96AC-21B5-4678-96C2-5D9B25191C0G}", false, false},
        {"Other.Class", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::u16string text = winapi::ToUtf16(c.text);
        CLSID clsid = kGuid;
        EXPECT_EQ(CLSIDFromString(text.c_str(), &clsid), c.isGuid || c.isProgId ? S_OK : CO_E_CLASSSTRING);
        EXPECT_EQ(clsid, c.isGuid || c.isProgId ? kGuid : GUID_NULL);
        IID iid = kGuid;
        EXPECT_EQ(IIDFromString(text.c_str(), &iid), c.isGuid ? S_OK : E_INVALIDARG);
        EXPECT_EQ(iid, c.isGuid ? kGuid : GUID_NULL);
    }
    CLSID clsid = kGuid;
    EXPECT_EQ(CLSIDFromString(nullptr, &clsid), S_OK);
    EXPECT_EQ(clsid, GUID_NULL);
    IID iid = kGuid;
    EXPECT_EQ(IIDFromString(nullptr, &iid), S_OK);
    EXPECT_EQ(iid, GUID_NULL);
    EXPECT_EQ(CLSIDFromString(kText, nullptr), E_INVALIDARG);
    EXPECT_EQ(IIDFromString(kText, nullptr), E_INVALIDARG);
}

}  // namespace
