// The views over the hives: the merged classes root, the 32-bit view of the
// machine's software keys, and a standard user's read-only machine hive.
#include "registry_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace registrytest;
using testsupport::KeyExists;
using RegistryViewsTest = RegistryTest;

std::vector<std::u16string> SubKeyNames(HKEY key) {
    std::vector<std::u16string> names;
    for (DWORD index = 0;; ++index) {
        WCHAR name[64];
        DWORD length = 64;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

TEST_F(RegistryViewsTest, ClassesRootReadsTheUsersClassesBeforeTheMachines) {
    Set(Create(HKEY_LOCAL_MACHINE, u"Software\\Classes\\.txt"), nullptr, REG_SZ, TextBytes(u"txtfile"));
    Set(Create(HKEY_LOCAL_MACHINE, u"Software\\Classes\\.txt"), u"Content Type", REG_SZ, TextBytes(u"text/plain"));
    Set(Create(HKEY_CURRENT_USER, u"Software\\Classes\\.TXT"), nullptr, REG_SZ, TextBytes(u"usertxt"));
    Create(HKEY_LOCAL_MACHINE, u"Software\\Classes\\CLSID");
    Create(HKEY_CURRENT_USER, u"Software\\Classes\\.user");

    HKEY txt = nullptr;
    ASSERT_EQ(Open(HKEY_CLASSES_ROOT, u".txt", KEY_READ, txt), ERROR_SUCCESS);
    EXPECT_EQ(Get(txt, nullptr).second, TextBytes(u"usertxt")) << "the user's value wins";
    EXPECT_EQ(Get(txt, u"Content Type").second, TextBytes(u"text/plain")) << "the machine's value shows through";
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(txt, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(SubKeyNames(HKEY_CLASSES_ROOT), (std::vector<std::u16string>{u".TXT", u".user", u"CLSID"}));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, u"CLSID"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"Missing"));
}

TEST_F(RegistryViewsTest, ClassesRootWritesGoWhereReadsWillFindThem) {
    Create(HKEY_LOCAL_MACHINE, u"Software\\Classes\\MachineOnly");
    Create(HKEY_CURRENT_USER, u"Software\\Classes\\UserCopy");
    Create(HKEY_LOCAL_MACHINE, u"Software\\Classes\\UserCopy");

    HKEY machineOnly = Create(HKEY_CLASSES_ROOT, u"MachineOnly");
    Set(machineOnly, u"V", REG_DWORD, DwordBytes(1));
    HKEY userCopy = Create(HKEY_CLASSES_ROOT, u"UserCopy");
    Set(userCopy, u"V", REG_DWORD, DwordBytes(2));
    HKEY fresh = Create(HKEY_CLASSES_ROOT, u"CLSID\\{New}\\InprocServer32");
    Set(fresh, nullptr, REG_SZ, TextBytes(u"/opt/lib/Bellquist.so"));

    EXPECT_EQ(Get(Create(HKEY_LOCAL_MACHINE, u"Software\\Classes\\MachineOnly", KEY_READ), u"V").second, DwordBytes(1));
    EXPECT_EQ(Get(Create(HKEY_CURRENT_USER, u"Software\\Classes\\UserCopy", KEY_READ), u"V").second, DwordBytes(2));
    EXPECT_EQ(RegQueryValueExW(Create(HKEY_LOCAL_MACHINE, u"Software\\Classes\\UserCopy", KEY_READ), u"V", nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"Software\\Classes\\CLSID\\{New}\\InprocServer32"));
    EXPECT_EQ(Get(fresh, nullptr).second, TextBytes(u"/opt/lib/Bellquist.so"));

    // Deleting removes the copy that reads see; a tree delete removes every copy.
    EXPECT_EQ(RegDeleteValueW(userCopy, u"V"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"UserCopy"), ERROR_SUCCESS);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, u"UserCopy")) << "the machine's copy now shows";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\Classes\\UserCopy"));
    Create(HKEY_CURRENT_USER, u"Software\\Classes\\CLSID\\{New}");
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"CLSID\\{New}"), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"CLSID\\{New}"));
}

TEST_F(RegistryViewsTest, StandardUserRegistersClassesForThemselves) {
    Set(Create(HKEY_LOCAL_MACHINE, u"Software\\Classes\\Shared"), u"V", REG_DWORD, DwordBytes(1));
    std::string machineBefore = FileText(winapi::MachineHivePath());
    ActAsStandardUser(true);

    HKEY shared = Create(HKEY_CLASSES_ROOT, u"Shared", KEY_READ | KEY_WRITE);
    Set(shared, u"V", REG_DWORD, DwordBytes(2));
    Set(Create(HKEY_CLASSES_ROOT, u"Mine\\shell"), nullptr, REG_SZ, TextBytes(u"open"));
    EXPECT_EQ(Get(shared, u"V").second, DwordBytes(2));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Software\\Classes\\Mine\\shell"));
    EXPECT_EQ(Get(Create(HKEY_CURRENT_USER, u"Software\\Classes\\Shared", KEY_READ), u"V").second, DwordBytes(2));
    EXPECT_EQ(FileText(winapi::MachineHivePath()), machineBefore) << "the machine hive is untouched";

    HKEY machineCopy = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Software\\Classes\\Shared", KEY_READ, machineCopy), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"Shared"), ERROR_ACCESS_DENIED) << "one copy is the machine's";
    EXPECT_EQ(Get(shared, u"V").second, DwordBytes(2)) << "a refused delete changes nothing";
}

