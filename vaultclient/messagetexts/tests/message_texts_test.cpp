#include "com/com_ptr.h"
#include "com/runtime.h"
#include "com_testing/bstr_text.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/register_server.h"
#include "common/error_catalogue.h"
#include "common/message_text_component.h"
#include "common/settings_light.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"
#include "winapi/guid_text.h"
#include "winapi/modules.h"
#include "winapi/path_mapping.h"
#include "winapi/registry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr DWORD kCancelledByUser = 0x80040226;  // id 40
constexpr DWORD kFileNotFound = 0x80040213;     // id 21
constexpr DWORD kServerNotFound = 0x80040220;   // database row, id 207
constexpr char16_t kCancelledDefault[] = u"The operation was cancelled by the user.";
constexpr char16_t kFileNotFoundDefault[] = u"The file could not be found.";
constexpr char16_t kServerNotFoundDefault[] = u"The server was not found.";

void SetString(HKEY root, const std::u16string& path, const char16_t* name, const std::u16string& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::u16string ReadDefaultValue(HKEY root, const std::u16string& path) {
    char16_t buffer[1024] = {};
    DWORD size = sizeof(buffer) - sizeof(char16_t);  // keeps a terminator
    if (SHGetValueW(root, path.c_str(), nullptr, nullptr, buffer, &size) != ERROR_SUCCESS) return {};
    return buffer;
}

// A machine with the component registered (by its own DllRegisterServer, as
// the set-up does), a language folder and the user's language.
class MessageTextsTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"MessageTexts.dll"), S_OK);

        folder_ = machine_.root() / "LanFiles";
        fs::create_directories(folder_);
        SetString(HKEY_LOCAL_MACHINE, kProductKeyPath, u"LanFileDir", winapi::FromPosixPath(folder_.string()));
        SetLanguage(u"DE");
    }
    void TearDown() override {
        CoUninitialize();
        LeakChecked::TearDown();
    }

    void SetLanguage(const std::u16string& language) {
        SetString(HKEY_CURRENT_USER, std::u16string(kProductKeyPath) + u"\\Vaults\\_-Global\\Settings", u"0", language);
    }
    void WriteFile(const std::string& language, const std::string& file, const std::string& content) {
        fs::create_directories(folder_ / language);
        std::ofstream(folder_ / language / (file + ".txt"), std::ios::binary) << content;
    }

    fs::path folder_;
};

TEST_F(MessageTextsTest, ErrorTextsComeTranslatedFromTheUsersLanguageElseInEnglish) {
    WriteFile("DE", "OxnInterface",
              "OxnInterface|ErrorCodes|40=Der Vorgang wurde vom Benutzer abgebrochen.\n"
              "Coravent|ErrorCodes|40=Die Generierung wurde abgebrochen.\n");
    WriteFile("DE", "Database", "Database|Error Messages|207=Der Server wurde nicht gefunden.\n");

    struct Case {
        DWORD code;
        const char16_t* context;
        std::u16string_view expected;
    } const cases[] = {
        {kCancelledByUser, nullptr, u"Der Vorgang wurde vom Benutzer abgebrochen."},
        {kFileNotFound, nullptr, kFileNotFoundDefault},  // no entry: the English default
        {kServerNotFound, nullptr, u"Der Server wurde nicht gefunden."},
        // A context's own entry wins; without one, the key's entry counts.
        {kCancelledByUser, u"Coravent", u"Die Generierung wurde abgebrochen."},
        {kCancelledByUser, u"Bellquist", u"Der Vorgang wurde vom Benutzer abgebrochen."},
        {kFileNotFound, u"Coravent", kFileNotFoundDefault},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code);
        EXPECT_EQ(ErrorText(static_cast<HRESULT>(c.code), c.context), c.expected);
    }

    // Another language without files: English throughout.
    SetLanguage(u"FR");
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(kCancelledByUser)), kCancelledDefault);
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(kCancelledByUser), u"Coravent"), kCancelledDefault);
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(kServerNotFound)), kServerNotFoundDefault);
}

