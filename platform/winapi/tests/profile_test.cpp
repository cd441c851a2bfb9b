#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"
#include "winapi/path_mapping.h"
#include "winapi/profile.h"
#include "winapi/text.h"

#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace {

#define EXPECT_LAST_ERROR(code) EXPECT_EQ(GetLastError(), static_cast<DWORD>(code))

class ProfileTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        folder_ = machine_.root() / "view";
        std::filesystem::create_directory(folder_);
    }
    // The file's path in the system's form: folder, backslash, name.
    std::u16string File(const std::string& name = "desktop.ini") const {
        return winapi::FromPosixPath(folder_.string()) + u"\\" + winapi::ToUtf16(name);
    }
    void WriteBytes(const std::string& bytes, const std::string& name = "desktop.ini") const {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
    }
    std::string ReadBytes(const std::string& name = "desktop.ini") const {
        std::ifstream in(folder_ / name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The value read with a buffer as large as the system's (50 characters).
    std::u16string Get(const char16_t* section, const char16_t* key, const char16_t* fallback = u"<default>",
                       const std::string& name = "desktop.ini") const {
        WCHAR buffer[50];
        DWORD length = GetPrivateProfileStringW(section, key, fallback, buffer, 50, File(name).c_str());
        EXPECT_EQ(length, std::char_traits<char16_t>::length(buffer));
        return buffer;
    }
    static std::string Utf16LeWithMark(std::u16string_view text) {
        std::string bytes = "\xFF\xFE";
        for (char16_t c : text) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        return bytes;
    }
    // The list a key or section enumeration returns, split at its zeros.
    static std::vector<std::u16string> SplitList(const WCHAR* list, DWORD length) {
        std::vector<std::u16string> names;
        for (DWORD start = 0; start < length;) {
            std::u16string name(list + start);
            names.push_back(name);
            start += static_cast<DWORD>(name.size()) + 1;
        }
        return names;
    }

    std::filesystem::path folder_;
};

const char* const kDesktopIni =
    "; made by the vault client\r\n"
    "[Other]\r\n"
    "VaultID=wrong\r\n"
    "[ Tavrosk ]\r\n"
    "  VaultID = {11111111-2222-3333-4444-555555555555}  \r\n"
    "ViewID=\"{quoted}\"\r\n"
    "Single='x'\r\n"
    "Empty=\r\n"
    ";VaultID=commented\r\n"
    "[tavrosk]\r\n"
    "VaultID=second\r\n";

TEST_F(ProfileTest, ReadsValuesAsThePlatformDoes) {
    WriteBytes(kDesktopIni);
    struct Case {
        const char16_t* section;
        const char16_t* key;
        const char16_t* fallback;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"Tavrosk", u"VaultID", nullptr, u"{11111111-2222-3333-4444-555555555555}"},
        {u"TAVROSK", u"viewid", nullptr, u"{quoted}"},
        {u"Tavrosk", u"Single", nullptr, u"x"},
        {u"Tavrosk", u"Empty", u"fallback", u""},
        {u"Other", u"VaultID", nullptr, u"wrong"},
        {u"Tavrosk", u"Missing", u"fallback  ", u"fallback"},
        {u"Missing", u"VaultID", u"fallback", u"fallback"},
        {u"Tavrosk", u"Missing", nullptr, u""},
    };
    for (const Case& c : cases) EXPECT_EQ(Get(c.section, c.key, c.fallback), c.expected) << winapi::ToUtf8(c.key);
}

TEST_F(ProfileTest, MissingFileGivesTheDefault) {
    EXPECT_EQ(Get(u"Tavrosk", u"VaultID", u"none", "absent.ini"), u"none");
    EXPECT_EQ(Get(u"Tavrosk", u"VaultID", nullptr, "absent.ini"), u"");
    WCHAR buffer[8] = {u'#', u'#', u'#'};
    EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer, 8, File("absent.ini").c_str()), 0u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 0);
    const std::u16string noFolder = File("missing\\desktop.ini");
    EXPECT_EQ(GetPrivateProfileStringW(u"Tavrosk", u"ViewID", u"d", buffer, 8, noFolder.c_str()), 1u);
    EXPECT_EQ(std::u16string(buffer), u"d");
}

