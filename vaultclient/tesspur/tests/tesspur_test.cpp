#include "tesspur/language_files.h"
#include "tesspur/tesspur.h"

#include "testsupport/fresh_machine.h"
#include "winapi/path_mapping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Each test gets its own language folder (inside its own machine), so that
// files read by an earlier test are never the ones asked for.
class TesspurTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        folder_ = machine_.root() / "LanFiles";
        fs::create_directories(folder_);
        // The folder as the settings give it: with a trailing separator.
        folderText_ = winapi::FromPosixPath(folder_.string()) + u"/";
    }
    void TearDown() override { gvInitStrDll(nullptr, nullptr, nullptr, nullptr, nullptr); }

    void WriteFile(const std::string& language, const std::string& file, const std::string& content) {
        fs::create_directories(folder_ / language);
        std::ofstream(folder_ / language / (file + ".txt"), std::ios::binary) << content;
    }
    void Init(const char16_t* language) {
        gvInitStrDll(u"ZENTRAVIKO", u"ZENTRAVIKO VYL", language, folderText_.c_str(), nullptr);
    }

    fs::path folder_;
    std::u16string folderText_;
};

TEST_F(TesspurTest, GivesTheTranslationOfTheProductFileElseTheDefault) {
    WriteFile("DE", "ZENTRAVIKO VYL",
              "StrWnd|StrWnd|2=Abbrechen\n"
              "TS||47=Bereit\n"
              "TS|Halvaran|45=Start von %s fehlgeschlagen\n"
              "Menus|Halvaran|100=&Datei\n");
    Init(u"DE");

    struct Case {
        int id;
        const char16_t* category;
        const char16_t* section;
        const char16_t* defaultText;
        std::u16string_view expected;
    } const cases[] = {
        {2, u"StrWnd", u"StrWnd", u"Cancel", u"Abbrechen"},
        {47, u"TS", nullptr, u"Ready", u"Bereit"},  // a null section is the empty one
        {45, u"TS", u"Halvaran", u"Failed to launch %s", u"Start von %s fehlgeschlagen"},
        {100, u"Menus", u"Halvaran", u"&File", u"&Datei"},
        {1, u"StrWnd", u"StrWnd", u"OK", u"OK"},                               // no such number
        {2, u"TS", u"StrWnd", u"Cancel", u"Cancel"},                           // other category
        {45, u"TS", nullptr, u"Failed to launch %s", u"Failed to launch %s"},  // other section
        {57666, u"TS", nullptr, nullptr, u""},                                 // no default: empty, never null
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const WCHAR* text = TSS_internal(c.id, c.category, c.section, c.defaultText);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::u16string_view(text), c.expected);
    }
    // The default comes back as the caller's own text, not a copy.
    const char16_t* ok = u"OK";
    EXPECT_EQ(TSS_internal(1, u"StrWnd", u"StrWnd", ok), ok);
}