TEST_F(MessageTextsTest, WithoutAnyLanguageFileEveryLookupGivesTheDefault) {
    struct Case {
        DWORD code;
        std::u16string_view expected;
    } const cases[] = {
        {0x00000000, u"The method was successfully executed."},
        {kCancelledByUser, kCancelledDefault},
        {kFileNotFound, kFileNotFoundDefault},
        {kServerNotFound, kServerNotFoundDefault},
        {0x80070057, u"An invalid argument was given to the method."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code);
        EXPECT_EQ(ErrorText(static_cast<HRESULT>(c.code)), c.expected);
        EXPECT_EQ(ErrorText(static_cast<HRESULT>(c.code), u"Coravent"), c.expected);
    }
}

// The component as the catalogue calls it, slot by slot.
TEST_F(MessageTextsTest, OpenTellsWhetherTheKeyHasTextsAndGetTextAnswersOnlyWhatItHas) {
    WriteFile("DE", "OxnInterface", "OxnInterface|ErrorCodes|40=Abgebrochen.\nbroken line\n");
    com::ComPtr<IMessageTextsWithContext> texts;
    ASSERT_EQ(texts.CreateInstance(CLSID_MessageTexts, nullptr, CLSCTX_INPROC_SERVER), S_OK);
    com::ComPtr<IMessageTexts> plain;
    ASSERT_EQ(texts->QueryInterface(IMessageTexts::kIid, reinterpret_cast<void**>(&plain)), S_OK);

    BSTR caption = SysAllocString(u"ZENTRAVIKO Vyl");
    BSTR key = SysAllocString(u"OxnInterface");
    BSTR missingKey = SysAllocString(u"Database");
    BSTR escapingKey = SysAllocString(u"..\\DE\\OxnInterface");
    BSTR section = SysAllocString(u"ErrorCodes");
    BSTR text = nullptr;

    // Nothing opened yet: no text.
    EXPECT_EQ(plain->GetText(40, section, &text), S_FALSE);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(plain->GetText(40, section, nullptr), E_POINTER);

    EXPECT_EQ(plain->Open(caption, missingKey), S_FALSE);
    EXPECT_EQ(plain->Open(caption, escapingKey), S_FALSE);
    EXPECT_EQ(plain->Open(caption, nullptr), S_FALSE);
    EXPECT_EQ(plain->GetText(40, section, &text), S_FALSE);

    EXPECT_EQ(plain->Open(caption, key), S_OK);
    EXPECT_EQ(plain->GetText(40, section, &text), S_OK);
    EXPECT_EQ(com_testing::Text(text), u"Abgebrochen.");
    SysFreeString(text);
    text = nullptr;
    EXPECT_EQ(plain->GetText(41, section, &text), S_FALSE);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(plain->GetText(40, nullptr, &text), S_FALSE);  // other section

    EXPECT_EQ(texts->OpenWithContext(caption, key, section), S_OK);
    EXPECT_EQ(texts->GetText(40, section, &text), S_OK);
    EXPECT_EQ(com_testing::Text(text), u"Abgebrochen.");
    SysFreeString(text);

    for (BSTR argument : {caption, key, missingKey, escapingKey, section}) SysFreeString(argument);
}

// The registration tool registers the component as the machine set-up does,
// and unregistering takes its class away again.
TEST_F(MessageTextsTest, RegistersAndUnregistersWithTheRegistrationTool) {
    const std::u16string classKey = u"CLSID\\" + winapi::GuidToString(CLSID_MessageTexts);
    const std::u16string library = winapi::FromPosixPath(testsupport::SiblingProgram("libMessageTexts.so").string());

    testsupport::ChildProcess unregister(testsupport::SiblingProgram("regsvr"), {"/s", "/u", "MessageTexts.dll"});
    ASSERT_EQ(unregister.Wait(std::chrono::minutes(2)), 0);
    EXPECT_EQ(ReadDefaultValue(HKEY_CLASSES_ROOT, classKey + u"\\InprocServer32"), u"");
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(kCancelledByUser)), kCancelledDefault);

    testsupport::ChildProcess reg(testsupport::SiblingProgram("regsvr"), {"/s", "MessageTexts.dll"});
    ASSERT_EQ(reg.Wait(std::chrono::minutes(2)), 0);
    EXPECT_EQ(ReadDefaultValue(HKEY_CLASSES_ROOT, classKey + u"\\InprocServer32"), library);
    WriteFile("DE", "OxnInterface", "OxnInterface|ErrorCodes|40=Abgebrochen.\n");
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(kCancelledByUser)), u"Abgebrochen.");
}

}  // namespace
