// The hive files: their readable text, hives written by hand, damaged hives,
// and changes made by other processes.
#include "registry_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace registrytest;
using RegistryHiveTest = RegistryTest;

TEST_F(RegistryHiveTest, HiveFileIsReadableText) {
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Readable");
    Set(key, nullptr, REG_SZ, TextBytes(u"default"));
    Set(key, u"Count", REG_DWORD, DwordBytes(42));
    Set(key, u"Odd", REG_SZ, {0x61, 0x00, 0x62});
    Set(key, u"Path", REG_EXPAND_SZ, TextBytes(u"%TEMP%\\x"));
    Set(key, u"Quote", REG_SZ, TextBytes(u"say \"hi\"\n\u00E9"));
    Set(key, u"Multi", REG_MULTI_SZ, TextBytes(std::u16string(u"a\0b\0", 4)));
    Set(key, u"Big", REG_DWORD_BIG_ENDIAN, {0x01, 0x02, 0x03, 0x04});
    Create(key, u"100%\tdone");

    EXPECT_EQ(FileText(winapi::UserHivePath()),
              "# registry hive 1\n"
              "[]\n"
              "[Software]\n"
              "[Software\\Readable]\n"
              "@=sz:\"default\"\n"
              "\"Big\"=hex(5):01,02,03,04\n"
              "\"Count\"=dword:0000002a\n"
              "\"Multi\"=multi_sz:\"a\\0b\\0\"\n"
              "\"Odd\"=hex(1):61,00,62\n"
              "\"Path\"=expand_sz:\"%TEMP%\\\\x\"\n"
              "\"Quote\"=sz:\"say \\\"hi\\\"\\n\xC3\xA9\"\n"
              "[Software\\Readable\\100%0025%0009done]\n"
              "# end\n");
}

TEST_F(RegistryHiveTest, HiveWrittenByHandIsRead) {
    WriteFile(winapi::MachineHivePath(),
              "# registry hive 1\r\n"
              "# keys without a section of their own are made with their sub-keys\r\n"
              "[Software\\Zentraviko\\Applications\\Halquist Morvantile]\r\n"
              "\"Location\"=sz:\"C:\\\\Program Files\\\\Zentraviko\\\\\"\r\n"
              "\"Greeting\"=sz:\"Gr\xC3\xBC\xC3\x9F\x65 \\u0001\\uD800\"\r\n"
              "\"Port\"=dword:00001F90\r\n"
              "\"Raw\"=hex(5):01,02,03,04\r\n"
              "\"Nothing\"=hex(0):\r\n"
              "\r\n"
              "[Software\\Zentraviko\\Applications\\Halquist Morvantile\\Databases\\Demo%0025]\r\n"
              "\"ShellRoot\"=sz:\"D:\\\\Vault\\\\\"\r\n"
              "# end\r\n");

    HKEY product = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Software\\Zentraviko\\Applications\\Halquist Morvantile", KEY_READ, product),
              ERROR_SUCCESS);
    EXPECT_EQ(Get(product, u"Location"), std::make_pair(DWORD{REG_SZ}, TextBytes(u"C:\\Program Files\\Zentraviko\\")));
    EXPECT_EQ(Get(product, u"Greeting").second, TextBytes(u"Gr\u00FC\u00DFe \u0001\xD800"));
    EXPECT_EQ(Get(product, u"Port"), std::make_pair(DWORD{REG_DWORD}, DwordBytes(8080)));
    EXPECT_EQ(Get(product, u"Raw"), std::make_pair(DWORD{REG_DWORD_BIG_ENDIAN}, Bytes{1, 2, 3, 4}));
    DWORD type = 99, size = 99;
    EXPECT_EQ(RegQueryValueExW(product, u"Nothing", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_NONE);
    EXPECT_EQ(size, 0u);
    HKEY vault = nullptr;
    ASSERT_EQ(Open(product, u"Databases\\demo%", KEY_READ, vault), ERROR_SUCCESS);
    EXPECT_EQ(Get(vault, u"ShellRoot").second, TextBytes(u"D:\\Vault\\"));
}