TEST_F(RegistryViewsTest, The32BitViewHasItsOwnMachineSoftwareKeys) {
    HKEY key32 = Create(HKEY_LOCAL_MACHINE, u"Software\\Vendor\\Product", KEY_ALL_ACCESS | KEY_WOW64_32KEY);
    Set(key32, u"Location", REG_SZ, TextBytes(u"32"));
    HKEY key64 = Create(HKEY_LOCAL_MACHINE, u"Software\\Vendor\\Product", KEY_ALL_ACCESS | KEY_WOW64_64KEY);
    Set(key64, u"Location", REG_SZ, TextBytes(u"64"));

    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"Software\\WOW6432Node\\Vendor\\Product"));
    HKEY native = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Software\\Vendor\\Product", KEY_READ, native), ERROR_SUCCESS);
    EXPECT_EQ(Get(native, u"Location").second, TextBytes(u"64"));
    HKEY view32 = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Product", KEY_READ | KEY_WOW64_32KEY, view32),
              ERROR_SUCCESS);
    EXPECT_EQ(Get(view32, u"Location").second, TextBytes(u"32"));

    // A handle in the 32-bit view keeps its children there.
    HKEY software32 = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Software\\Vendor", KEY_READ | KEY_WOW64_32KEY, software32), ERROR_SUCCESS);
    HKEY child = nullptr;
    ASSERT_EQ(Open(software32, u"Product", KEY_READ | KEY_WOW64_32KEY, child), ERROR_SUCCESS);
    EXPECT_EQ(Get(child, u"Location").second, TextBytes(u"32"));

    // The user's keys are the same in both views.
    Create(HKEY_CURRENT_USER, u"Software\\Vendor", KEY_ALL_ACCESS | KEY_WOW64_32KEY);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Software\\Vendor"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\WOW6432Node"));

    HKEY both = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, KEY_READ | KEY_WOW64_32KEY | KEY_WOW64_64KEY, &both),
              ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryViewsTest, StandardUserReadsButNeverWritesTheMachineHive) {
    HKEY product = Create(HKEY_LOCAL_MACHINE, u"Software\\Zentraviko\\Product");
    Set(product, u"Location", REG_SZ, TextBytes(u"/opt/zentraviko/"));
    std::string machineBefore = FileText(winapi::MachineHivePath());
    ActAsStandardUser(true);

    const REGSAM refused[] = {KEY_SET_VALUE,
                              KEY_CREATE_SUB_KEY,
                              KEY_WRITE,
                              KEY_READ | KEY_WRITE,
                              KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                              KEY_ALL_ACCESS,
                              0x00010000u /* DELETE */,
                              0x40000000u /* GENERIC_WRITE */};
    for (REGSAM access : refused) {
        HKEY key = reinterpret_cast<HKEY>(1);
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Zentraviko\\Product", 0, access, &key),
                  ERROR_ACCESS_DENIED)
            << std::hex << access;
        EXPECT_EQ(key, nullptr);
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Zentraviko\\Product", 0, nullptr, 0, access, nullptr,
                                  &key, nullptr),
                  ERROR_ACCESS_DENIED)
            << std::hex << access;
    }

    HKEY readOnly = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Software\\Zentraviko\\Product", KEY_READ, readOnly), ERROR_SUCCESS);
    EXPECT_EQ(Get(readOnly, u"Location").second, TextBytes(u"/opt/zentraviko/"));
    HKEY most = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Software\\Zentraviko\\Product", 0x02000000u /* MAXIMUM_ALLOWED */, most),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(most, u"X", 0, REG_BINARY, nullptr, 0), ERROR_ACCESS_DENIED);
    HKEY created = nullptr;
    EXPECT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\New", 0, nullptr, 0, KEY_READ, nullptr, &created, nullptr),
        ERROR_ACCESS_DENIED)
        << "creating a key is a change";
    EXPECT_EQ(RegSetValueExW(HKEY_LOCAL_MACHINE, u"X", 0, REG_BINARY, nullptr, 0), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Zentraviko\\Product"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"Software\\Zentraviko"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(FileText(winapi::MachineHivePath()), machineBefore);

    // The user's own hive stays writable.
    HKEY user = Create(HKEY_CURRENT_USER, u"Software\\Zentraviko\\Product", KEY_READ | KEY_WRITE);
    Set(user, u"Language", REG_SZ, TextBytes(u"GB"));
}

}  // namespace
