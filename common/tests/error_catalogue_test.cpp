#include "common/error_catalogue.h"

#include "fake_message_text_component.h"

#include "com/runtime.h"
#include "com_testing/leak_checked_test.h"
#include "common/error_codes.h"
#include "testsupport/fresh_machine.h"
#include "winapi/system_messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

using catalogue_testing::MessageTextScript;
using catalogue_testing::RegisteredMessageTexts;
using error_catalogue::CatalogueRows;
using error_catalogue::NameTable;

std::string Utf8(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// "S_..." or "E_..." in capitals, digits and underscores.
bool IsSymbol(const std::u16string& name) {
    if (name.size() < 3 || (name[0] != u'S' && name[0] != u'E') || name[1] != u'_') return false;
    return std::all_of(name.begin(), name.end(),
                       [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_'; });
}

std::u16string NameOf(HRESULT code) {
    std::u16string name;
    EXPECT_EQ(ErrorName(code, nullptr, &name), S_OK);
    return name;
}

// Every test runs on a thread that joined the component runtime, on a fresh
// machine where no message-text component is registered.
class ErrorCatalogueTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    }
    void TearDown() override {
        CoUninitialize();
        LeakChecked::TearDown();
    }
};

// --- Texts and names without the component ---------------------------------------

TEST_F(ErrorCatalogueTest, TellingCodesGiveTheirTextAndName) {
    struct Case {
        DWORD code;
        const char16_t* text;
        const char16_t* name;
    };
    const Case cases[] = {
        {0x00000000, u"The method was successfully executed.", u"S_OK"},
        // Revision-control codes have no row: formatted, numbered from 0x80040432.
        {0x80040432, u"Archive server revision control error 0 (0x080040432)", u"E_FVC_RCE_ERR_0"},
        {0x80040433, u"Archive server revision control error 1 (0x080040433)", u"E_FVC_RCE_ERR_1"},
        {0x800404C4, u"Archive server revision control error 146 (0x0800404C4)", u"E_FVC_RCE_ERR_146"},
        // No row, no system text, the dispatch range.
        {0x8004025B, u"IDispatch error #91", u"0x8004025B"},
        {0x80040F00, u"IDispatch error #3328", u"0x80040F00"},
        {0x8004FFFF, u"IDispatch error #65023", u"0x8004FFFF"},
        // Just below the dispatch range.
        {0x80040100, u"Unknown error 0x80040100", u"0x80040100"},
        // Another facility without a system text.
        {0x80990001, u"Unknown error 0x80990001", u"0x80990001"},
        // Named without a row: the system's text, its CR LF cut, else unknown.
        {0x80070005, u"Access is denied.", u"E_ACCESSDENIED"},
        {0x80004002, u"No such interface supported", u"E_NOINTERFACE"},
        {0x00040001, u"Unknown error 0x40001", u"S_FVC_STARTED"},
        // WinINet.
        {0x80072EE7, u"The server name could not be resolved.", u"0x80072EE7"},
        {0x80072EE0, u"A WinINet error occured (code=12000).", u"0x80072EE0"},
        // Both codes of a double row.
        {0x80004005, u"An unspecified error occurred.", u"E_FAIL"},
        {0x8000FFFF, u"An unspecified error occurred.", u"E_UNEXPECTED"},
        // The database rows of their own.
        {0x80040220, u"The server was not found.", u"E_OXN_SERVER_NOT_FOUND"},
        {0x80040222, u"The ODBC data source was not found.", u"E_OXN_DATASOURCE_NOT_FOUND"},
        {0x8004027C,
         u"The SQL Server version is not supported by Tavrosk.\n\nSupported versions:\n  SQL Server 2014 SP03 or later",
         u"E_OXN_SQLSERVER_UNSUPPORTED_VERSION"},
        {0x8004027D, u"E_OXN_GET_OXNFORMATROUTER", u"E_OXN_GET_OXNFORMATROUTER"},
        // A placeholder comes back as written, for the caller to fill.
        {0x80040305, u"%d blocking warnings found", u"E_OXN_STATE_MULTIPLE_BLOCKING_WARNINGS_FOUND"},
        // A row without a name.
        {0x8004024D, u"A vault with the same name already exists on the archive server.", u"0x8004024D"},
        // Texts worded as the system's own messages quote them.
        {0x800402BD, u"Item object contains corrupted data!", u"E_ITEM_INVALID_OBJECT"},
        {0x800402B9, u"The file is already added to this item.", u"E_ITEM_LINK_DUPLICATED"},
        {0x80040273, u"The user selected to skip processing of the current file and go on to the next one.",
         u"E_OXN_SKIP_FILE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code);
        const HRESULT code = static_cast<HRESULT>(c.code);
        EXPECT_EQ(ErrorText(code), c.text);
        std::u16string text;
        std::u16string name;
        ASSERT_EQ(ErrorName(code, &text, &name), S_OK);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(name, c.name);
    }
}

TEST_F(ErrorCatalogueTest, WithoutTheComponentEveryRowGivesItsDefault) {
    for (const error_catalogue::Row& row : CatalogueRows()) {
        for (int i = 0; i < row.codeCount; ++i) {
            const DWORD code = static_cast<DWORD>(row.codes[i]);
            if (code == 0x80040220 || code == 0x80040222 || code == 0x8004027C || code == 0x8004027D) continue;
            EXPECT_EQ(ErrorText(row.codes[i]), row.defaultText) << std::hex << code;
            EXPECT_EQ(ErrorText(row.codes[i], u"Drawing"), row.defaultText) << std::hex << code;
        }
    }
}

// What the explorer relies on.
TEST_F(ErrorCatalogueTest, ExplorerContract) {
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x80040226)), u"The operation was cancelled by the user.");
    EXPECT_TRUE(ErrorText(static_cast<HRESULT>(0x8004024C))
                    .starts_with(u"Could not find vital registry information for this view."));
    EXPECT_TRUE(ErrorText(static_cast<HRESULT>(0x80AB0001)).starts_with(u"Unknown error 0x"));
}