TEST_F(RegistryHiveTest, AKeyNameHoldingABackslashIsWrittenBackAsOneName) {
    // Only a hive edited by hand can name such a key: the functions take a
    // backslash as a separator. Beside it, the two keys its name would split into.
    const std::string handWritten =
        "# registry hive 1\n"
        "[]\n"
        "[A]\n"
        "[A\\B]\n"
        "\"Two\"=dword:00000002\n"
        "[A%005CB]\n"
        "\"One\"=dword:00000001\n"
        "# end\n";
    WriteFile(winapi::UserHivePath(), handWritten);
    Set(HKEY_CURRENT_USER, u"Touched", REG_DWORD, DwordBytes(3));  // rewrites the hive

    const std::string written = FileText(winapi::UserHivePath());
    EXPECT_NE(written.find("[A%005CB]\n\"One\"=dword:00000001\n"), std::string::npos) << written;
    std::vector<std::u16string> names;
    WCHAR name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(HKEY_CURRENT_USER, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"A", u"A\\B"})) << "one key each, read back from the file";
    HKEY two = nullptr;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, u"A\\B", KEY_READ, two), ERROR_SUCCESS);
    EXPECT_EQ(Get(two, u"Two").second, DwordBytes(2));
    EXPECT_EQ(Get(two, u"One").first, REG_NONE);
    // A second write reads what the first wrote: the hive stays whole.
    Set(HKEY_CURRENT_USER, u"Touched", REG_DWORD, DwordBytes(4));
    EXPECT_EQ(RunChild({"expect", "HKCU", "A\\B", "Two", "4", "02000000"}), 0);
}

std::string Deep(size_t levels) {
    std::string path = "[k";
    for (size_t i = 1; i < levels; ++i) path += "\\k";
    return path + "]\n";
}

TEST_F(RegistryHiveTest, DamagedHiveIsReportedAndNeverOverwritten) {
    const std::string head = "# registry hive 1\n";
    const std::string tail = "# end\n";
    const std::pair<const char*, std::string> cases[] = {
        {"empty file", ""},
        {"cut short", head + "[Software]\n\"A\"=dword:00000001\n"},
        {"cut inside a line", head + "[Software]\n\"A\"=dword:000"},
        {"only zeros", std::string(64, '\0')},
        {"unknown format", "# registry hive 2\n[]\n" + tail},
        {"value before any key", head + "\"A\"=dword:00000001\n" + tail},
        {"short dword", head + "[X]\n\"A\"=dword:0001\n" + tail},
        {"unknown type word", head + "[X]\n\"A\"=word:0001\n" + tail},
        {"bad hex byte", head + "[X]\n\"A\"=hex(3):0g\n" + tail},
        {"dangling comma", head + "[X]\n\"A\"=hex(3):01,\n" + tail},
        {"missing type", head + "[X]\n\"A\"=hex:01\n" + tail},
        {"unknown escape", head + "[X]\n\"A\"=sz:\"\\q\"\n" + tail},
        {"open quote", head + "[X]\n\"A\"=sz:\"abc\n" + tail},
        {"text after the data", head + "[X]\n\"A\"=sz:\"abc\" x\n" + tail},
        {"raw control character", head + "[X]\n\"A\"=sz:\"a\x01\"\n" + tail},
        {"same value twice", head + "[X]\n\"A\"=hex(3):\n\"a\"=hex(3):\n" + tail},
        {"same key twice", head + "[X]\n[x]\n" + tail},
        {"empty name in a path", head + "[A\\\\B]\n" + tail},
        {"bad percent escape", head + "[A%00]\n" + tail},
        {"invalid UTF-8", head + "[\xFF]\n" + tail},
        {"overlong UTF-8", head + "[\xC0\xAF]\n" + tail},
        {"encoded surrogate", head + "[\xED\xA0\x80]\n" + tail},
        {"stray line", head + "[X]\ngarbage\n" + tail},
        {"deeper than the platform allows", head + Deep(513) + tail},
    };
    HKEY fine = Create(HKEY_LOCAL_MACHINE, u"Software\\Fine");
    for (const auto& [label, text] : cases) {
        WriteFile(winapi::UserHivePath(), text);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &key), ERROR_REGISTRY_CORRUPT) << label;
        EXPECT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_REGISTRY_CORRUPT)
            << label;
        EXPECT_EQ(RegSetValueExW(HKEY_CURRENT_USER, u"V", 0, REG_BINARY, nullptr, 0), ERROR_REGISTRY_CORRUPT) << label;
        EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, u"Software"), ERROR_REGISTRY_CORRUPT) << label;
        EXPECT_EQ(RegQueryValueExW(HKEY_CLASSES_ROOT, u"V", nullptr, nullptr, nullptr, nullptr), ERROR_REGISTRY_CORRUPT)
            << label << ": the classes view reads the user hive too";
        EXPECT_EQ(FileText(winapi::UserHivePath()), text) << label << ": the damaged file is left as it was";
        EXPECT_EQ(RegSetValueExW(fine, u"V", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS) << "the other hive still works";
    }
    // The depth limit is the platform's: 512 levels are fine.
    WriteFile(winapi::UserHivePath(), head + Deep(512) + tail);
    HKEY deep = nullptr;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, u"k\\k\\k", KEY_READ, deep), ERROR_SUCCESS) << "a repaired hive is read again";
}

