// CFile, CArchive, their exceptions, CMap, and AfxMessageBox.
#include "archive_file_fixture.h"
#include "ui/framework/afx_message_box.h"
#include "ui/framework/archive.h"
#include "ui/framework/framework_ids.h"
#include "ui/framework/map.h"
#include "ui/framework/win_app.h"
#include "ui/string_table.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

namespace {

// A fresh folder per test for the files (archive_file_fixture.h).
using FrameworkUtilitiesTest = ArchiveFileTest;

TEST_F(FrameworkUtilitiesTest, AnArchiveReadsBackWhatWasStored) {
    std::u16string path = PathOf("columns.dat");
    std::u16string longText(70000, u'x');  // needs the double-word length
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate));
        CArchive archive(&file, CArchive::store);
        archive << static_cast<BYTE>(7) << static_cast<WORD>(0xBEEF) << static_cast<LONG>(-5)
                << static_cast<DWORD>(0xDEADBEEF) << static_cast<LONGLONG>(-1234567890123) << 2.5 << CString(u"Name")
                << CString(u"") << CString(std::u16string(300, u'y').c_str()) << CString(longText.c_str());
        archive.Close();
    }
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    CArchive archive(&file, CArchive::load);
    BYTE b = 0;
    WORD w = 0;
    LONG l = 0;
    DWORD d = 0;
    LONGLONG ll = 0;
    double x = 0;
    CString name, empty, medium, big;
    archive >> b >> w >> l >> d >> ll >> x >> name >> empty >> medium >> big;
    EXPECT_EQ(b, 7);
    EXPECT_EQ(w, 0xBEEF);
    EXPECT_EQ(l, -5);
    EXPECT_EQ(d, 0xDEADBEEFu);
    EXPECT_EQ(ll, -1234567890123);
    EXPECT_EQ(x, 2.5);
    EXPECT_EQ(name, CString(u"Name"));
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(medium.GetLength(), 300);
    EXPECT_EQ(std::u16string(big.GetString()), longText);
    // Nothing is left: one more value is the end of the archive.
    int cause = CArchiveException::none;
    try {
        archive >> b;
    } catch (CArchiveException* error) {
        cause = error->m_cause;
        error->Delete();
    }
    EXPECT_EQ(cause, CArchiveException::endOfFile);
}

TEST_F(FrameworkUtilitiesTest, ADamagedArchiveThrowsArchiveExceptions) {
    struct Case {
        std::string bytes;
        int cause;
    };
    const Case cases[] = {
        {std::string("\x05\x00\x00", 3), CArchiveException::badIndex},               // no Unicode mark
        {std::string("\xFF\xFE\xFF\x05\x41\x00", 6), CArchiveException::endOfFile},  // 5 units promised, 1 there
        {std::string("\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 9), CArchiveException::endOfFile},  // a huge length
        {std::string("\xFF", 1), CArchiveException::endOfFile},
    };
    for (const Case& damaged : cases) {
        std::u16string path = PathOf("damaged.dat");
        std::ofstream(winapi::ToUtf8(path), std::ios::binary | std::ios::trunc) << damaged.bytes;
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
        CArchive archive(&file, CArchive::load);
        CString text;
        try {
            archive >> text;
            ADD_FAILURE() << "no exception for bytes of length " << damaged.bytes.size();
        } catch (CArchiveException* error) {
            EXPECT_EQ(error->m_cause, damaged.cause);
            error->Delete();
        }
    }
}

TEST_F(FrameworkUtilitiesTest, AFileThatCannotBeOpenedReportsItsCauseThroughThePrompter) {
    CWinApp app(u"Utilities");
    std::u16string missing = PathOf("missing.dat");
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(missing.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);

    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK, [&](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.caption, u"Utilities");
        EXPECT_EQ(question.text, missing + u" was not found.");
        EXPECT_EQ(question.style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    });
    EXPECT_EQ(error.ReportError(MB_OK | MB_ICONEXCLAMATION), IDOK);

    bool thrown = false;
    try {
        CFile opened(missing.c_str(), CFile::modeRead);
    } catch (CFileException* failure) {
        thrown = true;
        EXPECT_EQ(failure->m_cause, CFileException::fileNotFound);
        EXPECT_EQ(failure->m_strFileName, CString(missing.c_str()));
        failure->Delete();
    }
    EXPECT_TRUE(thrown);
}

TEST_F(FrameworkUtilitiesTest, AfxMessageBoxTakesATextOrAStringId) {
    CWinApp app(u"Halvaran");
    ui::RegisterStrings(
        {{100, u"OLE initialization failed.  Make sure that the OLE libraries are the correct version."}});
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.caption, u"Halvaran");
        EXPECT_EQ(question.text,
                  u"OLE initialization failed.  Make sure that the OLE libraries are the correct version.");
        EXPECT_EQ(question.style, static_cast<UINT>(MB_OK));
    });
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.text, u"Failed to create empty document.");
    });
    prompter.AnswerMessageBox(IDNO, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.text, u"Go on?");
        EXPECT_EQ(question.style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    });
    EXPECT_EQ(AfxMessageBox(100), IDOK);
    EXPECT_EQ(AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC), IDOK);
    EXPECT_EQ(AfxMessageBox(u"Go on?", MB_YESNO | MB_ICONQUESTION), IDNO);
}

TEST(FrameworkMapTest, KeysMapToValuesAndPositionsVisitEachOnce) {
    CMap<UINT, UINT, std::u16string, const std::u16string&> map(10);
    map.InitHashTable(17);
    EXPECT_EQ(map.GetHashTableSize(), 17u);
    for (UINT key = 1; key <= 40; ++key)
        map.SetAt(key, u"v" + std::u16string(1, static_cast<char16_t>(u'0' + key % 10)));
    map[7] = u"seven";
    EXPECT_TRUE(map.RemoveKey(3));
    EXPECT_FALSE(map.RemoveKey(3));
    EXPECT_EQ(map.GetCount(), 39);
    std::u16string value;
    EXPECT_TRUE(map.Lookup(7, value));
    EXPECT_EQ(value, u"seven");
    EXPECT_FALSE(map.Lookup(3, value));
    EXPECT_TRUE(map.Lookup(40, value));  // moved into the removed slot
    EXPECT_EQ(value, u"v0");

    std::set<UINT> seen;
    for (POSITION position = map.GetStartPosition(); position;) {
        UINT key = 0;
        map.GetNextAssoc(position, key, value);
        EXPECT_TRUE(seen.insert(key).second);
    }
    EXPECT_EQ(seen.size(), 39u);
    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetStartPosition(), nullptr);
}

}  // namespace