TEST_F(ProfileTest, LongValuesAreCutToTheBuffer) {
    const std::u16string value(60, u'v');
    WriteBytes("[Tavrosk]\nVaultID=" + winapi::ToUtf8(value) + "\n");
    WCHAR buffer[51];
    buffer[50] = u'#';
    EXPECT_EQ(GetPrivateProfileStringW(u"Tavrosk", u"VaultID", nullptr, buffer, 50, File().c_str()), 49u);
    EXPECT_EQ(std::u16string(buffer), value.substr(0, 49));
    EXPECT_EQ(buffer[50], u'#');
    EXPECT_EQ(GetPrivateProfileStringW(u"Tavrosk", u"VaultID", nullptr, buffer, 1, File().c_str()), 0u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(GetPrivateProfileStringW(u"Tavrosk", u"Missing", u"default", buffer, 4, File().c_str()), 3u);
    EXPECT_EQ(std::u16string(buffer), u"def");
}

TEST_F(ProfileTest, ListsSectionsAndKeys) {
    WriteBytes(kDesktopIni);
    WCHAR buffer[100];
    DWORD length = GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer, 100, File().c_str());
    EXPECT_EQ(SplitList(buffer, length), (std::vector<std::u16string>{u"Other", u"Tavrosk"}));
    EXPECT_EQ(buffer[length], 0);
    length = GetPrivateProfileStringW(u"tavrosk", nullptr, nullptr, buffer, 100, File().c_str());
    EXPECT_EQ(SplitList(buffer, length), (std::vector<std::u16string>{u"VaultID", u"ViewID", u"Single", u"Empty"}));
    EXPECT_EQ(buffer[length], 0);

    // Cut short, the list still ends in two zeros.
    WCHAR small[11];
    small[10] = u'#';
    EXPECT_EQ(GetPrivateProfileStringW(u"Tavrosk", nullptr, nullptr, small, 10, File().c_str()), 8u);
    EXPECT_EQ(std::u16string(small), u"VaultID");
    EXPECT_EQ(small[8], 0);
    EXPECT_EQ(small[9], 0);
    EXPECT_EQ(small[10], u'#');
}

TEST_F(ProfileTest, ReadsEveryEncoding) {
    const std::u16string text = u"[Tavrosk]\r\nViewID=Zürich 名前\r\n";
    struct Case {
        std::string name, bytes;
    };
    const Case cases[] = {
        {"utf16.ini", Utf16LeWithMark(text)},
        {"utf8mark.ini", "\xEF\xBB\xBF" + winapi::ToUtf8(text)},
        {"utf8.ini", winapi::ToUtf8(text)},
        {"lf.ini", "[Tavrosk]\nViewID=Zürich 名前\n"},
        {"noend.ini", "[Tavrosk]\nViewID=Zürich 名前"},
    };
    for (const Case& c : cases) {
        WriteBytes(c.bytes, c.name);
        EXPECT_EQ(Get(u"Tavrosk", u"ViewID", nullptr, c.name), u"Zürich 名前") << c.name;
    }
}

