#include "testsupport/fresh_machine.h"
#include "winapi/environment.h"
#include "winapi/errors.h"
#include "winapi/path_mapping.h"
#include "winapi/shell_folders.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

#define EXPECT_LAST_ERROR(code) EXPECT_EQ(GetLastError(), static_cast<DWORD>(code))

// Every test starts without the variables it touches in the real
// environment and leaves the environment as it found it.
class EnvironmentTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        for (const char* name : {"APPDATA", "LOCALAPPDATA", "TEMP", "TMP", "USERNAME", "COMPUTERNAME", "ProgramFiles",
                                 "ProgramFiles(x86)", "ProgramData", "USERPROFILE", "LAYER_TEST_X", "Layer_Test_Mixed",
                                 "LAYER_TEST_MIXED", "LAYER_TEST_EMPTY"}) {
            const char* value = std::getenv(name);
            saved_.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
            ::unsetenv(name);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    static std::optional<std::u16string> Get(const char16_t* name) {
        WCHAR buffer[1024];
        SetLastError(0);
        DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
        if (length == 0 && GetLastError() == static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND)) return std::nullopt;
        EXPECT_LT(length, 1024u);
        return std::u16string(buffer, length);
    }
    static std::u16string Expand(const char16_t* text) {
        DWORD needed = ExpandEnvironmentStringsW(text, nullptr, 0);
        std::u16string result(needed, u'#');
        EXPECT_EQ(ExpandEnvironmentStringsW(text, result.data(), needed), needed);
        EXPECT_EQ(result.back(), 0);
        result.pop_back();
        return result;
    }
    static size_t EntriesNamed(const std::string& name) {
        size_t count = 0;
        for (char** entry = environ; *entry; ++entry) {
            std::string text(*entry);
            std::u16string entryName = winapi::ToUtf16(text.substr(0, text.find('=')));
            if (winapi::EqualsIgnoreCase(entryName, winapi::ToUtf16(name))) ++count;
        }
        return count;
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(EnvironmentTest, GetFollowsThePlatformsSizeRules) {
    ASSERT_TRUE(SetEnvironmentVariableW(u"LAYER_TEST_X", u"value"));
    WCHAR buffer[8] = {u'#', u'#', u'#', u'#', u'#', u'#', u'#', u'#'};
    EXPECT_EQ(GetEnvironmentVariableW(u"LAYER_TEST_X", nullptr, 0), 6u);
    EXPECT_EQ(GetEnvironmentVariableW(u"LAYER_TEST_X", buffer, 5), 6u);
    EXPECT_EQ(buffer[0], u'#');
    EXPECT_EQ(GetEnvironmentVariableW(u"LAYER_TEST_X", buffer, 6), 5u);
    EXPECT_EQ(std::u16string(buffer), u"value");

    SetLastError(0);
    EXPECT_EQ(GetEnvironmentVariableW(u"LAYER_TEST_MISSING", buffer, 8), 0u);
    EXPECT_LAST_ERROR(ERROR_ENVVAR_NOT_FOUND);

    ASSERT_TRUE(SetEnvironmentVariableW(u"LAYER_TEST_EMPTY", u""));
    SetLastError(12345);
    EXPECT_EQ(GetEnvironmentVariableW(u"LAYER_TEST_EMPTY", buffer, 8), 0u);
    EXPECT_LAST_ERROR(ERROR_SUCCESS);
    EXPECT_EQ(buffer[0], 0);
}

TEST_F(EnvironmentTest, NamesIgnoreCase) {
    ASSERT_TRUE(SetEnvironmentVariableW(u"Layer_Test_Mixed", u"first"));
    EXPECT_EQ(Get(u"LAYER_TEST_MIXED"), u"first");
    ASSERT_TRUE(SetEnvironmentVariableW(u"LAYER_TEST_MIXED", u"second"));
    EXPECT_EQ(EntriesNamed("LAYER_TEST_MIXED"), 1u);
    EXPECT_EQ(Get(u"layer_test_mixed"), u"second");
    EXPECT_STREQ(std::getenv("LAYER_TEST_MIXED"), "second");  // children inherit it
    ASSERT_TRUE(SetEnvironmentVariableW(u"layer_test_MIXED", nullptr));
    EXPECT_EQ(EntriesNamed("LAYER_TEST_MIXED"), 0u);
    EXPECT_EQ(Get(u"LAYER_TEST_MIXED"), std::nullopt);

    for (const char16_t* bad : {u"", u"A=B"}) {
        SetLastError(0);
        EXPECT_FALSE(SetEnvironmentVariableW(bad, u"x"));
        EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);
    }
}