TEST_F(RegistryHiveTest, ChangesOfOtherProcessesAreSeen) {
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Probe");
    Set(key, u"N", REG_DWORD, DwordBytes(0));
    // Every write has the same size, and may land in the same clock tick.
    for (DWORD n = 1; n <= 5; ++n) {
        ASSERT_EQ(Get(key, u"N").second, DwordBytes(n - 1));
        ASSERT_EQ(RunChild({"set", "N", std::to_string(n)}), 0);
        EXPECT_EQ(Get(key, u"N").second, DwordBytes(n));
    }
    // Also through the shell's reader, which finds the key and reads the value at once.
    for (DWORD n = 6; n <= 8; ++n) {
        ASSERT_EQ(RunChild({"set", "N", std::to_string(n)}), 0);
        DWORD value = 0, size = sizeof value;
        ASSERT_EQ(SHGetValueW(HKEY_CURRENT_USER, u"Software\\Probe", u"N", nullptr, &value, &size), ERROR_SUCCESS);
        EXPECT_EQ(value, n);
    }
}

// The generation word at the start of a hive's lock file lets a process skip
// reading a hive it holds. A lock file that is missing, empty or cut short
// (a fresh machine, a writer that died while making it) is no hindrance:
// writes and reads go on, and the first write leaves a whole word behind.
// Only other processes touch the hive here, so each starts without a mapping.
TEST_F(RegistryHiveTest, AMissingOrShortGenerationWordIsNoHindrance) {
    const std::filesystem::path lockFile = winapi::UserHivePath().string() + ".lock";
    auto dword = [](DWORD n) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%02x000000", static_cast<unsigned>(n));
        return std::string(hex);
    };
    ASSERT_EQ(RunChild({"set", "N", "0"}), 0);
    const std::pair<const char*, const char*> cases[] = {{"missing", nullptr}, {"empty", ""}, {"cut short", "\x05"}};
    DWORD n = 0;
    for (const auto& [label, content] : cases) {
        if (content)
            WriteFile(lockFile, content);
        else
            std::filesystem::remove(lockFile);
        EXPECT_EQ(RunChild({"expect", "HKCU", "Software\\Probe", "N", "4", dword(n)}), 0) << label << ": read";
        ++n;
        ASSERT_EQ(RunChild({"set", "N", std::to_string(n)}), 0) << label << ": write";
        EXPECT_EQ(RunChild({"expect", "HKCU", "Software\\Probe", "N", "4", dword(n)}), 0) << label << ": read back";
        EXPECT_GE(std::filesystem::file_size(lockFile), 8u) << label << ": the word is whole again";
    }
}

}  // namespace