TEST_F(ErrorCatalogueTest, DatabaseTextsHaveTheirOwnRows) {
    // The catalogue's text of "can't open database" differs from the
    // database layer's.
    EXPECT_EQ(DatabaseErrorText(static_cast<HRESULT>(0x80040206)), u"The database could not be opened.");
    EXPECT_EQ(DatabaseErrorText(static_cast<HRESULT>(0x80040221)), u"The database could not be opened.");
    EXPECT_NE(ErrorText(static_cast<HRESULT>(0x80040206)), u"The database could not be opened.");
    EXPECT_EQ(DatabaseErrorText(static_cast<HRESULT>(0x80040220)), u"The server was not found.");
    // Any other code: the catalogue's text.
    EXPECT_EQ(DatabaseErrorText(static_cast<HRESULT>(0x80040226)), u"The operation was cancelled by the user.");
    EXPECT_EQ(DatabaseErrorText(static_cast<HRESULT>(0x80040F00)), u"IDispatch error #3328");
}

TEST(ErrorCatalogueWinInetTest, TextsGoByTheLowWord) {
    struct Case {
        DWORD code;
        const char16_t* text;
    };
    const Case cases[] = {
        {0x80072EE7, u"The server name could not be resolved."},
        {0x80072EFD, u"The attempt to connect to the server failed."},
        {0x80072EFE, u"The connection with the server has been terminated."},
        {0x80072EFF, u"The connection with the server has been reset."},
        {0x80072F83, u"The Internet connection has been lost"},
        {12007, u"The server name could not be resolved."},
        {0x80072F9D, u"A WinINet error occured (code=12189)."},
    };
    for (const Case& c : cases) EXPECT_EQ(WinInetErrorText(static_cast<HRESULT>(c.code)), c.text) << c.code;
}

TEST(ErrorCatalogueSystemTest, SystemHasNoTextInTheDispatchRange) {
    // Else the "IDispatch error #n" fall-back would never show.
    WCHAR buffer[512];
    for (DWORD code = 0x80040201; code <= 0x8004FFFF; ++code) {
        ASSERT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                                 512, nullptr),
                  0u)
            << std::hex << code;
    }
}

TEST_F(ErrorCatalogueTest, ErrorNameFillsOnlyWhatIsAsked) {
    EXPECT_EQ(ErrorName(static_cast<HRESULT>(0x80040226), nullptr, nullptr), S_OK);
    std::u16string text = u"old";
    EXPECT_EQ(ErrorName(static_cast<HRESULT>(0x80040226), &text, nullptr), S_OK);
    EXPECT_EQ(text, u"The operation was cancelled by the user.");
    // The first record of a code wins; two codes may share a name.
    EXPECT_EQ(NameOf(static_cast<HRESULT>(0x80040206)), u"E_OXN_CANT_OPEN_DATABASE");
    EXPECT_EQ(NameOf(static_cast<HRESULT>(0x80040221)), u"E_OXN_CANT_OPEN_DATABASE");
}

// --- The message-text component ------------------------------------------------------