TEST_F(EnvironmentTest, StandardVariablesComeFromTheMachine) {
    auto path = [](const std::filesystem::path& p) { return winapi::FromPosixPath(p.string()); };
    const std::filesystem::path profile = winapi::UserProfileDir();
    struct Case {
        const char16_t* name;
        std::u16string expected;
        bool isFolder;
    };
    const Case cases[] = {
        {u"APPDATA", path(profile / "AppData" / "Roaming"), true},
        {u"LocalAppData", path(profile / "AppData" / "Local"), true},
        {u"TEMP", path(profile / "Temp"), true},
        {u"TMP", path(profile / "Temp"), true},
        {u"USERPROFILE", path(profile), true},
        {u"ProgramFiles", path(winapi::StateRoot() / "Program Files"), true},
        {u"ProgramFiles(x86)", path(winapi::StateRoot() / "Program Files"), true},
        {u"PROGRAMDATA", path(winapi::StateRoot() / "ProgramData"), true},
        {u"USERNAME", winapi::ToUtf16(winapi::CurrentUserName()), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Get(c.name), c.expected) << winapi::ToUtf8(c.name);
        if (c.isFolder) {
            EXPECT_TRUE(std::filesystem::is_directory(winapi::ToPosixPath(c.expected)));
        }
    }
    WCHAR computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameW(computer, &size));
    EXPECT_EQ(Get(u"COMPUTERNAME"), std::u16string(computer));

    // The same folders as the shell's.
    WCHAR shell[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, shell, CSIDL_APPDATA, TRUE));
    EXPECT_EQ(Get(u"APPDATA"), std::u16string(shell));
}

TEST_F(EnvironmentTest, RealEnvironmentAndChangesOverrideTheMachine) {
    ::setenv("APPDATA", "/custom/roaming", 1);
    EXPECT_EQ(Get(u"AppData"), u"/custom/roaming");
    ASSERT_TRUE(SetEnvironmentVariableW(u"TEMP", u"C:\\Temp"));
    EXPECT_EQ(Get(u"TEMP"), u"C:\\Temp");
    ASSERT_TRUE(SetEnvironmentVariableW(u"TEMP", nullptr));
    EXPECT_EQ(Get(u"TEMP"), winapi::FromPosixPath((winapi::UserProfileDir() / "Temp").string()));
}

TEST_F(EnvironmentTest, ExpansionReplacesKnownNamesOnly) {
    ASSERT_TRUE(SetEnvironmentVariableW(u"LAYER_TEST_X", u"abc"));
    struct Case {
        const char16_t* text;
        std::u16string expanded;
    };
    const Case cases[] = {
        {u"%LAYER_TEST_X%\\sub", u"abc\\sub"},
        {u"%layer_test_x%", u"abc"},
        {u"a%LAYER_TEST_X%b%LAYER_TEST_X%", u"aabcbabc"},
        {u"%LAYER_TEST_UNSET%\\x", u"%LAYER_TEST_UNSET%\\x"},
        {u"100%", u"100%"},
        {u"%%", u"%%"},
        {u"50% of %LAYER_TEST_X%", u"50% of %LAYER_TEST_X%"},
        {u"", u""},
    };
    for (const Case& c : cases) EXPECT_EQ(Expand(c.text), c.expanded) << winapi::ToUtf8(c.text);
    // A registry value naming TEMP, as the settings store keeps it.
    EXPECT_EQ(Expand(u"%TEMP%\\Zentraviko"),
              winapi::FromPosixPath((winapi::UserProfileDir() / "Temp").string()) + u"\\Zentraviko");
}

TEST_F(EnvironmentTest, ExpansionIntoASmallBufferStaysInside) {
    ASSERT_TRUE(SetEnvironmentVariableW(u"LAYER_TEST_X", u"a\U0001F600"));  // a, then a surrogate pair
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(ExpandEnvironmentStringsW(u"%LAYER_TEST_X%-z", buffer, 3), 6u);
    EXPECT_EQ(std::u16string(buffer), u"a");  // not half of the pair
    EXPECT_EQ(buffer[3], u'#');
    EXPECT_EQ(ExpandEnvironmentStringsW(u"xyz", buffer, 2), 4u);
    EXPECT_EQ(std::u16string(buffer), u"x");
    EXPECT_EQ(ExpandEnvironmentStringsW(nullptr, buffer, 8), 0u);
    EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);
}

TEST_F(EnvironmentTest, ComputerNameFitsTheSystemsBuffer) {
    WCHAR name[16];
    DWORD size = 16;
    ASSERT_TRUE(GetComputerNameW(name, &size));
    std::u16string text(name);
    EXPECT_EQ(size, text.size());
    EXPECT_GE(text.size(), 1u);
    EXPECT_LE(text.size(), size_t{MAX_COMPUTERNAME_LENGTH});
    for (char16_t c : text) EXPECT_NE(c, u'.');
    for (char16_t c : text) EXPECT_EQ(winapi::ToUpper(c), c);

    DWORD small = 1;
    EXPECT_FALSE(GetComputerNameW(name, &small));
    EXPECT_LAST_ERROR(ERROR_BUFFER_OVERFLOW);
    EXPECT_EQ(small, text.size() + 1);
}

}  // namespace
