#include "winapi/guid_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using std::u16string;

const GUID kCacheMutex = {0x804BF230, 0x0F69, 0x4525, {0xAD, 0xF3, 0xE1, 0x5F, 0x20, 0x77, 0xA4, 0x6E}};

TEST(GuidTextTest, WritesBothForms) {
    EXPECT_EQ(winapi::GuidToString(kCacheMutex), u"{804BF230-0F69-4525-ADF3-E15F2077A46E}");
    EXPECT_EQ(winapi::GuidToString(kCacheMutex, false, false), u"804bf230-0f69-4525-adf3-e15f2077a46e");
    EXPECT_EQ(winapi::GuidToString(GUID{}), u"{00000000-0000-0000-0000-000000000000}");
    EXPECT_EQ(winapi::GuidToString(kCacheMutex).size() + 1, 39u);  // as StringFromGUID2 counts it
}

TEST(GuidTextTest, ParsesEitherFormInAnyCase) {
    for (const WCHAR* text : {u"{804BF230-0F69-4525-ADF3-E15F2077A46E}", u"804bf230-0f69-4525-adf3-e15f2077a46e",
                              u"{804Bf230-0F69-4525-aDF3-E15F2077a46E}"}) {
        GUID parsed{};
        EXPECT_TRUE(winapi::ParseGuid(text, &parsed)) << static_cast<const void*>(text);
        EXPECT_EQ(parsed, kCacheMutex);
    }
}

TEST(GuidTextTest, RefusesAnythingElseAndLeavesTheGuidAlone) {
    const WCHAR* bad[] = {
        u"",
        u"{804BF230-0F69-4525-ADF3-E15F2077A46E",  // one brace
        u"804BF230-0F69-4525-ADF3-E15F2077A46E}",
        u"{804BF230-0F69-4525-ADF3-E15F2077A46}",  // a digit short
        u"804BF230-0F69-4525-ADF3-E15F2077A46E0",  // 37 characters
        u"804BF2300F69-4525-ADF3-E15F2077A46E-",   // hyphen out of place
        u"804BF230-0F69-4525-ADF3-E15F2077A46G",   // not hexadecimal
        u"804BF230 0F69 4525 ADF3 E15F2077A46E",
        u"(804BF230-0F69-4525-ADF3-E15F2077A46E)",
        u" 804BF230-0F69-4525-ADF3-E15F2077A46E",
    };
    for (const WCHAR* text : bad) {
        GUID parsed = kCacheMutex;
        parsed.Data1 = 7;
        EXPECT_FALSE(winapi::ParseGuid(text, &parsed)) << static_cast<const void*>(text);
        EXPECT_EQ(parsed.Data1, 7u);
    }
}

TEST(RpcUuidTest, ToStringAllocatesTheLowerCaseForm) {
    RPC_WSTR text = nullptr;
    ASSERT_EQ(UuidToStringW(&kCacheMutex, &text), RPC_S_OK);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(u16string(text), u"804bf230-0f69-4525-adf3-e15f2077a46e");
    EXPECT_EQ(RpcStringFreeW(&text), RPC_S_OK);
    EXPECT_EQ(text, nullptr);

    ASSERT_EQ(UuidToStringW(nullptr, &text), RPC_S_OK);
    EXPECT_EQ(u16string(text), u"00000000-0000-0000-0000-000000000000");
    RpcStringFreeW(&text);
    EXPECT_EQ(UuidToStringW(&kCacheMutex, nullptr), RPC_S_INVALID_ARG);
}

TEST(RpcUuidTest, FromStringTakesOnlyTheUnbracedForm) {
    UUID parsed{};
    WCHAR plain[] = u"804BF230-0f69-4525-ADF3-E15F2077A46E";
    EXPECT_EQ(UuidFromStringW(plain, &parsed), RPC_S_OK);
    EXPECT_EQ(parsed, kCacheMutex);

    WCHAR braced[] = u"{804BF230-0F69-4525-ADF3-E15F2077A46E}";
    EXPECT_EQ(UuidFromStringW(braced, &parsed), RPC_S_INVALID_STRING_UUID);
    WCHAR junk[] = u"not a uuid";
    EXPECT_EQ(UuidFromStringW(junk, &parsed), RPC_S_INVALID_STRING_UUID);
    EXPECT_EQ(UuidFromStringW(nullptr, &parsed), RPC_S_OK);
    EXPECT_EQ(parsed, GUID{});
}

TEST(RpcUuidTest, CreateMakesDistinctRandomUuids) {
    UUID first{}, second{};
    ASSERT_EQ(UuidCreate(&first), RPC_S_OK);
    ASSERT_EQ(UuidCreate(&second), RPC_S_OK);
    EXPECT_NE(first, second);
    for (const UUID& uuid : {first, second}) {
        EXPECT_EQ(uuid.Data3 >> 12, 4);         // version 4
        EXPECT_EQ(uuid.Data4[0] & 0xC0, 0x80);  // the standard variant
        GUID roundTrip{};
        EXPECT_TRUE(winapi::ParseGuid(winapi::GuidToString(uuid), &roundTrip));
        EXPECT_EQ(roundTrip, uuid);
    }
}

}  // namespace