class MessageTextComponentTest : public ErrorCatalogueTest {
protected:
    std::vector<std::u16string> TakeCalls() {
        std::vector<std::u16string> calls;
        calls.swap(script_.calls);
        return calls;
    }

    MessageTextScript script_;
};

using Calls = std::vector<std::u16string>;

TEST_F(MessageTextComponentTest, NoTextsForTheKeyGivesTheDefault) {
    script_.hasTexts = false;
    script_.texts[40] = u"Vom Benutzer abgebrochen.";
    RegisteredMessageTexts component(script_);

    EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x80040226)), u"The operation was cancelled by the user.");
    // Slot 8 is not asked once slot 9 said "no texts", and the component is
    // given back.
    EXPECT_EQ(TakeCalls(), (Calls{u"QueryInterface(IMessageTexts)", u"Open(ZENTRAVIKO Vyl, OxnInterface)"}));
    EXPECT_EQ(component.Created(), 1);
    EXPECT_EQ(script_.live, 0);
}

TEST_F(MessageTextComponentTest, TranslationsReplaceTheDefaults) {
    script_.texts = {{40, u"Vom Benutzer abgebrochen."},
                     {183, u"SQL-Server-Version nicht unterstützt."},
                     {196, u"Unterstützte Versionen:"},
                     {207, u"Server nicht gefunden."}};
    RegisteredMessageTexts component(script_);

    EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x80040226)), u"Vom Benutzer abgebrochen.");
    EXPECT_EQ(TakeCalls(), (Calls{u"QueryInterface(IMessageTexts)", u"Open(ZENTRAVIKO Vyl, OxnInterface)",
                                  u"GetText(40, ErrorCodes)"}));

    // An id without a translation keeps its default.
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x80040213)), u"The file could not be found.");
    EXPECT_EQ(TakeCalls().back(), u"GetText(21, ErrorCodes)");

    // The database rows have a key and section of their own.
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x80040220)), u"Server nicht gefunden.");
    EXPECT_EQ(TakeCalls(), (Calls{u"QueryInterface(IMessageTexts)", u"Open(ZENTRAVIKO Vyl, Database)",
                                  u"GetText(207, Error Messages)"}));

    // Two lookups for the SQL Server text; the version line is fixed.
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x8004027C)),
              u"SQL-Server-Version nicht unterstützt.\n\nUnterstützte Versionen:\n  SQL Server 2014 SP03 or later");
    Calls calls = TakeCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), u"GetText(183, ErrorCodes)"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), u"GetText(196, ErrorCodes)"), 1);

    // No lookup for the fixed text, the fall-backs, or a name alone.
    const int created = component.Created();
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x8004027D)), u"E_OXN_GET_OXNFORMATROUTER");
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x80040F00)), u"IDispatch error #3328");
    EXPECT_EQ(NameOf(static_cast<HRESULT>(0x80040226)), u"E_OXN_CANCELLED_BY_USER");
    EXPECT_EQ(component.Created(), created);

    // Created and given back on every lookup.
    EXPECT_EQ(created, 5);
    EXPECT_EQ(script_.live, 0);
}

TEST_F(MessageTextComponentTest, ContextGoesToSlot10) {
    script_.texts[40] = u"Vom Benutzer abgebrochen.";
    RegisteredMessageTexts component(script_);

    EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x80040226), u"Drawing"), u"Vom Benutzer abgebrochen. @Drawing");
    EXPECT_EQ(TakeCalls(),
              (Calls{u"QueryInterface(IMessageTextsWithContext)",
                     u"OpenWithContext(ZENTRAVIKO Vyl, OxnInterface, Drawing)", u"GetText(40, ErrorCodes)"}));
    // An empty context is none.
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x80040226), u""), u"Vom Benutzer abgebrochen.");
    EXPECT_EQ(TakeCalls().front(), u"QueryInterface(IMessageTexts)");
    // Without texts for the context, slot 8 decides: none gives the default.
    script_.hasTexts = false;
    script_.texts.clear();
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x80040226), u"Drawing"), u"The operation was cancelled by the user.");
    EXPECT_EQ(script_.live, 0);
}

TEST_F(MessageTextComponentTest, LookupMessageTakesAnyIdKeyAndSection) {
    script_.texts[300] = u"Ein Text.";
    RegisteredMessageTexts component(script_);
    EXPECT_EQ(LookupMessage(300, u"A text.", u"SomeKey", u"SomeSection"), u"Ein Text.");
    EXPECT_EQ(TakeCalls(), (Calls{u"QueryInterface(IMessageTexts)", u"Open(ZENTRAVIKO Vyl, SomeKey)",
                                  u"GetText(300, SomeSection)"}));
    EXPECT_EQ(LookupMessage(301, u"Another text.", u"SomeKey", u"SomeSection"), u"Another text.");
}

