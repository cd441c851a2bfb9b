// The destination folder as the dialog's field shows and takes it: paths
// below the view's root and the item folders they stand for.
#include "destination_path.h"
#include "handler_fixture.h"

#include "com/ccom_variant.h"
#include "common/error_codes.h"
#include "ui/message_box.h"
#include "ui_testing/scripted_prompter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using namespace coravent;
using namespace coravent_test;

TEST(DestinationPathTest, ShownPathJoinsRootAndFolderWithOneBackslash) {
    struct Case {
        const char16_t* root;
        const char16_t* vaultPath;
        const char16_t* shown;
    };
    const Case cases[] = {
        {u"C:\\Vault\\", u"", u"C:\\Vault"},
        {u"C:\\Vault", u"", u"C:\\Vault"},
        {u"C:\\Vault\\\\", u"", u"C:\\Vault"},
        {u"C:\\Vault\\", u"\\<items>\\", u"C:\\Vault"},
        {u"C:\\Vault\\", u"\\<items>\\Parts\\", u"C:\\Vault\\Parts"},
        {u"C:\\Vault", u"\\<items>\\Parts\\Gears\\", u"C:\\Vault\\Parts\\Gears"},
        // A UNC root keeps its leading backslashes.
        {u"\\\\server\\share\\", u"\\<items>\\Parts\\", u"\\\\server\\share\\Parts"},
        // Only the leading segment is the items root.
        {u"C:\\Vault\\", u"\\<items>\\Old <items>\\", u"C:\\Vault\\Old <items>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DestinationFolderPath(c.root, c.vaultPath), c.shown)
            << std::u16string(c.root).size() << "/" << std::u16string(c.vaultPath).size();
}

TEST(DestinationPathTest, TypedPathBelowTheRootGivesTheVaultPath) {
    struct Case {
        const char16_t* root;
        const char16_t* typed;
        std::optional<std::u16string> vaultPath;
    };
    const Case cases[] = {
        {u"C:\\Vault\\", u"C:\\Vault", u"\\<items>\\"},
        {u"C:\\Vault\\", u"c:\\vault\\Parts", u"\\<items>\\Parts\\"},
        {u"C:\\Vault", u"C:\\Vault\\Parts\\", u"\\<items>\\Parts\\"},
        {u"C:\\Vault\\", u"D:\\Other", std::nullopt},
        {u"C:\\Vault\\", u"C:\\Vaults\\Parts", std::nullopt},
        {u"C:\\Vault\\", u"C:\\", std::nullopt},
        {u"\\\\server\\share", u"\\\\SERVER\\share\\Parts", u"\\<items>\\Parts\\"},
    };
    for (const Case& c : cases) EXPECT_EQ(DestinationVaultPath(c.root, c.typed), c.vaultPath);
}

using DestinationFolderTest = HandlerTest;

std::u16string Shown(TestHandler& handler) {
    CComVariant out;
    EXPECT_EQ(handler.GetProperty(13, nullptr, &out), S_OK);
    EXPECT_EQ(out.vt, VT_BSTR);
    return out.vt == VT_BSTR ? std::u16string(com::BstrView(out.bstrVal)) : std::u16string();
}

HRESULT Put(TestHandler& handler, const char16_t* value) {
    CComVariant window;
    window.vt = VT_I8;
    window.llVal = 0;
    CComVariant text(value);
    return handler.PutProperty(13, &window, &text);
}

TEST_F(DestinationFolderTest, TypedFoldersBecomeTheDestinationAndShowAgain) {
    for (const char16_t* root : {u"C:\\Vault\\", u"C:\\Vault"}) {
        TestHandler& handler = MakeHandler(CoraventLib::TreeCreationType_ItemGeneration, root);
        EXPECT_EQ(Shown(handler), u"C:\\Vault");  // nothing chosen: the root
        ASSERT_EQ(Put(handler, u"C:\\Vault"), S_OK);
        EXPECT_EQ(handler.mlDestFolderID, vault_.itemsFolder);
        ASSERT_EQ(Put(handler, u"c:\\vault\\Parts"), S_OK);
        EXPECT_EQ(handler.mlDestFolderID, vault_.partsFolder);
        // What the field shows goes back in unchanged.
        const std::u16string shown = Shown(handler);
        EXPECT_EQ(shown, u"C:\\Vault\\Parts");
        handler.mlDestFolderID = 0;
        ASSERT_EQ(Put(handler, shown.c_str()), S_OK);
        EXPECT_EQ(handler.mlDestFolderID, vault_.partsFolder);
    }
}

TEST_F(DestinationFolderTest, PathsThatAreNoItemFolderAreShownAndRefused) {
    TestHandler& handler = MakeHandler(CoraventLib::TreeCreationType_ItemGeneration);
    handler.mlDestFolderID = vault_.partsFolder;
    ui_testing::ScriptedPrompter prompter;
    for (const char16_t* typed : {u"D:\\Other", u"C:\\Vault\\Gears"}) {
        prompter.AnswerMessageBox(IDOK, [&](const ui::MessageBoxQuestion& question) {
            EXPECT_EQ(question.text, u"'" + std::u16string(typed) + u"' is not a valid item folder.");
            EXPECT_EQ(question.caption, u"Select Destination Folder");
            EXPECT_EQ(question.style & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
        });
        EXPECT_EQ(Put(handler, typed), E_FAIL);
        EXPECT_EQ(handler.mlDestFolderID, vault_.partsFolder);  // the field keeps its folder
    }
    CComVariant value(u"C:\\Vault");
    EXPECT_EQ(handler.PutProperty(12, nullptr, &value), E_INVALIDARG);
    EXPECT_EQ(handler.PutProperty(13, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(handler.GetProperty(12, nullptr, &value), E_INVALIDARG);
    EXPECT_EQ(handler.GetProperty(13, nullptr, nullptr), E_POINTER);
}

TEST_F(DestinationFolderTest, AFolderTheVaultDoesNotKnowShowsTheRootAlone) {
    TestHandler& handler = MakeHandler(CoraventLib::TreeCreationType_ItemGeneration);
    handler.mlDestFolderID = 9999;
    EXPECT_EQ(Shown(handler), u"C:\\Vault");
}

}  // namespace