TEST_F(ProfileTest, WritesChangeOnlyTheLinesConcerned) {
    WriteBytes("; top\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    EXPECT_TRUE(WritePrivateProfileStringW(u"a", u"z", u"3", File().c_str()));
    EXPECT_EQ(ReadBytes(), "; top\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
    EXPECT_TRUE(WritePrivateProfileStringW(u"A", u"X", u"one", File().c_str()));
    EXPECT_EQ(ReadBytes(), "; top\r\n[A]\r\nX=one\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
    EXPECT_TRUE(WritePrivateProfileStringW(u"C", u"w", u"4", File().c_str()));
    EXPECT_EQ(ReadBytes(), "; top\r\n[A]\r\nX=one\r\nz=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\nw=4\r\n");
    EXPECT_TRUE(WritePrivateProfileStringW(u"A", u"x", nullptr, File().c_str()));
    EXPECT_EQ(ReadBytes(), "; top\r\n[A]\r\nz=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\nw=4\r\n");
    EXPECT_TRUE(WritePrivateProfileStringW(u"B", nullptr, nullptr, File().c_str()));
    EXPECT_EQ(ReadBytes(), "; top\r\n[A]\r\nz=3\r\n\r\n[C]\r\nw=4\r\n");
    // Removing what is not there changes nothing.
    EXPECT_TRUE(WritePrivateProfileStringW(u"Nope", nullptr, nullptr, File().c_str()));
    EXPECT_TRUE(WritePrivateProfileStringW(u"A", u"nope", nullptr, File().c_str()));
    EXPECT_EQ(ReadBytes(), "; top\r\n[A]\r\nz=3\r\n\r\n[C]\r\nw=4\r\n");
    // The write goes through a file beside it that is renamed into place.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), std::filesystem::directory_iterator()), 1);
}

TEST_F(ProfileTest, NewFileRoundTrip) {
    EXPECT_TRUE(
        WritePrivateProfileStringW(u"Tavrosk", u"VaultID", u"{AAAAAAAA-0000-0000-0000-000000000001}", File().c_str()));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Tavrosk", u"ViewID", u"Zürich", File().c_str()));
    EXPECT_EQ(ReadBytes(), "[Tavrosk]\r\nVaultID={AAAAAAAA-0000-0000-0000-000000000001}\r\nViewID=Zürich\r\n");
    EXPECT_EQ(Get(u"Tavrosk", u"VaultID"), u"{AAAAAAAA-0000-0000-0000-000000000001}");
    EXPECT_EQ(Get(u"Tavrosk", u"ViewID"), u"Zürich");
    // Removing from a file that is not there creates none.
    EXPECT_TRUE(WritePrivateProfileStringW(u"Tavrosk", u"ViewID", nullptr, File("other.ini").c_str()));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "other.ini"));
}

TEST_F(ProfileTest, EncodingAndPermissionsSurviveAWrite) {
    WriteBytes(Utf16LeWithMark(u"[Tavrosk]\r\nVaultID={1}\r\n"));
    ::chmod((folder_ / "desktop.ini").c_str(), 0600);
    EXPECT_TRUE(WritePrivateProfileStringW(u"Tavrosk", u"ViewID", u"{2}", File().c_str()));
    EXPECT_EQ(ReadBytes(), Utf16LeWithMark(u"[Tavrosk]\r\nVaultID={1}\r\nViewID={2}\r\n"));
    struct stat st;
    ASSERT_EQ(::stat((folder_ / "desktop.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    WriteBytes("\xEF\xBB\xBF[Tavrosk]\nVaultID={1}\n", "mark.ini");
    EXPECT_TRUE(WritePrivateProfileStringW(u"Tavrosk", u"VaultID", u"{3}", File("mark.ini").c_str()));
    EXPECT_EQ(ReadBytes("mark.ini"), "\xEF\xBB\xBF[Tavrosk]\nVaultID={3}\n");
}

TEST_F(ProfileTest, RefusesWritesThatWouldBreakTheFile) {
    WriteBytes("[A]\r\nx=1\r\n");
    struct Case {
        const char16_t* section;
        const char16_t* key;
        const char16_t* value;
    };
    const Case cases[] = {
        {u"A", u"k=v", u"1"}, {u"A", u"k", u"1\r\n[B]"}, {u"A]", u"k", u"1"},   {u"A\n", u"k", u"1"},
        {u"A", u"[B]", u"1"}, {u"A", u";x", u"1"},       {nullptr, u"k", u"1"},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(WritePrivateProfileStringW(c.section, c.key, c.value, File().c_str()));
        EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(ReadBytes(), "[A]\r\nx=1\r\n");
    EXPECT_TRUE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, File().c_str()));
}

TEST_F(ProfileTest, WriteFailsForMissingFolderOrReadOnlyFile) {
    EXPECT_FALSE(WritePrivateProfileStringW(u"A", u"x", u"1", File("missing\\a.ini").c_str()));
    EXPECT_LAST_ERROR(ERROR_PATH_NOT_FOUND);
    WriteBytes("[A]\r\nx=1\r\n");
    ::chmod((folder_ / "desktop.ini").c_str(), 0444);
    EXPECT_FALSE(WritePrivateProfileStringW(u"A", u"x", u"2", File().c_str()));
    EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadBytes(), "[A]\r\nx=1\r\n");
}

TEST_F(ProfileTest, IntegersAreReadAsDecimal) {
    WriteBytes("[N]\nplain=42\nsigned= -7 \ntrailing=12abc\ntext=abc\n");
    struct Case {
        const char16_t* key;
        UINT expected;
    };
    const Case cases[] = {
        {u"plain", 42u}, {u"signed", static_cast<UINT>(-7)}, {u"trailing", 12u}, {u"text", 0u}, {u"missing", 5u}};
    for (const Case& c : cases)
        EXPECT_EQ(GetPrivateProfileIntW(u"N", c.key, 5, File().c_str()), c.expected) << winapi::ToUtf8(c.key);
}

TEST_F(ProfileTest, WritersInSeveralProcessesLoseNoChange) {
    const std::string file = (folder_ / "shared.ini").string();
    const int processes = 4, keysEach = 25;
    std::vector<std::unique_ptr<testsupport::ChildProcess>> children;
    for (int p = 0; p < processes; ++p) {
        children.push_back(std::make_unique<testsupport::ChildProcess>(
            testsupport::SiblingProgram("profile_child"),
            std::vector<std::string>{file, "p" + std::to_string(p) + "k", std::to_string(keysEach)}));
    }
    for (auto& child : children) EXPECT_EQ(child->Wait(std::chrono::seconds(120)), 0);
    for (int p = 0; p < processes; ++p) {
        for (int k = 0; k < keysEach; ++k) {
            std::u16string key = winapi::ToUtf16("p" + std::to_string(p) + "k" + std::to_string(k));
            EXPECT_EQ(Get(u"Shared", key.c_str(), nullptr, "shared.ini"), winapi::ToUtf16(std::to_string(k)));
        }
    }
}

}  // namespace