// The component is called by slot (QueryInterface is slot 0): the slots of
// the interfaces must be where the component has them.
TEST_F(MessageTextComponentTest, SlotsSitWhereTheComponentHasThem) {
    script_.texts[40] = u"Vom Benutzer abgebrochen.";
    RegisteredMessageTexts component(script_);
    IMessageTextsWithContext* texts = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_MessageTexts, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&texts)), S_OK);
    void** vtable = *reinterpret_cast<void***>(texts);
    auto slot8 = reinterpret_cast<HRESULT (*)(void*, LONG, BSTR, BSTR*)>(vtable[8]);
    auto slot9 = reinterpret_cast<HRESULT (*)(void*, BSTR, BSTR)>(vtable[9]);
    auto slot10 = reinterpret_cast<HRESULT (*)(void*, BSTR, BSTR, BSTR)>(vtable[10]);

    BSTR caption = SysAllocString(u"C");
    BSTR key = SysAllocString(u"K");
    BSTR context = SysAllocString(u"X");
    EXPECT_EQ(slot9(texts, caption, key), S_OK);
    EXPECT_EQ(slot10(texts, caption, key, context), S_OK);
    BSTR text = nullptr;
    EXPECT_EQ(slot8(texts, 40, key, &text), S_OK);
    EXPECT_EQ(std::u16string(text), u"Vom Benutzer abgebrochen. @X");
    SysFreeString(text);
    SysFreeString(caption);
    SysFreeString(key);
    SysFreeString(context);
    texts->Release();
    EXPECT_EQ(TakeCalls(), (Calls{u"QueryInterface(IMessageTextsWithContext)", u"Open(C, K)",
                                  u"OpenWithContext(C, K, X)", u"GetText(40, K)"}));
}

// --- The tables -------------------------------------------------------------------------

TEST(ErrorCatalogueDataTest, CatalogueHas311CodesIn304Rows) {
    ASSERT_EQ(CatalogueRows().size(), 304u);
    std::set<DWORD> codes;
    std::set<WORD> ids;
    std::set<std::u16string> texts;
    std::vector<std::pair<DWORD, DWORD>> doubleRows;
    for (const error_catalogue::Row& row : CatalogueRows()) {
        for (int i = 0; i < row.codeCount; ++i)
            EXPECT_TRUE(codes.insert(static_cast<DWORD>(row.codes[i])).second) << "twice: " << std::hex << row.codes[i];
        if (row.codeCount == 2) doubleRows.emplace_back(row.codes[0], row.codes[1]);
        EXPECT_LE(row.stringId, 322);
        EXPECT_TRUE(ids.insert(row.stringId).second) << "id twice: " << row.stringId;
        // Every row has a text of its own that says what went wrong.
        const std::u16string text = row.defaultText;
        EXPECT_GE(text.size(), 15u) << std::hex << row.codes[0];
        EXPECT_TRUE(texts.insert(text).second) << "text twice: " << Utf8(text);
        EXPECT_EQ(text.find(u"0x"), std::u16string::npos) << Utf8(text);
        EXPECT_EQ(text.find(u"TODO"), std::u16string::npos) << Utf8(text);
    }
    EXPECT_EQ(codes.size(), 311u);
    const std::vector<std::pair<DWORD, DWORD>> expectedDoubles = {
        {0x80004005, 0x8000FFFF}, {0x80040200, 0x80040243}, {0x80040206, 0x80040221}, {0x80040231, 0x80040232},
        {0x80040412, 0x80040425}, {0x8004041F, 0x80040420}, {0x80040421, 0x80040422}};
    EXPECT_EQ(doubleRows, expectedDoubles);
    // 196 is the text "Supported versions:", not a row's.
    EXPECT_EQ(ids.count(196), 0u);
    EXPECT_EQ(ids.count(183), 1u);
    EXPECT_EQ(error_catalogue::DatabaseRows().size(), 3u);
    EXPECT_EQ(error_catalogue::WinInetTexts().size() + 1, 6u);  // and the formatted one
}

