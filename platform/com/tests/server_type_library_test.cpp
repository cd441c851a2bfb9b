// Type-library registration: the TypeLib and Interface keys a server writes
// and removes again.
#include "server_test_support.h"

#include "com/server/type_library.h"
#include "com/unknown.h"
#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

namespace {

using server_test::KeyExists;
using server_test::ReadText;
using server_test::WriteText;

constexpr GUID kLibrary = com::MakeGuid("0A7E55C1-2B9B-4E0B-8C2F-5D3C1B6A7001");
constexpr IID kDual = com::MakeGuid("0A7E55C1-2B9B-4E0B-8C2F-5D3C1B6A7002");
constexpr IID kPlain = com::MakeGuid("0A7E55C1-2B9B-4E0B-8C2F-5D3C1B6A7003");
const std::u16string kLibraryText = u"{0A7E55C1-2B9B-4E0B-8C2F-5D3C1B6A7001}";
const std::u16string kLibraryKey = u"TypeLib\\" + kLibraryText;
const std::u16string kDualKey = u"Interface\\{0A7E55C1-2B9B-4E0B-8C2F-5D3C1B6A7002}";
const std::u16string kPlainKey = u"Interface\\{0A7E55C1-2B9B-4E0B-8C2F-5D3C1B6A7003}";

const com::TypeLibraryInterface kInterfaces[] = {{&kDual, u"IDual", true}, {&kPlain, u"IPlain", false}};

com::TypeLibrary Library(WORD major, WORD minor) {
    return {&kLibrary, major, minor, u"Sample 1.0 Type Library", kInterfaces};
}

using TypeLibraryTest = testsupport::FreshMachineTest;

TEST_F(TypeLibraryTest, RegistersTheLibraryAndItsInterfaces) {
    ASSERT_EQ(com::RegisterTypeLib(Library(1, 0), u"C:\\Servers\\Sample.dll", u""), S_OK);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kLibraryKey + u"\\1.0"), u"Sample 1.0 Type Library");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kLibraryKey + u"\\1.0\\FLAGS"), u"0");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kLibraryKey + u"\\1.0\\HELPDIR"), u"C:\\Servers");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kLibraryKey + u"\\1.0\\0\\win64"), u"C:\\Servers\\Sample.dll");

    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kDualKey), u"IDual");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kDualKey + u"\\ProxyStubClsid32"), u"{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kDualKey + u"\\TypeLib"), kLibraryText);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kDualKey + u"\\TypeLib", u"Version"), u"1.0");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kPlainKey), u"IPlain");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kPlainKey + u"\\ProxyStubClsid32"));  // not an Automation interface
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kPlainKey + u"\\TypeLib"), kLibraryText);
}

TEST_F(TypeLibraryTest, WritesVersionsInHexadecimalAndTakesAGivenHelpFolder) {
    ASSERT_EQ(com::RegisterTypeLib(Library(5, 23), u"/opt/servers/libSample.so", u"/opt/help"), S_OK);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kLibraryKey + u"\\5.17\\HELPDIR"), u"/opt/help");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kDualKey + u"\\TypeLib", u"Version"), u"5.17");
}

TEST_F(TypeLibraryTest, RegisteringAgainReplacesTheEarlierRegistration) {
    ASSERT_EQ(com::RegisterTypeLib(Library(1, 0), u"C:\\Old\\Sample.dll", u""), S_OK);
    WriteText(HKEY_CLASSES_ROOT, kLibraryKey + u"\\1.0\\0\\win32", u"", u"C:\\Old\\Sample32.dll");
    WriteText(HKEY_CLASSES_ROOT, kDualKey + u"\\Stale", u"", u"x");
    ASSERT_EQ(com::RegisterTypeLib(Library(1, 0), u"C:\\New\\Sample.dll", u""), S_OK);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kLibraryKey + u"\\1.0\\0\\win64"), u"C:\\New\\Sample.dll");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kLibraryKey + u"\\1.0\\0\\win32"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kDualKey + u"\\Stale"));
}

TEST_F(TypeLibraryTest, UnregisterRemovesItsKeysOnly) {
    ASSERT_EQ(com::RegisterTypeLib(Library(1, 0), u"C:\\Servers\\Sample.dll", u""), S_OK);
    ASSERT_EQ(com::RegisterTypeLib(Library(2, 0), u"C:\\Servers\\Sample2.dll", u""), S_OK);
    // Registering version 2 made its interfaces name 2.0; give one back to
    // 1.0 and let the other belong to another library since.
    WriteText(HKEY_CLASSES_ROOT, kDualKey + u"\\TypeLib", u"Version", u"1.0");
    WriteText(HKEY_CLASSES_ROOT, kPlainKey + u"\\TypeLib", u"", u"{99999999-0000-0000-0000-000000000000}");

    ASSERT_EQ(com::UnRegisterTypeLib(Library(1, 0)), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kLibraryKey + u"\\1.0"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kLibraryKey + u"\\2.0"));  // another version stays, with its key
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kDualKey));
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kPlainKey), u"IPlain");  // another library's now

    ASSERT_EQ(com::UnRegisterTypeLib(Library(2, 0)), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kLibraryKey));  // its last version gone
    EXPECT_EQ(com::UnRegisterTypeLib(Library(2, 0)), S_OK);   // nothing left to remove is no failure
}

}  // namespace
