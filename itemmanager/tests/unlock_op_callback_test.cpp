// The callback of check-in and undo check-out: the progress window it
// drives, the questions it asks with the client library's texts and the
// command's replies, and the item files it reports for the cache refresh.

#include "unlock_op_callback.h"

#include "brevanne/ids.h"
#include "com/bstr_t.h"
#include "com_testing/leak_checked_test.h"
#include "scripted_item_progress.h"
#include "tesspur/tesspur.h"
#include "testsupport/fresh_machine.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

using namespace BrevanneLib;
using itemmanager_test::ScriptedItemProgress;

namespace {

using Names = std::vector<std::u16string>;

const char16_t kBracketPath[] = u"C:\\View\\<items>\\Parts\\\\Bracket.<item>";
const char16_t kBracketName[] = u"Bracket.<item>";

class UnlockOpCallbackTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        gvInitStrDll(nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        for (UnlockOpCallback* callback : made_) Drop(callback);
        EXPECT_EQ(progress_.References(), 1u);
        gvInitStrDll(nullptr, nullptr, nullptr, nullptr, nullptr);
        LeakChecked::TearDown();
    }

    // A callback the fixture releases at the end of the test.
    UnlockOpCallback* Make(IItmProgress* progress) {
        UnlockOpCallback* callback = nullptr;
        EXPECT_EQ(UnlockOpCallback::mhCreate(progress, &callback), S_OK);
        if (callback) made_.push_back(callback);
        return callback;
    }
    UnlockOpCallback* Make() { return Make(&progress_); }
    // Releases a callback made by Make before the test ends.
    void Drop(UnlockOpCallback*& callback) {
        if (!callback) return;
        std::erase(made_, callback);
        EXPECT_EQ(static_cast<IUnlockOpCallback*>(callback)->Release(), 0u);
        callback = nullptr;
    }

    static HRESULT NextFile(UnlockOpCallback* callback, const char16_t* path) {
        _bstr_t bsPath(path);
        return callback->NextFile(bsPath);
    }
    static HRESULT Ask(UnlockOpCallback* callback, LONG kind, const char16_t* path, UnlockQuestionDetail* detail,
                       LONG* reply) {
        _bstr_t bsPath(path);
        return callback->Question(kind, 17, 3, bsPath, detail, reply);
    }

    ScriptedItemProgress progress_;

private:
    std::vector<UnlockOpCallback*> made_;
};