TEST_F(TesspurTest, WithoutInitOrLanguageFileEveryTextIsItsDefault) {
    gvInitStrDll(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(std::u16string_view(TSS_internal(2, u"StrWnd", u"StrWnd", u"Cancel")), u"Cancel");

    Init(u"FR");  // a language without a folder
    EXPECT_EQ(std::u16string_view(TSS_internal(2, u"StrWnd", u"StrWnd", u"Cancel")), u"Cancel");

    // A file that appears later is read then.
    WriteFile("FR", "ZENTRAVIKO VYL", "StrWnd|StrWnd|2=Annuler\n");
    EXPECT_EQ(std::u16string_view(TSS_internal(2, u"StrWnd", u"StrWnd", u"Cancel")), u"Annuler");
}

TEST_F(TesspurTest, PushedDefaultFilesAreReadUntilPopped) {
    WriteFile("DE", "ZENTRAVIKO VYL", "TS|Castavy|86=Produkt\n");
    WriteFile("DE", "Castavy", "TS|Castavy|86=Die Datei ist in einem anderen Status.\n");
    Init(u"DE");

    EXPECT_EQ(std::u16string_view(TSS_internal(86, u"TS", u"Castavy", u"x")), u"Produkt");
    gvPushDefaultFile(u"Castavy");
    EXPECT_EQ(std::u16string_view(TSS_internal(86, u"TS", u"Castavy", u"x")),
              u"Die Datei ist in einem anderen Status.");
    gvPushDefaultFile(nullptr);  // the product's file again
    EXPECT_EQ(std::u16string_view(TSS_internal(86, u"TS", u"Castavy", u"x")), u"Produkt");
    gvPushDefaultFile(u"Missing");
    EXPECT_EQ(std::u16string_view(TSS_internal(86, u"TS", u"Castavy", u"x")), u"x");
    gvPopDefaultFile();
    gvPopDefaultFile();
    EXPECT_EQ(std::u16string_view(TSS_internal(86, u"TS", u"Castavy", u"x")),
              u"Die Datei ist in einem anderen Status.");
    gvPopDefaultFile();
    gvPopDefaultFile();  // nothing left to undo: no harm
    EXPECT_EQ(std::u16string_view(TSS_internal(86, u"TS", u"Castavy", u"x")), u"Produkt");
}

TEST_F(TesspurTest, FilesAreReadOnceAndTheirTextsStayValidAcrossLanguageChanges) {
    WriteFile("DE", "ZENTRAVIKO VYL", "StrWnd|StrWnd|2=Abbrechen\n");
    WriteFile("NL", "ZENTRAVIKO VYL", "StrWnd|StrWnd|2=Annuleren\n");
    Init(u"DE");
    const WCHAR* german = TSS_internal(2, u"StrWnd", u"StrWnd", u"Cancel");

    // Read once: a change of the file on disk is not seen by this process.
    WriteFile("DE", "ZENTRAVIKO VYL", "StrWnd|StrWnd|2=Geaendert\n");
    EXPECT_EQ(TSS_internal(2, u"StrWnd", u"StrWnd", u"Cancel"), german);

    Init(u"NL");
    EXPECT_EQ(std::u16string_view(TSS_internal(2, u"StrWnd", u"StrWnd", u"Cancel")), u"Annuleren");
    // The text handed out before the switch is still whole.
    EXPECT_EQ(std::u16string_view(german), u"Abbrechen");
}

TEST_F(TesspurTest, NamesThatWouldLeaveTheLanguageFolderFindNoFile) {
    // A file beside the language folder that an unsafe name could reach.
    std::ofstream(machine_.root() / "Secret.txt") << "TS||1=leaked\n";
    WriteFile("DE", "ZENTRAVIKO VYL", "TS||1=ok\n");
    std::ofstream(folder_ / "DE" / "Plain") << "TS||1=leaked\n";

    struct Case {
        std::u16string_view language, file;
        bool found;
    } const cases[] = {
        {u"DE", u"ZENTRAVIKO VYL", true},
        {u"..", u"Secret", false},
        {u"DE", u"..\\..\\Secret", false},
        {u"DE", u"../../Secret", false},
        {u".", u"ZENTRAVIKO VYL", false},
        {u"", u"ZENTRAVIKO VYL", false},
        {u"DE", u"", false},
        {u"DE", std::u16string_view(u"Plain\0", 6), false},  // would open "Plain", cut at the null
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.language.begin(), c.language.end()) << " / "
                                        << std::string(c.file.begin(), c.file.end()));
        EXPECT_EQ(tesspur::FindLanguageFile(folderText_, c.language, c.file) != nullptr, c.found);
    }
    EXPECT_EQ(tesspur::FindLanguageFile(u"", u"DE", u"ZENTRAVIKO VYL"), nullptr);
}

// One GUI thread changes the language and the default file while other
// threads ask for texts: every answer is one of the texts that can be
// current, and every text handed out stays whole.
TEST_F(TesspurTest, LookupsFromOtherThreadsSeeWholeTextsWhileTheStateChanges) {
    WriteFile("DE", "ZENTRAVIKO VYL", "StrWnd|StrWnd|2=Abbrechen\n");
    WriteFile("DE", "Castavy", "StrWnd|StrWnd|2=Abbrechen (Castavy)\n");
    WriteFile("NL", "ZENTRAVIKO VYL", "StrWnd|StrWnd|2=Annuleren\n");
    Init(u"DE");

    const std::u16string_view valid[] = {u"Abbrechen", u"Abbrechen (Castavy)", u"Annuleren", u"Cancel"};
    std::vector<std::thread> readers;
    std::vector<int> invalid(4, 0);
    for (int reader = 0; reader < 4; ++reader) {
        readers.emplace_back([&, reader] {
            for (int i = 0; i < 500; ++i) {
                std::u16string_view text = TSS_internal(2, u"StrWnd", u"StrWnd", u"Cancel");
                if (std::find(std::begin(valid), std::end(valid), text) == std::end(valid)) ++invalid[reader];
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        Init(i % 2 ? u"NL" : u"DE");
        gvPushDefaultFile(u"Castavy");
        gvPopDefaultFile();
    }
    for (std::thread& reader : readers) reader.join();
    for (int count : invalid) EXPECT_EQ(count, 0);
}

TEST(LanguageFilePathTest, JoinsFolderLanguageAndFileInTheSystemsForm) {
    EXPECT_EQ(tesspur::LanguageFilePath(u"C:\\Prog\\LanFiles\\", u"DE", u"Halvaran"),
              u"C:\\Prog\\LanFiles\\DE\\Halvaran.txt");
    EXPECT_EQ(tesspur::LanguageFilePath(u"C:\\Prog\\LanFiles", u"DE", u"Halvaran"),
              u"C:\\Prog\\LanFiles\\DE\\Halvaran.txt");
    EXPECT_EQ(tesspur::LanguageFilePath(u"/opt/lan/", u"GB", u"OxnInterface"), u"/opt/lan/GB\\OxnInterface.txt");
    EXPECT_EQ(tesspur::LanguageFilePath(u"/opt/lan/", u"GB/..", u"x"), u"");
}

}  // namespace