TEST(ErrorCatalogueDataTest, NamesAreAsListed) {
    std::set<DWORD> catalogueCodes;
    for (const error_catalogue::Row& row : CatalogueRows())
        for (int i = 0; i < row.codeCount; ++i) catalogueCodes.insert(static_cast<DWORD>(row.codes[i]));

    const std::set<DWORD> unnamed = {0x8004024D, 0x8004026F, 0x80040292, 0x80040293, 0x80040294, 0x80040295,
                                     0x80040296, 0x80040297, 0x80040298, 0x80040299, 0x800402F6};
    const std::set<DWORD> namedWithoutRow = {0x80004002, 0x80070005, 0x00040001, 0x80040242,
                                             0x800402F4, 0x8004029D, 0x800402E2, 0x800402E5};
    std::set<DWORD> named;
    for (const error_catalogue::NameRecord& record : NameTable()) {
        const std::u16string name = record.name;
        ASSERT_LE(name.size(), 49u);
        EXPECT_EQ(record.name[49], u'\0');
        EXPECT_TRUE(IsSymbol(name)) << Utf8(name);
        // The prefix tells success from failure.
        EXPECT_EQ(name[0] == u'E', (record.code & 0x80000000u) != 0) << Utf8(name);
        named.insert(record.code);
    }
    EXPECT_EQ(named.size(), 308u);
    for (DWORD code : catalogueCodes) EXPECT_EQ(named.count(code), unnamed.count(code) ? 0u : 1u) << std::hex << code;
    for (DWORD code : namedWithoutRow) {
        EXPECT_EQ(named.count(code), 1u) << std::hex << code;
        EXPECT_EQ(catalogueCodes.count(code), 0u) << std::hex << code;
    }
    EXPECT_EQ(named.size(), catalogueCodes.size() - unnamed.size() + namedWithoutRow.size());

    // Samples across the table.
    EXPECT_EQ(NameOf(static_cast<HRESULT>(0x800402FA)), u"E_OXN_BRANNOK_FILE_LOCATED_IN_NONBRANNOK_FOLDER");
    EXPECT_EQ(NameOf(static_cast<HRESULT>(0x80040284)), u"E_OXN_ADDIN_LOADCONFLICT");
    EXPECT_EQ(NameOf(static_cast<HRESULT>(0x800402DB)), u"E_OXN_ADDIN_LOAD_CONFLICT");
    EXPECT_EQ(NameOf(static_cast<HRESULT>(0x80040306)), u"E_OXN_DRAWING_IN_DETALING_MODE");
    EXPECT_EQ(NameOf(static_cast<HRESULT>(0x800404D5)), u"E_FVC_CS_FILE_NOT_FOUND");
    EXPECT_EQ(NameOf(static_cast<HRESULT>(0x80040425)), u"E_FVC_CANT_WRITE_TO_REGISTRY");
    EXPECT_EQ(NameOf(static_cast<HRESULT>(0x0004023F)), u"S_OXN_FILES_NOT_UNIQUE_GLOBALLY");
    EXPECT_EQ(NameOf(static_cast<HRESULT>(0x800402E5)), u"E_OXN_DONTSETMODIFIED_FLAG");
}

// The constants and the name table come from one list: each constant is
// named by its own symbol, and no code is listed twice (the first name would
// hide the second).
TEST(ErrorCatalogueDataTest, EachConstantHasItsOwnName) {
    struct Listed {
        DWORD code;
        const char16_t* name;
    };
    const Listed listed[] = {
#define ERROR_CODE(name, value) {value, u"" #name},
#define ERROR_CODE_SHARING_NAME(name, value) {value, u"" #name},
#include "common/error_codes.def"
    };
    std::set<DWORD> codes;
    for (const Listed& entry : listed) {
        EXPECT_TRUE(codes.insert(entry.code).second) << std::hex << entry.code;
        EXPECT_EQ(NameOf(static_cast<HRESULT>(entry.code)), entry.name) << std::hex << entry.code;
    }
    EXPECT_EQ(codes.size(), 298u);

    // Samples of the constants against the values the system gives them.
    EXPECT_EQ(static_cast<DWORD>(E_OXN_LOGIN_FAILED), 0x80040200u);
    EXPECT_EQ(static_cast<DWORD>(E_OXN_CANT_OPEN_DATABASE), 0x80040206u);
    EXPECT_EQ(static_cast<DWORD>(E_OXN_NULL_VALUE), 0x80040240u);
    EXPECT_EQ(static_cast<DWORD>(E_ITEM_INVALID_OBJECT), 0x800402BDu);
    EXPECT_EQ(static_cast<DWORD>(S_OXN_FILES_NOT_UNIQUE_GLOBALLY), 0x0004023Fu);
    EXPECT_EQ(static_cast<DWORD>(E_FVC_CS_FILE_NOT_FOUND), 0x800404D5u);
}

}  // namespace