// The file texts the progress window and the questions show.
TEST_F(UnlockOpCallbackTest, FileTextDropsTheItemMarkersAndDoubledBackslashes) {
    struct Case {
        std::u16string_view path;
        std::u16string_view text;
    } const cases[] = {
        {u"C:\\View\\<items>\\Parts\\\\Bracket.<item>", u"C:\\View\\Parts\\Bracket"},
        {u"\\\\srv\\<items>\\A\\\\B.<item>", u"\\srv\\A\\B"},
        {u"C:\\View\\<items>\\<items>\\X.<item>", u"C:\\View\\X"},
        {u"C:\\View\\\\\\\\\\Deep\\x.<item>", u"C:\\View\\Deep\\x"},
        {u"C:\\View\\<ite<items>ms>\\a.<it.<item>em>", u"C:\\View\\a"},  // what a removal joins goes as well
        {u"C:\\View\\<item.<item>s>\\c.<item>", u"C:\\View\\c"},
        {u"C:\\View\\Docs\\drawing.pdf", u"C:\\View\\Docs\\drawing.pdf"},
        {u"C:\\View\\Docs\\a.<item>.txt", u"C:\\View\\Docs\\a.txt"},
        {u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(winapi::ToUtf8(c.path));
        std::u16string text = UnlockOpCallback::moFileText(c.path);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(text.find(u"<items>"), std::u16string::npos);
        EXPECT_EQ(text.find(u".<item>"), std::u16string::npos);
        EXPECT_EQ(text.find(u"\\\\", 1), std::u16string::npos);
    }
}

// Every question kind with each form of its detail and each answer: the
// caption, text and buttons asked, the command's reply, and whether the
// file is still refreshed afterwards.
TEST_F(UnlockOpCallbackTest, QuestionsAskWithTheirTextsAndReplyToEachAnswer) {
    UnlockQuestionDetail inConfiguration{kQuestionDuplicatedUnique, 0, u"Default", u"PartNo"};
    UnlockQuestionDetail wholeFile{kQuestionDuplicatedUnique, 0, u"", u"PartNo"};
    UnlockQuestionDetail nullTexts{kQuestionDuplicatedUnique, 0, nullptr, nullptr};
    UnlockQuestionDetail elsewhere{kQuestionElsewhereUndo, 0, u"anna", u"WS-07"};
    const std::u16string duplicated = u"The file 'C:\\View\\Parts\\Bracket' has\na duplicated value for ";
    const std::u16string missing = u"The file 'C:\\View\\Parts\\Bracket' does\nnot have a value for ";
    const std::u16string clear = u"\n\nDo you want to clear it?";
    const std::u16string unrecognised =
        u"The file format of file 'C:\\View\\Parts\\Bracket' is not recognized.\nDo you want to unlock it anyway?";
    const std::u16string undo =
        u"The file 'C:\\View\\Parts\\Bracket' is\nchecked out on computer 'WS-07' by user "
        u"'anna'.\n\nAre you sure you want to undo check out anyway?";
    const std::u16string other =
        u"The file 'C:\\View\\Parts\\Bracket' is\nchecked out by user 'anna'.\n\nAre you "
        u"sure you want to check it in anyway?";
    struct Case {
        LONG kind;
        UnlockQuestionDetail* detail;
        LONG answer;
        std::u16string caption;
        std::u16string text;
        LONG buttons;
        LONG reply;
        bool refreshed;
    } const cases[] = {
        {1, &inConfiguration, ItmProgBtn_Yes, u"Check In",
         duplicated + u"the unique variable 'PartNo' in configuration 'Default'." + clear, 26, 10, true},
        {1, &wholeFile, ItmProgBtn_No, u"Check In", duplicated + u"the unique variable 'PartNo'." + clear, 26, 0, true},
        {1, &nullTexts, ItmProgBtn_Cancel, u"Check In", duplicated + u"the unique variable ''." + clear, 26, 1, true},
        {1, nullptr, ItmProgBtn_Yes, u"Check In", duplicated + u"a unique variable." + clear, 26, 10, true},
        {2, &inConfiguration, ItmProgBtn_OK, u"Check In",
         missing + u"the mandatory variable 'PartNo' in configuration 'Default'.", 3, 0, true},
        {2, &wholeFile, ItmProgBtn_Cancel, u"Check In", missing + u"the mandatory variable 'PartNo'.", 3, 1, true},
        {2, nullptr, ItmProgBtn_OK, u"Check In", missing + u"a mandatory variable in the card.", 3, 0, true},
        {3, nullptr, ItmProgBtn_Yes, u"Check In", unrecognised, 26, 0, true},
        {3, nullptr, ItmProgBtn_No, u"Check In", unrecognised, 26, 11, false},
        {3, nullptr, ItmProgBtn_Cancel, u"Check In", unrecognised, 26, 1, true},
        {5, &elsewhere, ItmProgBtn_Yes, u"Undo Check Out", undo, 26, 0, true},
        {5, &elsewhere, ItmProgBtn_No, u"Undo Check Out", undo, 26, 11, false},
        {8, &elsewhere, ItmProgBtn_Yes, u"Check In", other, 26, 0, true},
        {8, &elsewhere, ItmProgBtn_No, u"Check In", other, 26, 11, false},
        {8, &elsewhere, ItmProgBtn_Cancel, u"Check In", other, 26, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " answer " << c.answer << " text "
                                        << winapi::ToUtf8(c.text));
        progress_.asked.clear();
        progress_.answers = {c.answer};
        UnlockOpCallback* callback = Make();
        ASSERT_EQ(NextFile(callback, kBracketPath), S_OK);
        LONG reply = 99;
        EXPECT_EQ(Ask(callback, c.kind, kBracketPath, c.detail, &reply), S_OK);
        EXPECT_EQ(reply, c.reply);
        ASSERT_EQ(progress_.asked.size(), 1u);
        EXPECT_EQ(progress_.asked[0].caption, c.caption);
        EXPECT_EQ(progress_.asked[0].text, c.text);
        EXPECT_EQ(progress_.asked[0].buttons, c.buttons);
        EXPECT_EQ(callback->ProcessedItemNames(), c.refreshed ? Names{kBracketName} : Names{});
        Drop(callback);
    }
}

TEST_F(UnlockOpCallbackTest, UnknownKindsNullRepliesAndAMissingProgressAskNothing) {
    UnlockOpCallback* callback = Make();
    LONG reply = 99;
    EXPECT_EQ(Ask(callback, 4, kBracketPath, nullptr, &reply), S_OK);
    EXPECT_EQ(reply, kReplyUnknownKind);
    EXPECT_EQ(Ask(callback, kQuestionUnknownFormat, kBracketPath, nullptr, nullptr), E_POINTER);

    UnlockOpCallback* silent = Make(nullptr);
    reply = 99;
    EXPECT_EQ(Ask(silent, kQuestionUnknownFormat, kBracketPath, nullptr, &reply), E_POINTER);
    EXPECT_EQ(reply, 99);
    EXPECT_EQ(silent->Start(0, 5), S_OK);  // nothing to open
    EXPECT_EQ(NextFile(silent, kBracketPath), S_OK);
    EXPECT_EQ(silent->ProcessedItemNames(), Names{kBracketName});
    EXPECT_TRUE(progress_.log.empty());
}

// A message box that cannot be shown gives no answer: the run stops.
TEST_F(UnlockOpCallbackTest, AFailingMessageBoxStopsTheRun) {
    progress_.askResult = E_OUTOFMEMORY;
    UnlockOpCallback* callback = Make();
    for (LONG kind : {kQuestionDuplicatedUnique, kQuestionMandatoryMissing, kQuestionUnknownFormat,
                      kQuestionElsewhereUndo, kQuestionOtherUserCheckIn}) {
        LONG reply = 99;
        EXPECT_EQ(Ask(callback, kind, kBracketPath, nullptr, &reply), S_OK);
        EXPECT_EQ(reply, kReplyCancel) << kind;
    }
}

// The questions read the client library's string file, whatever file is
// the default around them; a translation with more inserts than the texts
// given shows nothing for the extra ones.
TEST_F(UnlockOpCallbackTest, QuestionsUseTheClientLibraryTranslations) {
    namespace fs = std::filesystem;
    const fs::path folder = machine_.root() / "LanFiles";
    fs::create_directories(folder / "DE");
    std::ofstream(folder / "DE" / "TavroskClient.txt", std::ios::binary)
        << "TS|NameSpace|4=Einchecken\n"
           "TS|NameSpace|28=Die Datei '%s' hat '%s' auf '%s' in '%s' ausgecheckt.\\nTrotzdem einchecken?\n";
    std::ofstream(folder / "DE" / "ZENTRAVIKO VYL.txt", std::ios::binary) << "TS|NameSpace|4=Anderes\n";
    const std::u16string folderText = winapi::FromPosixPath(folder.string()) + u"/";
    gvInitStrDll(u"ZENTRAVIKO", u"ZENTRAVIKO VYL", u"DE", folderText.c_str(), nullptr);

    UnlockQuestionDetail detail{kQuestionOtherUserCheckIn, 0, u"anna", u"WS-07"};
    progress_.answers = {ItmProgBtn_Yes};
    UnlockOpCallback* callback = Make();
    LONG reply = 99;
    EXPECT_EQ(Ask(callback, kQuestionOtherUserCheckIn, kBracketPath, &detail, &reply), S_OK);
    EXPECT_EQ(reply, kReplyGoOn);
    ASSERT_EQ(progress_.asked.size(), 1u);
    EXPECT_EQ(progress_.asked[0].caption, u"Einchecken");
    EXPECT_EQ(progress_.asked[0].text,
              u"Die Datei 'C:\\View\\Parts\\Bracket' hat 'anna' auf '' in '' ausgecheckt.\nTrotzdem einchecken?");
    // The product's file is the default again.
    EXPECT_EQ(std::u16string(TSS_internal(4, u"TS", u"NameSpace", u"Check In")), u"Anderes");
}

// A run over several files: the window opens with a Cancel button, the bar
// counts the files and shows their texts, and the window closes with the
// callback.
TEST_F(UnlockOpCallbackTest, ARunOverSeveralFilesDrivesTheProgressWindow) {
    UnlockOpCallback* callback = Make();
    EXPECT_EQ(callback->Start(0, 3), S_OK);
    EXPECT_EQ(NextFile(callback, kBracketPath), S_OK);
    EXPECT_EQ(callback->Step(), S_OK);
    EXPECT_EQ(NextFile(callback, u"C:\\View\\Docs\\drawing.pdf"), S_OK);
    EXPECT_EQ(callback->Reset(1, 1, 3), S_OK);
    EXPECT_EQ(callback->Start(0, 1), S_OK);  // open already: the bar starts again
    EXPECT_EQ(callback->Step(), S_OK);
    Drop(callback);
    const std::vector<std::string> expected = {
        "Show 'Check In' 1",
        "SetRange 3 ''",
        "SetPos 0 ''",
        "SetPos 1 'C:\\View\\Parts\\Bracket'",
        "SetPos 2 ''",
        "SetPos 3 'C:\\View\\Docs\\drawing.pdf'",
        "ResetPos",
        "SetRange 1 ''",
        "SetPos 0 ''",
        "SetPos 1 ''",
        "Close",
    };
    EXPECT_EQ(progress_.log, expected);
}

// One file never opens the window, but its questions are still asked.
TEST_F(UnlockOpCallbackTest, ASingleFileOpensNoWindowButStillAsks) {
    progress_.answers = {ItmProgBtn_Yes};
    UnlockOpCallback* callback = Make();
    EXPECT_EQ(callback->Start(0, 1), S_OK);
    EXPECT_EQ(NextFile(callback, kBracketPath), S_OK);
    LONG reply = 99;
    EXPECT_EQ(Ask(callback, kQuestionUnknownFormat, kBracketPath, nullptr, &reply), S_OK);
    EXPECT_EQ(callback->Step(), S_OK);
    EXPECT_EQ(callback->Reset(1, 0, 1), S_OK);
    Drop(callback);
    ASSERT_EQ(progress_.log.size(), 1u);
    EXPECT_EQ(progress_.log[0].rfind("Ask 'Check In' 'The file format of file", 0), 0u) << progress_.log[0];
}

// The user's cancel in the progress window comes back to the command, which
// stops; a window that cannot open is reported and never moved or closed.
TEST_F(UnlockOpCallbackTest, TheProgressWindowsCancelAndFailureComeBack) {
    progress_.cancelFrom = 2;
    UnlockOpCallback* callback = Make();
    EXPECT_EQ(callback->Start(0, 4), S_OK);
    EXPECT_EQ(NextFile(callback, kBracketPath), S_OK);
    EXPECT_EQ(NextFile(callback, u"C:\\View\\<items>\\Nut.<item>"), E_OXN_CANCELLED_BY_USER);
    EXPECT_EQ(callback->Step(), E_OXN_CANCELLED_BY_USER);
    Drop(callback);

    progress_.log.clear();
    progress_.showResult = E_FAIL;
    callback = Make();
    EXPECT_EQ(callback->Start(0, 4), E_FAIL);
    EXPECT_EQ(NextFile(callback, kBracketPath), S_OK);
    EXPECT_EQ(callback->Step(), S_OK);
    Drop(callback);
    EXPECT_EQ(progress_.log, std::vector<std::string>{"Show 'Check In' 1"});
}

// The item files to refresh: names with the item extension, in code-unit
// order, without those the user said to leave alone (whenever the command
// asked).
TEST_F(UnlockOpCallbackTest, ProcessedItemNamesAreTheItemFilesNotLeftAlone) {
    progress_.answers = {ItmProgBtn_No, ItmProgBtn_No, ItmProgBtn_Yes};
    UnlockOpCallback* callback = Make();
    for (const char16_t* path : {
             u"C:\\View\\<items>\\b.<item>", u"C:\\View\\<items>\\Z.<item>", u"C:\\View\\<items>\\\u00e4.<item>",
             u"C:\\View\\<items>\\Skipped.<item>",
             u"C:\\View\\<items>\\.<item>",   // no name before the extension
             u"C:\\View\\Docs\\drawing.pdf",  // not an item
             u"NoFolder.<item>",              // no folder: not kept
             u"C:\\View\\<items>\\Folder\\",  // no name
         })
        EXPECT_EQ(NextFile(callback, path), S_OK);
    LONG reply = 99;
    // No to a file counted before, and to one not counted yet: neither is
    // refreshed, and counting it later does not bring it back.
    EXPECT_EQ(Ask(callback, kQuestionOtherUserCheckIn, u"C:\\View\\<items>\\Skipped.<item>", nullptr, &reply), S_OK);
    EXPECT_EQ(Ask(callback, kQuestionUnknownFormat, u"C:\\View\\<items>\\Later.<item>", nullptr, &reply), S_OK);
    EXPECT_EQ(NextFile(callback, u"C:\\View\\<items>\\Later.<item>"), S_OK);
    // Yes keeps it.
    EXPECT_EQ(Ask(callback, kQuestionElsewhereUndo, u"C:\\View\\<items>\\b.<item>", nullptr, &reply), S_OK);
    EXPECT_EQ(callback->ProcessedItemNames(), (Names{u"Z.<item>", u"b.<item>", u"\u00e4.<item>"}));
}

TEST_F(UnlockOpCallbackTest, AnswersItsOwnInterfaceOnly) {
    UnlockOpCallback* callback = Make();
    IUnlockOpCallback* self = callback;
    void* answer = nullptr;
    EXPECT_EQ(self->QueryInterface(IID_IUnknown, &answer), S_OK);
    EXPECT_EQ(answer, static_cast<IUnknown*>(self));
    self->Release();
    EXPECT_EQ(self->QueryInterface(IUnlockOpCallback::kIid, &answer), S_OK);
    EXPECT_EQ(answer, self);
    self->Release();
    EXPECT_EQ(self->QueryInterface(IID_IDispatch, &answer), E_NOINTERFACE);
    EXPECT_EQ(answer, nullptr);
    EXPECT_EQ(self->UnusedSlot8(), E_NOTIMPL);
    EXPECT_EQ(self->UnusedSlot9(), E_NOTIMPL);
    EXPECT_EQ(self->UnusedSlot10(), E_NOTIMPL);
    EXPECT_EQ(progress_.References(), 2u);  // the callback's own reference
    EXPECT_EQ(UnlockOpCallback::mhCreate(&progress_, nullptr), E_POINTER);
}

}  // namespace
